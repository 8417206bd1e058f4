// The pure readers: bytes in, entries out.
#include "playListParser.h"
#include "playListText.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

using Kind = ParsedEntry::Kind;

// "location|title" per entry ("location|<null>" without a title), "@location"
// for a location to classify.
QStringList describe(const std::vector<ParsedEntry> &entries)
{
    QStringList out;
    for (const ParsedEntry &e : entries) {
        if (e.kind == Kind::Location)
            out << "@" + e.location;
        else
            out << e.location + "|" + (e.title.isNull() ? QString("<null>") : e.title);
    }
    return out;
}

QStringList parse(const QByteArray &text, PlayListFormat format)
{
    return describe(parsePlayList(text, format));
}

QByteArray withLineEnds(QByteArray text, const char *end)
{
    return text.replace("\n", end);
}

} // namespace

// --- PLS ----------------------------------------------------------------

struct ParseCase {
    const char *name;
    QByteArray text;
    QStringList expected;
};

class PlsParse : public ::testing::TestWithParam<ParseCase>
{
};

TEST_P(PlsParse, Reads)
{
    EXPECT_EQ(parse(GetParam().text, PlayListFormat::Pls), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlsParse,
    ::testing::Values(
        ParseCase{"PairingByLineOrder",
                  "[playlist]\nFile1=a\nTitle1=A\nFile2=b\nLength2=-1\n",
                  {"a|A", "b|<null>"}},
        ParseCase{"LinesBeforeHeaderIgnored",
                  "File1=before\n<html>\n  x [playlist] y\nFile1=after\n",
                  {"after|<null>"}},
        ParseCase{"UpperCaseSpacesAroundEquals",
                  "[playlist]\nFILE3 = x  y\n",
                  {"x y|<null>"}},
        ParseCase{"NumbersAreNotUsed",
                  "[playlist]\nfile9=a\ntitle1=A\nlength7=5\nFile=b\nTitle=B\n",
                  {"a|A", "b|B"}},
        ParseCase{"EmptyTitleIsNotNull",
                  "[playlist]\nFile1=a\nTitle1=\nFile2=b\n",
                  {"a|", "b|<null>"}},
        ParseCase{"FileAfterFile",
                  "[playlist]\nFile1=a\nFile2=b\nTitle2=B\n",
                  {"a|<null>", "b|B"}},
        ParseCase{"TitleThenOtherLineHandledAgain",
                  "[playlist]\nFile1=a\nTitle1=A\nFile2=b\nLength2=1\n",
                  {"a|A", "b|<null>"}},
        ParseCase{"TitleBeforeFileIsIgnored",
                  "[playlist]\nTitle1=orphan\nFile1=a\n",
                  {"a|<null>"}},
        ParseCase{"OtherLinesSkipped",
                  "[playlist]\nnumberofentries=2\n\nFile1=a\nVersion=2\nfilex=no\nFiles=no\n",
                  {"a|<null>"}},
        ParseCase{"TabsAndInnerRunsSimplified",
                  "[playlist]\n\tFile1=\thttp://h/a \t b \nTitle1 =  My   Station \n",
                  {"http://h/a b|My Station"}},
        ParseCase{"BlankLocationIsNoEntry",
                  "[playlist]\nFile1=\nTitle1=x\nFile2=b\n",
                  {"b|<null>"}},
        ParseCase{"NoHeaderNothing", "File1=a\nTitle1=A\n", {}},
        ParseCase{"HeaderIsCaseSensitive", "[PLAYLIST]\nFile1=a\n", {}},
        ParseCase{"HtmlPosingAsPls",
                  "<!DOCTYPE html>\n<html><body>[playlist]<br>\n<a href=x>File1=a</a>\n"
                  "</body></html>\n",
                  {}}),
    [](const auto &param) { return std::string(param.param.name); });

TEST(PlsParseBadInput, ThousandsOfTitlesAndNoFileAddNothing)
{
    QByteArray text = "[playlist]\n";
    for (int i = 0; i < 5000; ++i)
        text += "Title" + QByteArray::number(i) + "=t\n";
    EXPECT_TRUE(parse(text, PlayListFormat::Pls).isEmpty());
}

TEST(PlsParseBadInput, TenMegabyteLinesAreReadWhole)
{
    const QByteArray big(10 << 20, 'x');
    const QByteArray text = big + "\n[playlist]\nFile1=" + big + "\nTitle1=" + big + "\n";
    const auto entries = parsePlayList(text, PlayListFormat::Pls);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].location.size(), big.size());
    EXPECT_EQ(entries[0].title.size(), big.size());
}

