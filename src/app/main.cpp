// Until the main window exists, the program reads its command line and
// configuration exactly as start-up will and reports what it would play.
#include "CommandLine.h"
#include "UserPaths.h"
#include "WavelarkConfig.h"
#include "stream.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    WavelarkSettings settings;
    const UserPaths paths = UserPaths::forHome();
    const CommandLineOptions options = parseCommandLine(argc, argv);
    if (options.quitRequested)
        return 0;

    RadioStream stream(nullptr, nullptr, options.verbosity);
    stream.setDecodeWait(3);
    QStringList recentSearches;
    WavelarkConfig config(settings, stream, recentSearches);
    config.read(options.configPath.isNull() ? paths.configPath : options.configPath);
    applyCommandLine(options, settings, stream);

    std::printf("hold buffer %u KB, decode buffer %u KB, volume %d, autoplay %s\n",
                stream.inBufSize() / 1024, stream.outBufSize() / 1024, settings.volume,
                settings.autoPlay ? "on" : "off");
    for (const QString &a : options.arguments)
        std::printf("would load: %s\n", a.toLocal8Bit().constData());
    return 0;
}
