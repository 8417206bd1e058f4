// The pure readers: bytes in, entries out.
#include "PlayListParser.h"
#include "PlayListText.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

// "location|title" ("|<null>" without a title); "@location" to classify.
QStringList parse(const QByteArray &text, PlayListFormat format)
{
    QStringList out;
    for (const ParsedEntry &e : parsePlayList(text, format)) {
        if (e.kind == ParsedEntry::Kind::Location)
            out << "@" + e.location;
        else
            out << e.location + "|" + (e.title.isNull() ? QString("<null>") : e.title);
    }
    return out;
}

struct ParseCase
{
    const char *name;
    PlayListFormat format;
    QByteArray text;
    QStringList expected;
};

void PrintTo(const ParseCase &c, std::ostream *os)
{
    *os << c.name;
}

constexpr auto Pls = PlayListFormat::Pls;
constexpr auto M3u = PlayListFormat::M3u;
constexpr auto Plain = PlayListFormat::PlainList;

class ParseTable : public ::testing::TestWithParam<ParseCase>
{};

} // namespace

TEST_P(ParseTable, Reads)
{
    EXPECT_EQ(parse(GetParam().text, GetParam().format), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Pls, ParseTable,
    ::testing::Values(
        ParseCase{"PairingByLineOrder",
                  Pls,
                  "[playlist]\nFile1=a\nTitle1=A\nFile2=b\nLength2=-1\n",
                  {"a|A", "b|<null>"}},
        ParseCase{"LinesBeforeHeaderIgnored",
                  Pls,
                  "File1=x\n<p> [playlist] y\nFile1=after\n",
                  {"after|<null>"}},
        ParseCase{"UpperCaseSpacesAroundEquals", Pls, "[playlist]\nFILE3 = x  y\n", {"x y|<null>"}},
        ParseCase{"NumbersAreNotUsed",
                  Pls,
                  "[playlist]\nfile9=a\ntitle1=A\nlength7=5\nFile=b\nTitle=B\n",
                  {"a|A", "b|B"}},
        ParseCase{"EmptyTitleIsNotNull",
                  Pls,
                  "[playlist]\nFile1=a\nTitle1=\nFile2=b\n",
                  {"a|", "b|<null>"}},
        ParseCase{"LineAfterTitleHandledAgain",
                  Pls,
                  "[playlist]\nFile1=a\nTitle1=A\nFile2=b\nTitle2=B\nFile3=c\n",
                  {"a|A", "b|B", "c|<null>"}},
        ParseCase{"OrphanTitleAndOtherLinesSkipped",
                  Pls,
                  "[playlist]\nTitle1=orphan\nnumberofentries=1\n\nFile1=a\nVersion=2\nFilex=no\n",
                  {"a|<null>"}},
        ParseCase{"TabsAndRunsSimplified",
                  Pls,
                  "[playlist]\n\tFile1=\thttp://h/a \t b \nTitle1 =  My   FM \n",
                  {"http://h/a b|My FM"}},
        ParseCase{"EveryKindOfWhiteSpaceSimplified",
                  Pls,
                  "[playlist]\nFile1=\xc2\xa0h/a\xe2\x80\x83 b\x0b\nTitle1=\x0c x\ty \xc2\xa0\n"
                  "File2=h/b c\xa0\nTitle2= \n",
                  {"h/a b|x y", "h/b c|"}},
        ParseCase{
            "BlankLocationIsNoEntry", Pls, "[playlist]\nFile1=\nTitle1=x\nFile2=b\n", {"b|<null>"}},
        ParseCase{"NoHeader", Pls, "File1=a\nTitle1=A\n", {}},
        ParseCase{"HeaderIsCaseSensitive", Pls, "[PLAYLIST]\nFile1=a\n", {}},
        ParseCase{"HtmlPosingAsPls",
                  Pls,
                  "<html><body>[playlist]<br>\n<a href=x>File1=a</a>\n</body></html>\n",
                  {}}),
    [](const auto &param) { return std::string(param.param.name); });

INSTANTIATE_TEST_SUITE_P(
    M3u, ParseTable,
    ::testing::Values(
        ParseCase{
            "ExtinfWithLength", M3u, "#EXTM3U\n#EXTINF:123,Name\nhttp://u\n", {"http://u|Name"}},
        ParseCase{"ExtinfMinusOne", M3u, "#EXTM3U\n#EXTINF:-1,Name\nhttp://u\n", {"http://u|Name"}},
        ParseCase{"ExtinfLowerCaseNoDigits", M3u, "#EXTM3U\n#extinf:,N, two\nu\n", {"u|N, two"}},
        ParseCase{
            "ExtinfWithAttributesIgnored", M3u, "#EXTM3U\n#EXTINF:-1 id=\"x\",N\nhttp://u\n", {}},
        ParseCase{"TwoExtinfInARowEndTheParse",
                  M3u,
                  "#EXTM3U\n#EXTINF:1,A\na\n#EXTINF:2,B\n#EXTINF:3,C\nc\n#EXTINF:4,D\nd\n",
                  {"a|A"}},
        ParseCase{"ExtinfAtTheEnd", M3u, "#EXTM3U\n#EXTINF:1,A\n", {}},
        ParseCase{"PlainLinesInExtendedFileIgnored",
                  M3u,
                  "#EXTM3U\nhttp://p\n#EXTINF:1,A\nhttp://a\nhttp://b\n",
                  {"http://a|A"}},
        ParseCase{"LocationLineNotSimplified",
                  M3u,
                  "#EXTM3U\n#EXTINF:1,A  B\nhttp://a  b \n",
                  {"http://a  b |A B"}},
        ParseCase{
            "HeaderAnywhereInALine", M3u, "junk #EXTM3U junk\n#EXTINF:1,A\nx.mp3\n", {"x.mp3|A"}},
        ParseCase{
            "BlankLocationIsNoEntry", M3u, "#EXTM3U\n#EXTINF:1,A\n   \n#EXTINF:2,B\nb\n", {"b|B"}},
        ParseCase{"WithoutHeaderEveryLineIsALocation",
                  M3u,
                  "a.mp3\n\n  http://x/y  \n# comment\n#EXTINF:1,T\nsub/list.pls\n",
                  {"@a.mp3", "@http://x/y", "@sub/list.pls"}},
        ParseCase{"HeaderIsCaseSensitive", M3u, "#extm3u\n#EXTINF:1,A\nhttp://u\n", {"@http://u"}},
        ParseCase{"PlainListTakesOnlyHttpLines",
                  Plain,
                  "junk\n  HTTP://a/b  c \nhttps://s\nftp://f\nhttp:/x\nhttp://z\n",
                  {"@HTTP://a/b c", "@http://z"}}),
    [](const auto &param) { return std::string(param.param.name); });

TEST(PlayListParseBadInput, HugeLinesGarbageAndNulsAreJustText)
{
    QByteArray titles = "[playlist]\n";
    for (int i = 0; i < 5000; ++i)
        titles += "Title" + QByteArray::number(i) + "=t\n";
    EXPECT_TRUE(parse(titles, Pls).isEmpty());

    const QByteArray big(10 << 20, 'x');
    auto entries = parsePlayList(big + "\n[playlist]\nFile1=" + big + "\nTitle1=" + big, Pls);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].location.size(), big.size());
    EXPECT_EQ(entries[0].title.size(), big.size());

    static const char raw[] = "\0\xff\xfe[playlist]\nFile1=a\0b\nTitle1=\0\n";
    entries = parsePlayList(QByteArray(raw, sizeof raw - 1) + QByteArray(1000, '\0'), Pls);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].location, QString::fromLatin1("a\0b", 3));
    EXPECT_EQ(entries[0].title, QString(QChar(0)));
}

