// Header and metadata parsing into an entry's tags, the diagnostic lines,
// and the reading of server texts as UTF-8 or Latin-1.
#include "IcyTags.h"
#include "PlayListItem.h"

#include <gtest/gtest.h>

namespace {

PlayListItem makeItem()
{
    // An empty artist is written as a tag line, a null album or genre is not.
    return PlayListItem("http://127.0.0.1/s", "Old", QString(""), QString(), QString(), QString());
}

struct Lines
{
    QStringList lines;
    IcyLineSink sink()
    {
        return [this](const QString &l) { lines.append(l); };
    }
};

} // namespace

TEST(IcyTags, MetadataPairs)
{
    struct Case
    {
        const char *meta;
        std::vector<std::pair<QString, QString>> pairs;
    };
    const Case cases[] = {
        {"StreamTitle='A - B';StreamUrl='x';", {{"StreamTitle", "A - B"}, {"StreamUrl", "x"}}},
        {"StreamTitle='O'Brien; The Band - It's 'Quoted'; Yes';",
         {{"StreamTitle", "O'Brien; The Band - It's 'Quoted'; Yes"}}},
        {"StreamTitle='Artist; feat. Guest';", {{"StreamTitle", "Artist; feat. Guest"}}},
        {"StreamTitle='It';s';StreamUrl='u';", {{"StreamTitle", "It';s"}, {"StreamUrl", "u"}}},
        {"StreamTitle='';", {{"StreamTitle", ""}}},
        {"StreamTitle='no semicolon'", {{"StreamTitle", "no semicolon"}}},
        {"StreamTitle='padded';   ", {{"StreamTitle", "padded"}}},
        {"StreamTitle='a';adw_ad='true';durationMilliseconds='30000';",
         {{"StreamTitle", "a"}, {"adw_ad", "true"}, {"durationMilliseconds", "30000"}}},
        // Not a run of pairs: split at ';' as before.
        {"hello;StreamTitle='x';", {{"", ""}, {"StreamTitle", "x"}}},
        {"StreamTitle='unterminated", {{"StreamTitle", "unterminate"}}},
        {";;", {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.meta);
        const QList<IcyPair> pairs = splitIcyMeta(QString::fromLatin1(c.meta));
        ASSERT_EQ(size_t(pairs.size()), c.pairs.size());
        for (qsizetype i = 0; i < pairs.size(); ++i) {
            EXPECT_EQ(pairs[i].key, c.pairs[size_t(i)].first);
            EXPECT_EQ(pairs[i].value, c.pairs[size_t(i)].second);
        }
    }
}

TEST(IcyTags, OrdinaryTextsGiveTheLinesOfASplitAtSemicolons)
{
    PlayListItem item = makeItem();
    item.icyMeta = "StreamTitle='A - B';StreamUrl='x';";
    Lines out;
    const IcyParseResult r = parseIcyTags(item, out.sink());
    EXPECT_TRUE(r.found);
    EXPECT_EQ(item.title, QString("A - B"));
    EXPECT_EQ(item.icyUrl, QString("x"));
    EXPECT_TRUE(item.icyMeta.isNull());
    EXPECT_EQ(out.lines,
              (QStringList{"ICY HEADER: StreamTitle='A - B'", "ICY HEADER: StreamUrl='x'",
                           "TITLE: A - B", "ARTIST: ", "URL: http://127.0.0.1/s", "ICYURL: x"}));
}

TEST(IcyTags, TitleWithQuotesAndSemicolonsIsWhole)
{
    PlayListItem item = makeItem();
    item.icyMeta = "StreamTitle='O'Brien; The Band - It's 'Quoted'; Yes';";
    Lines out;
    parseIcyTags(item, out.sink());
    EXPECT_EQ(item.title, QString("O'Brien; The Band - It's 'Quoted'; Yes"));
    EXPECT_EQ(out.lines.value(0),
              QString("ICY HEADER: StreamTitle='O'Brien; The Band - It's 'Quoted'; Yes'"));
}

TEST(IcyTags, EmptyStreamTitleLeavesTheTitleAndWritesNoTagLines)
{
    PlayListItem item = makeItem();
    item.icyMeta = "StreamTitle='';";
    Lines out;
    const IcyParseResult r = parseIcyTags(item, out.sink());
    EXPECT_FALSE(r.found);
    EXPECT_EQ(item.title, QString("Old"));
    EXPECT_EQ(out.lines, QStringList{"ICY HEADER: StreamTitle=''"});
}

TEST(IcyTags, HeaderGivesStationTagsAndInterval)
{
    PlayListItem item = makeItem();
    item.icyHeader = "ICY 200 OK\r\nicy-name:  Radio   X \r\nICY-GENRE: Jazz\r\n"
                     "icy-url: http://radio.example/\r\nicy-metaint: 16000\r\n\r\n";
    Lines out;
    const IcyParseResult r = parseIcyTags(item, out.sink());
    EXPECT_TRUE(r.found);
    ASSERT_TRUE(r.metaint);
    EXPECT_EQ(*r.metaint, 16000);
    EXPECT_EQ(item.title, QString(" Radio X"));
    EXPECT_EQ(item.streamTitle, QString(" Radio X"));
    EXPECT_EQ(item.genre, QString(" Jazz"));
    EXPECT_EQ(item.icyUrl, QString(" http://radio.example/"));
    EXPECT_TRUE(item.icyHeader.isNull());
    EXPECT_EQ(out.lines.value(0), QString("ICY-METAINT: 16000"));
    EXPECT_TRUE(out.lines.contains("TITLE:  Radio X"));
    EXPECT_TRUE(out.lines.contains("GENRE:  Jazz"));
}

TEST(IcyTags, IntervalThatIsNotANumberIsZeroWithoutALine)
{
    for (const char *value : {"abc", "-5", ""}) {
        PlayListItem item = makeItem();
        item.icyHeader = QStringLiteral("ICY 200 OK\r\nicy-metaint: %1\r\n\r\n").arg(value);
        Lines out;
        const IcyParseResult r = parseIcyTags(item, out.sink());
        ASSERT_TRUE(r.metaint) << value;
        EXPECT_EQ(*r.metaint, 0) << value;
        EXPECT_FALSE(out.lines.join('\n').contains("ICY-METAINT")) << value;
        EXPECT_EQ(icyHeaderMetaint(QStringLiteral("icy-metaint: %1").arg(value)), 0) << value;
    }
    EXPECT_EQ(icyHeaderMetaint("HTTP/1.0 200 OK\r\n\r\n"), std::nullopt);
}

TEST(IcyTags, StationNameThenSongTitle)
{
    PlayListItem item = makeItem();
    item.icyHeader = "ICY 200 OK\r\nicy-name: Radio X\r\n\r\n";
    Lines out;
    parseIcyTags(item, out.sink());
    EXPECT_EQ(item.title, QString(" Radio X"));
    item.icyMeta = "StreamTitle='Song';";
    parseIcyTags(item, out.sink());
    EXPECT_EQ(item.title, QString("Song"));
    EXPECT_EQ(item.streamTitle, QString(" Radio X"));
}

// A server's text is one line wherever it is shown.
TEST(IcyTags, ControlCharactersBecomeBlanks)
{
    PlayListItem item = makeItem();
    item.icyHeader = QStringLiteral("ICY 200 OK\r\nicy-name: Radio\x01X\x1b[2J\r\n\r\n");
    Lines out;
    parseIcyTags(item, out.sink());
    EXPECT_EQ(item.streamTitle, QString(" Radio X [2J"));
    item.icyMeta = QStringLiteral("StreamTitle='Line\nbreak\ttab\rend\x7f';StreamUrl='u\nv';");
    parseIcyTags(item, out.sink());
    EXPECT_EQ(item.title, QString("Line break tab end "));
    EXPECT_EQ(item.icyUrl, QString("u v"));
    for (const QString &line : out.lines)
        EXPECT_FALSE(line.contains(u'\n') || line.contains(u'\r') || line.contains(QChar(0x1b)))
            << line.toStdString();
}

TEST(IcyTags, NothingToParseWritesNothing)
{
    PlayListItem item = makeItem();
    Lines out;
    EXPECT_FALSE(parseIcyTags(item, out.sink()).found);
    item.icyHeader = "HTTP/1.0 200 OK\r\nServer: x\r\n\r\n";
    EXPECT_FALSE(parseIcyTags(item, out.sink()).found);
    EXPECT_TRUE(out.lines.isEmpty());
}

TEST(IcyTags, Utf8WhenValidElseLatin1)
{
    struct Case
    {
        QByteArray bytes;
        bool utf8;
    };
    const Case cases[] = {
        {"plain ascii", true},
        {"Z\xc3\xbcrich", true},
        {"\xe2\x82\xac 5", true},        // euro sign
        {"\xf0\x9f\x8e\xb5", true},      // U+1F3B5
        {"\xf4\x8f\xbf\xbf", true},      // U+10FFFF
        {"Z\xfcrich", false},            // Latin-1
        {"\xc0\xaf", false},             // overlong '/'
        {"\xe0\x80\xaf", false},         // overlong, three bytes
        {"\xed\xa0\x80", false},         // surrogate
        {"\xf4\x90\x80\x80", false},     // above U+10FFFF
        {"\xe2\x82", false},             // cut short
        {"\xc3\xbc\xc3", false},         // cut short at the end
        {"\xf8\x88\x80\x80\x80", false}, // five-byte form
        {"\xc3"
         "a",
         false}, // bad continuation
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.bytes.toHex().toStdString());
        const QString text = icyText(c.bytes);
        EXPECT_EQ(text, c.utf8 ? QString::fromUtf8(c.bytes) : QString::fromLatin1(c.bytes));
    }
    EXPECT_EQ(icyText("Z\xfcrich"), QString::fromUtf8("Zürich"));
}
