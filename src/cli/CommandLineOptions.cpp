#include "CommandLineOptions.h"

#include "WavelarkSettings.h"
#include "stream.h"

void applyCommandLine(const CommandLineOptions &options, WavelarkSettings &settings,
                      RadioStream &stream)
{
    if (options.inBufSize != -1)
        stream.setInBufSize(unsigned(options.inBufSize));
    if (options.outBufSize != -1)
        stream.setOutBufSize(unsigned(options.outBufSize));
    if (!options.proxy.isNull())
        stream.setProxy(options.proxy);
    if (options.autoPlay)
        settings.autoPlay = true;
}