TEST(PlayListParseLineEnds, LfCrlfAndCrReadAlike)
{
    QByteArray text = "[playlist]\nFile1=a\nTitle1=A\nLength1=-1\nFile2=b\n\n";
    const QStringList expected = {"a|A", "b|<null>"};
    EXPECT_EQ(parse(text, Pls), expected);
    EXPECT_EQ(parse(text.chopped(2), Pls), expected); // no final line end
    EXPECT_EQ(parse(QByteArray(text).replace("\n", "\r\n"), Pls), expected);
    EXPECT_EQ(parse(QByteArray(text).replace("\n", "\r"), Pls), expected);
    EXPECT_EQ(parse("[playlist]\rFile1=a\nTitle1=A\r\nLength1=-1\r\rFile2=b\n\r\n", Pls), expected);
}

TEST(PlayListText, Latin1AndUtf8ReadAndWriteBackAlike)
{
    const QString cafe = QString::fromUtf8("Caf\xc3\xa9");
    EXPECT_EQ(decodePlayListLine("Caf\xe9"), cafe);
    EXPECT_EQ(decodePlayListLine("Caf\xc3\xa9"), cafe);
    EXPECT_EQ(decodePlayListLine("\xed\xa0\x80"), QString::fromLatin1("\xed\xa0\x80")); // surrogate
    EXPECT_EQ(decodePlayListLine("\xc0\xaf"), QString::fromLatin1("\xc0\xaf"));         // overlong
    EXPECT_EQ(encodePlayListLine(cafe), QByteArray("Caf\xe9"));

    const QString samples[] = {
        cafe,
        QString::fromUtf8("\xd0\xa0\xd0\xb0\xd0\xb4\xd0\xb8\xd0\xbe"), // not Latin-1
        QString::fromLatin1("\xc3\xa9"), // Latin-1 whose bytes look like UTF-8
        QString::fromUtf8("mixed \xc3\xa9 \xe2\x82\xac"),
    };
    for (const QString &s : samples)
        EXPECT_EQ(decodePlayListLine(encodePlayListLine(s)), s) << s.toStdString();
}