TEST(PlsParseBadInput, NulBytesAndBinaryGarbageAreJustText)
{
    static const char raw[] = "\0\xff\xfe[playlist]\nFile1=a\0b\nTitle1=\0\n";
    QByteArray text(raw, sizeof raw - 1);
    text += QByteArray(1000, '\0');
    const auto entries = parsePlayList(text, PlayListFormat::Pls);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].location, QString::fromLatin1("a\0b", 3));
    EXPECT_EQ(entries[0].title, QString(QChar(0)));
}

TEST(PlsParseLineEnds, LfCrlfAndCrReadAlike)
{
    const QByteArray text = "[playlist]\nFile1=a\nTitle1=A\nLength1=-1\nFile2=b\n\n";
    const QStringList expected = {"a|A", "b|<null>"};
    EXPECT_EQ(parse(text, PlayListFormat::Pls), expected);
    EXPECT_EQ(parse(withLineEnds(text, "\r\n"), PlayListFormat::Pls), expected);
    EXPECT_EQ(parse(withLineEnds(text, "\r"), PlayListFormat::Pls), expected);
    // No line end at all after the last line.
    EXPECT_EQ(parse(text.chopped(2), PlayListFormat::Pls), expected);
}

// --- M3U ----------------------------------------------------------------

class M3uParse : public ::testing::TestWithParam<ParseCase>
{
};

