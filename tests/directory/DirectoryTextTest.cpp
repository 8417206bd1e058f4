// Attribute text (encodings and entities) and the directory's query URLs.
#include "DirectoryText.h"
#include "DirectoryUrls.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

TEST(DirectoryText, DecodesEntitiesAndLeavesOtherAmpersands)
{
    const std::pair<QString, QString> cases[] = {
        {"Rock &amp; Roll", "Rock & Roll"},
        {"&lt;b&gt; &quot;x&quot; &apos;y&apos;", "<b> \"x\" 'y'"},
        {"&#65;&#x42;&#X43;", "ABC"},
        {"&#x1F600;", QString::fromUtf8("\xf0\x9f\x98\x80")},
        // Double escaping is undone once only.
        {"&amp;amp;", "&amp;"},
        // Not references: left as written.
        {"AT&T", "AT&T"},
        {"a & b; c", "a & b; c"},
        {"&nbsp; &#; &#x; &#0; &#xD800; &#x110000; &#12a;",
         "&nbsp; &#; &#x; &#0; &#xD800; &#x110000; &#12a;"},
        {"&&amp;", "&&"},
        {"trailing &amp", "trailing &amp"},
    };
    for (const auto &[in, out] : cases)
        EXPECT_EQ(decodeXmlEntities(in), out) << in.toStdString();
}

TEST(DirectoryText, ReadsUtf8OrElseLatin1)
{
    EXPECT_EQ(xmlAttributeText("Caf\xc3\xa9"), QString::fromUtf8("Caf\xc3\xa9"));
    EXPECT_EQ(xmlAttributeText("Caf\xe9 &amp; Bar"), QString::fromLatin1("Caf\xe9 & Bar"));
    EXPECT_EQ(xmlAttributeText(""), "");
}

TEST(DirectoryUrls, QueriesArePercentEncoded)
{
    const QString root = "http://dir.test";
    EXPECT_EQ(genreIndexUrl(root), "http://dir.test/sbin/newxml.phtml");
    EXPECT_EQ(genreQueryUrl(root, "Top 40"), "http://dir.test/sbin/newxml.phtml?genre=Top%2040");
    EXPECT_EQ(genreQueryUrl(root, "Rock & Roll"),
              "http://dir.test/sbin/newxml.phtml?genre=Rock%20%26%20Roll");
    EXPECT_EQ(searchQueryUrl(root, "rock music"),
              "http://dir.test/sbin/newxml.phtml?search=rock+music");
    EXPECT_EQ(searchQueryUrl(root, "drum & bass"),
              "http://dir.test/sbin/newxml.phtml?search=drum+%26+bass");
    EXPECT_EQ(searchQueryUrl(root, "a+b #1"),
              "http://dir.test/sbin/newxml.phtml?search=a%2Bb+%231");
    EXPECT_EQ(searchQueryUrl(root, QString::fromUtf8("Caf\xc3\xa9")),
              "http://dir.test/sbin/newxml.phtml?search=Caf%C3%A9");
    EXPECT_EQ(tuneInUrl(root, "/x/tune.pls", 1234), "http://dir.test/x/tune.pls?id=1234");
    EXPECT_EQ(tuneInUrl(root, "/t", -1), "http://dir.test/t?id=4294967295");
}

TEST(DirectoryUrls, RootComesFromTheEnvironment)
{
    const QByteArray old = qgetenv("WAVELARK_DIRECTORY_URL");
    qunsetenv("WAVELARK_DIRECTORY_URL");
    EXPECT_EQ(directoryRootUrl(), "http://yp.shoutcast.com");
    qputenv("WAVELARK_DIRECTORY_URL", "http://127.0.0.1:8080//");
    EXPECT_EQ(directoryRootUrl(), "http://127.0.0.1:8080");
    qputenv("WAVELARK_DIRECTORY_URL", "");
    EXPECT_EQ(directoryRootUrl(), "http://yp.shoutcast.com");
    if (old.isNull())
        qunsetenv("WAVELARK_DIRECTORY_URL");
    else
        qputenv("WAVELARK_DIRECTORY_URL", old);
}
