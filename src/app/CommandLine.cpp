#include "CommandLine.h"

#include "WavelarkSettings.h"
#include "stream.h"

#include <QCoreApplication>

#include <climits>
#include <cstdlib>
#include <unistd.h>
#include <vector>

namespace {

// n kilobytes as bytes. Like a non-number, a size that is negative or does
// not fit gives 0 rather than a wrapped, enormous buffer.
int kilobytes(const char *text)
{
    const long n = std::strtol(text, nullptr, 10);
    if (n < 0 || n > INT_MAX / 1024)
        return 0;
    return int(n) * 1024;
}

} // namespace

QString usageLine()
{
    return QCoreApplication::translate(
        "Wavelark", "Usage: [-h] [-R] [-i <bufsize>] [-o <bufsize>] [-p <proxy[:port]>]");
}

CommandLineOptions parseCommandLine(int argc, char **argv, FILE *err)
{
    CommandLineOptions o;
    // getopt may permute its argument vector; work on a copy.
    std::vector<char *> args(argv, argv + argc);
    args.push_back(nullptr);
    optind = 0; // full re-initialisation, so the parser can run more than once
    opterr = 0; // unknown options get the usage line, not getopt's message
    int c;
    while ((c = getopt(argc, args.data(), "Radi:o:hp:f:vrc:")) != -1) {
        switch (c) {
        case 'R': o.recordAtStart = true; break;
        case 'a': o.autoPlay = true; break;
        case 'd': break;
        case 'i': o.inBufSize = kilobytes(optarg); break;
        case 'o': o.outBufSize = kilobytes(optarg); break;
        case 'p': o.proxy = QString::fromLocal8Bit(optarg); break;
        case 'v': ++o.verbosity; break;
        case 'r': o.recursive = true; break;
        case 'c': o.configPath = QString::fromLocal8Bit(optarg); break;
        default:
            std::fprintf(err, "%s\n", usageLine().toLocal8Bit().constData());
            o.quitRequested = true;
            if (c != 'h')
                o.quitStatus = 2;
            break;
        }
    }
    for (int i = optind; i < argc; ++i)
        o.arguments += QString::fromLocal8Bit(args[size_t(i)]);
    return o;
}

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
