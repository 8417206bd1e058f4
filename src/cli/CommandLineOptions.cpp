#include "CommandLineOptions.h"

#include "WavelarkSettings.h"
#include "stream.h"

void applyCommandLine(const CommandLineOptions &options, WavelarkSettings &settings,
                      RadioStream &stream)
{
    if (options.inBufSize != -1)
        changeSetting(stream, &StreamSettings::inBufSize, unsigned(options.inBufSize));
    if (options.outBufSize != -1)
        changeSetting(stream, &StreamSettings::outBufSize, unsigned(options.outBufSize));
    if (!options.proxy.isNull())
        changeSetting(stream, &StreamSettings::proxy, options.proxy);
    if (options.autoPlay)
        settings.autoPlay = true;
}
