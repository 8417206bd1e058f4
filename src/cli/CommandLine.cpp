#include "CommandLine.h"

#include <QCoreApplication>

#include <climits>
#include <cstddef>
#include <cstdlib>
#include <string_view>
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

const char *const kOptionHelp =
    "  -R               record the first remote stream that starts playing\n"
    "  -a               start playing at once\n"
    "  -i KB, -o KB     hold-buffer and decode-buffer sizes\n"
    "  -p PROXY[:PORT]  proxy for network streams\n"
    "  -c PATH          configuration file instead of ~/.wavelark/config\n"
    "  -r               add folders with their sub-folders\n"
    "  -v               more diagnostics; repeat for more\n"
    "  -h               the usage line\n"
    "  --help           this text\n"
    "  --version        the program's name and version\n"
    "Arguments: files, folders and stream addresses (http, https, ftp, ftps) to play.\n";

// Takes --help, --version and unknown long options out of `args` (up to a
// bare "--"), answering them; getopt would read each letter as an option.
void takeLongOptions(std::vector<char *> &args, CommandLineOptions &o, FILE *err, FILE *out)
{
    bool usagePrinted = false;
    for (size_t i = 1; i < args.size();) {
        const std::string_view a = args[i];
        if (a == "--")
            break;
        if (!a.starts_with("--")) {
            ++i;
            continue;
        }
        o.quitRequested = true;
        if (a == "--help") {
            std::fprintf(out, "%s\n%s", usageLine().toLocal8Bit().constData(), kOptionHelp);
        } else if (a == "--version") {
            std::fprintf(out, "wavelark %s\n", WAVELARK_VERSION);
        } else {
            if (!usagePrinted)
                std::fprintf(err, "%s\n", usageLine().toLocal8Bit().constData());
            usagePrinted = true;
            o.quitStatus = 2;
        }
        args.erase(args.begin() + std::ptrdiff_t(i));
    }
}

} // namespace

bool asksForInformation(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--")
            return false;
        if (a == "--help" || a == "--version")
            return true;
    }
    return false;
}

QString usageLine()
{
    return QCoreApplication::translate(
        "Wavelark", "Usage: [-h] [-R] [-i <bufsize>] [-o <bufsize>] [-p <proxy[:port]>]");
}

CommandLineOptions parseCommandLine(int argc, char **argv, FILE *err, FILE *out)
{
    CommandLineOptions o;
    // getopt may permute its argument vector; work on a copy.
    std::vector<char *> args(argv, argv + argc);
    takeLongOptions(args, o, err, out);
    argc = int(args.size());
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
