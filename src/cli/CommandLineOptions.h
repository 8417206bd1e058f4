#pragma once

#include <QString>
#include <QStringList>

struct WavelarkSettings;
class RadioStream;

// What the command line asked for (CommandLine.h parses it); start-up
// applies it after the configuration file has been read, so it wins over
// the file.
struct CommandLineOptions
{
    bool recordAtStart = false; // -R
    bool autoPlay = false;      // -a
    bool recursive = false;     // -r
    int verbosity = 0;          // one per -v
    int inBufSize = -1;         // -i n: n * 1024 bytes; -1 when not given
    int outBufSize = -1;        // -o n: n * 1024 bytes; -1 when not given
    QString proxy;              // -p; null when not given
    QString configPath;         // -c; null for the default path
    bool quitRequested = false; // the usage line, the help or the version was printed
    int quitStatus = 0;         // exit status then: 0 for -h, --help, --version; 2 otherwise
    QStringList arguments;      // files, folders or URLs after the options
};

// Hold and decode buffer sizes, proxy and autoplay.
void applyCommandLine(const CommandLineOptions &options, WavelarkSettings &settings,
                      RadioStream &stream);