TEST_P(M3uParse, Reads)
{
    EXPECT_EQ(parse(GetParam().text, PlayListFormat::M3u), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, M3uParse,
    ::testing::Values(
        ParseCase{"ExtinfWithLength", "#EXTM3U\n#EXTINF:123,Name\nhttp://u\n", {"http://u|Name"}},
        ParseCase{"ExtinfMinusOne", "#EXTM3U\n#EXTINF:-1,Name\nhttp://u\n", {"http://u|Name"}},
        ParseCase{"ExtinfLowerCaseNoDigits", "#EXTM3U\n#extinf:,N, with comma\nu\n",
                  {"u|N, with comma"}},
        ParseCase{"ExtinfWithAttributesDoesNotMatch",
                  "#EXTM3U\n#EXTINF:-1 tvg-id=\"x\",Name\nhttp://u\n", {}},
        ParseCase{"TwoExtinfInARowEndTheParse",
                  "#EXTM3U\n#EXTINF:1,A\na\n#EXTINF:2,B\n#EXTINF:3,C\nc\n#EXTINF:4,D\nd\n",
                  {"a|A"}},
        ParseCase{"ExtinfAtTheEndAddsNothing", "#EXTM3U\n#EXTINF:1,A\n", {}},
        ParseCase{"PlainLinesInExtendedFileIgnored",
                  "#EXTM3U\nhttp://plain\n#EXTINF:1,A\nhttp://a\nhttp://b\n", {"http://a|A"}},
        ParseCase{"LocationLineNotSimplified", "#EXTM3U\n#EXTINF:1,A  B\nhttp://a  b \n",
                  {"http://a  b |A B"}},
        ParseCase{"HeaderFoundAnywhereInALine", "junk #EXTM3U junk\n#EXTINF:1,A\nx.mp3\n",
                  {"x.mp3|A"}},
        ParseCase{"BlankLocationIsNoEntry", "#EXTM3U\n#EXTINF:1,A\n   \n#EXTINF:2,B\nb\n",
                  {"b|B"}},
        ParseCase{"WithoutHeaderEveryLineIsALocation",
                  "a.mp3\n\n  http://x/y  \n# comment\n#EXTINF:1,T\nsub/list.pls\n",
                  {"@a.mp3", "@http://x/y", "@sub/list.pls"}},
        ParseCase{"HeaderIsCaseSensitive", "#extm3u\n#EXTINF:1,A\nhttp://u\n", {"@http://u"}}),
    [](const auto &param) { return std::string(param.param.name); });

// --- Plain list ---------------------------------------------------------

TEST(PlainListParse, TakesOnlyHttpLinesSimplified)
{
    const QByteArray text = "junk\n  HTTP://a/b  c \nhttps://secure\nftp://f\nhttp:/x\nhttp://z\n";
    EXPECT_EQ(parse(text, PlayListFormat::PlainList), QStringList({"@HTTP://a/b c", "@http://z"}));
}

// --- Matching and text --------------------------------------------------

TEST(PlayListMatch, AnchoredCaseInsensitivePrefixes)
{
    EXPECT_EQ(matchPlsKey("File1=x", QLatin1StringView("file")), 6);
    EXPECT_EQ(matchPlsKey("fIlE12 = x", QLatin1StringView("file")), 9);
    EXPECT_EQ(matchPlsKey("file=", QLatin1StringView("file")), 5);
    EXPECT_EQ(matchPlsKey(" File1=x", QLatin1StringView("file")), -1);
    EXPECT_EQ(matchPlsKey("File1x=x", QLatin1StringView("file")), -1);
    EXPECT_EQ(matchPlsKey("Fil", QLatin1StringView("file")), -1);
    EXPECT_EQ(matchPlsKey("File1", QLatin1StringView("file")), -1);
    EXPECT_EQ(matchExtinf("#EXTINF:-1,x"), 11);
    EXPECT_EQ(matchExtinf("#ExtInf:,"), 9);
    EXPECT_EQ(matchExtinf("#EXTINF:1"), -1);
    EXPECT_EQ(matchExtinf("#EXTINF:1 ,x"), -1);
}

TEST(PlayListText, Latin1AndUtf8LinesBothRead)
{
    const QString cafe = QString::fromUtf8("Caf\xc3\xa9");
    EXPECT_EQ(decodePlayListLine("Caf\xe9"), cafe);       // Latin-1
    EXPECT_EQ(decodePlayListLine("Caf\xc3\xa9"), cafe);   // UTF-8
    EXPECT_EQ(decodePlayListLine("\xed\xa0\x80"), QString::fromLatin1("\xed\xa0\x80")); // surrogate
    EXPECT_EQ(decodePlayListLine("\xc0\xaf"), QString::fromLatin1("\xc0\xaf"));         // overlong

    const auto entries = parsePlayList("[playlist]\nFile1=a\nTitle1=Caf\xe9\nFile2=b\n"
                                       "Title2=Caf\xc3\xa9\n",
                                       PlayListFormat::Pls);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].title, cafe);
    EXPECT_EQ(entries[1].title, cafe);
}

TEST(PlayListText, EncodingReadsBackTheSameText)
{
    const QString samples[] = {
        "plain ascii",
        QString::fromUtf8("Caf\xc3\xa9"),
        QString::fromUtf8("\xd0\xa0\xd0\xb0\xd0\xb4\xd0\xb8\xd0\xbe"), // not Latin-1
        QString::fromLatin1("\xc3\xa9"), // Latin-1 whose bytes are valid UTF-8
        QString::fromUtf8("mixed \xc3\xa9 \xe2\x82\xac"),
        QString::fromLatin1("nul\0inside", 10),
    };
    for (const QString &s : samples)
        EXPECT_EQ(decodePlayListLine(encodePlayListLine(s)), s) << s.toStdString();
    EXPECT_EQ(encodePlayListLine(QString::fromUtf8("Caf\xc3\xa9")), QByteArray("Caf\xe9"));
}

TEST(PlayListText, LinesSplitOnEveryLineEnd)
{
    PlayListLines lines("a\r\nb\rc\n\nd\r\r\n");
    QStringList got;
    QString line;
    while (lines.next(line))
        got << line;
    EXPECT_EQ(got, QStringList({"a", "b", "c", "", "d", ""}));
    lines.rewind();
    ASSERT_TRUE(lines.next(line));
    EXPECT_EQ(line, "a");
    PlayListLines empty("");
    EXPECT_FALSE(empty.next(line));
}
