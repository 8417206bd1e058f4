#include "CommandLine.h"
#include "ConfigFixture.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Parsed
{
    CommandLineOptions options;
    std::string err;
    std::string out;
};

std::string readMemstream(FILE *f, char *&buf, size_t &len)
{
    std::fclose(f);
    std::string s(buf, len);
    std::free(buf);
    return s;
}

Parsed parse(std::vector<std::string> args)
{
    args.insert(args.begin(), "wavelark");
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    char *errBuf = nullptr, *outBuf = nullptr;
    size_t errLen = 0, outLen = 0;
    FILE *err = open_memstream(&errBuf, &errLen);
    FILE *out = open_memstream(&outBuf, &outLen);
    Parsed p{parseCommandLine(int(argv.size()), argv.data(), err, out), {}, {}};
    p.err = readMemstream(err, errBuf, errLen);
    p.out = readMemstream(out, outBuf, outLen);
    return p;
}

const std::string kUsage = "Usage: [-h] [-R] [-i <bufsize>] [-o <bufsize>] [-p <proxy[:port]>]\n";

TEST(CommandLine, OptionsAndArguments)
{
    const Parsed p =
        parse({"-R", "-a", "-d", "-r", "-p", "proxy:3128", "-c", "/tmp/cfg", "a.pls", "http://x/"});
    EXPECT_TRUE(p.options.recordAtStart);
    EXPECT_TRUE(p.options.autoPlay);
    EXPECT_TRUE(p.options.recursive);
    EXPECT_EQ(p.options.proxy, QStringLiteral("proxy:3128"));
    EXPECT_EQ(p.options.configPath, QStringLiteral("/tmp/cfg"));
    EXPECT_EQ(p.options.arguments, QStringList({"a.pls", "http://x/"}));
    EXPECT_FALSE(p.options.quitRequested);
    EXPECT_TRUE(p.err.empty());
}

TEST(CommandLine, NothingGivenMeansNothingApplied)
{
    const Parsed p = parse({});
    EXPECT_EQ(p.options.inBufSize, -1);
    EXPECT_EQ(p.options.outBufSize, -1);
    EXPECT_TRUE(p.options.proxy.isNull());
    EXPECT_TRUE(p.options.configPath.isNull());
    EXPECT_EQ(p.options.verbosity, 0);
}

TEST(CommandLine, VerbosityCounts)
{
    EXPECT_EQ(parse({"-v", "-v"}).options.verbosity, 2);
    EXPECT_EQ(parse({"-vvv"}).options.verbosity, 3);
}

TEST(CommandLine, BufferSizesInKilobytes)
{
    struct Case
    {
        const char *value;
        int bytes;
    };
    const Case cases[] = {{"64", 65536}, {"16k", 16384},     {"abc", 0},
                          {"-4", 0},     {"99999999999", 0}, {"2097151", 2097151 * 1024}};
    for (const Case &c : cases)
        EXPECT_EQ(parse({"-i", c.value}).options.inBufSize, c.bytes) << c.value;
}

TEST(CommandLine, HelpAndUnknownOptionsPrintUsageAndGoOn)
{
    for (const char *opt : {"-h", "-x"}) {
        const Parsed p = parse({opt, "-v", "file"});
        EXPECT_EQ(p.err, kUsage) << opt;
        EXPECT_TRUE(p.options.quitRequested);
        EXPECT_EQ(p.options.verbosity, 1);
        EXPECT_EQ(p.options.arguments, QStringList({"file"}));
    }
    const Parsed f = parse({"-f", "something", "-a"});
    EXPECT_EQ(f.err, kUsage);
    EXPECT_TRUE(f.options.autoPlay);
    EXPECT_TRUE(f.options.arguments.isEmpty());
    EXPECT_EQ(parse({"-h", "-z"}).err, kUsage + kUsage);
}

TEST(CommandLine, LongHelpAndVersionAnswerOnceAndEndWell)
{
    const Parsed help = parse({"--help"});
    EXPECT_TRUE(help.options.quitRequested);
    EXPECT_EQ(help.options.quitStatus, 0);
    EXPECT_TRUE(help.err.empty()) << help.err;
    EXPECT_EQ(help.out.find(kUsage), 0u) << help.out;
    EXPECT_EQ(help.out.find(kUsage, 1), std::string::npos) << "the usage line once: " << help.out;
    EXPECT_NE(help.out.find("--version"), std::string::npos);

    const Parsed version = parse({"-v", "--version", "a.pls"});
    EXPECT_TRUE(version.options.quitRequested);
    EXPECT_EQ(version.options.quitStatus, 0);
    EXPECT_EQ(version.out, "wavelark " WAVELARK_VERSION "\n");
    EXPECT_EQ(version.options.verbosity, 1) << "the other options are still read";
    EXPECT_EQ(version.options.arguments, QStringList({"a.pls"}));

    const Parsed unknown = parse({"--frobnicate", "--help"});
    EXPECT_EQ(unknown.err, kUsage) << "once, not once a letter";
    EXPECT_EQ(unknown.options.quitStatus, 2);

    // After "--" everything is an argument.
    const Parsed rest = parse({"-a", "--", "--help"});
    EXPECT_FALSE(rest.options.quitRequested);
    EXPECT_EQ(rest.options.arguments, QStringList({"--help"}));
}

TEST(CommandLine, ParsesAgainFromTheStart)
{
    EXPECT_TRUE(parse({"-a"}).options.autoPlay);
    EXPECT_TRUE(parse({"-a"}).options.autoPlay);
}

using CommandLineOverConfig = ConfigFixture;

TEST_F(CommandLineOverConfig, OptionsBeatTheFile)
{
    ASSERT_TRUE(readText("inBufSize = 512\noutBufSize = 64\nautoPlay = false\nproxy = a:1\n"));
    applyCommandLine(parse({"-i", "64", "-o", "16", "-a", "-p", "b:2"}).options, settings, stream);
    EXPECT_EQ(stream.inBufSize(), 65536u);
    EXPECT_EQ(stream.settings().outBufSize, 16384u);
    EXPECT_TRUE(settings.autoPlay);
    EXPECT_EQ(stream.settings().proxy, QStringLiteral("b:2"));
    // The file itself is untouched until it is rewritten.
    EXPECT_TRUE(readAllBytes(configPath()).contains("autoPlay = false"));
}

TEST_F(CommandLineOverConfig, AbsentOptionsLeaveTheFileValues)
{
    ASSERT_TRUE(readText("inBufSize = 512\nproxy = a:1\n"));
    applyCommandLine(parse({"x.pls"}).options, settings, stream);
    EXPECT_EQ(stream.inBufSize(), 512u * 1024);
    EXPECT_EQ(stream.settings().proxy, QStringLiteral("a:1"));
    EXPECT_FALSE(settings.autoPlay);
}

} // namespace
