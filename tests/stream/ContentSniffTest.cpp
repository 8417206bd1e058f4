// The content sniff: codes, what is stripped and kept, and the faults mended
// around redirects, ICY status lines and headers without "icy-url".
#include "ContentSniff.h"
#include "HoldBuffer.h"
#include "IcyDeinterleaver.h"
#include "TestHttpServer.h"

#include <gtest/gtest.h>

namespace {

struct SniffCase
{
    const char *name;
    QByteArray bytes;
    int code;
    bool search;
    qsizetype strip;        // -1: the whole text up to the body marker "|"
    const char *keptHeader; // nullptr: none
    int metaint;
    const char *error; // nullptr: none
};

// The strip length of a case written as "header|body".
QByteArray body(QByteArray &bytes)
{
    const qsizetype bar = bytes.indexOf('|');
    const QByteArray rest = bytes.mid(bar + 1);
    bytes.remove(bar, 1);
    return rest;
}

const QByteArray ok200 = "HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\n\r\n";
const QByteArray icyHdr = "ICY 200 OK\r\nicy-name: Radio X\r\nicy-metaint: 8192\r\n\r\n";
const QByteArray redirect = "HTTP/1.1 302 Found\r\nLocation: /b\r\nContent-Length: 0\r\n\r\n";

} // namespace

TEST(ContentSniff, CodesAndActions)
{
    const QByteArray mp3 = "\xff\xfb\x90\x64\x00\x01";
    const SniffCase cases[] = {
        {"m3u bare", "#EXTM3U\n#EXTINF:-1,X\nhttp://a/\n", 5, false, 0, nullptr, 0, nullptr},
        {"m3u header", ok200 + "#extm3u\nhttp://a/\n", 6, false, 0, nullptr, 0, nullptr},
        {"pls bare", "[playlist]\nFile1=http://a/\n", 3, false, 0, nullptr, 0, nullptr},
        {"pls header", ok200 + "[PlayList]\nFile1=http://a/\n", 4, false, 0, nullptr, 0, nullptr},
        {"icy 404", "ICY 404 Resource Not Found\r\nicy-notice1: x\r\n\r\n", 7, false, 0, nullptr, 0,
         "ICY 404 Resource Not Found"},
        {"icy 200 kept", icyHdr + "|" + mp3, 7, false, -1, icyHdr.constData(), 8192, nullptr},
        {"metaint without icy-url kept", "HTTP/1.0 200 OK\r\nicy-metaint: 16000\r\n\r\n|" + mp3, 7,
         false, -1, "HTTP/1.0 200 OK\r\nicy-metaint: 16000\r\n\r\n", 16000, nullptr},
        {"icy-url kept", "HTTP/1.0 200 OK\r\nicy-url: http://x/\r\n\r\n|http://a/\n", 7, false, -1,
         "HTTP/1.0 200 OK\r\nicy-url: http://x/\r\n\r\n", 0, nullptr},
        {"plain header stripped", ok200 + "|" + mp3, 9, true, -1, nullptr, 0, nullptr},
        {"url list", ok200 + "|http://a/\nhttp://b/\n", 2, false, -1, nullptr, 0, nullptr},
        {"url list upper case", ok200 + "|HTTP://a/\n", 2, false, -1, nullptr, 0, nullptr},
        {"no header", mp3, 9, true, 0, nullptr, 0, nullptr},
        {"empty", "", 9, true, 0, nullptr, 0, nullptr},
        {"header still arriving", "HTTP/1.0 200 OK\r\nicy-na", 9, false, 0, nullptr, 0, nullptr},
        {"icy line still arriving", "ICY 200 O", 9, false, 0, nullptr, 0, nullptr},
        {"icy header still arriving", "ICY 200 OK\r\nicy-metaint: 8", 9, false, 0, nullptr, 0,
         nullptr},
        {"zero byte hides the header end", QByteArray("HTTP/1.0 200 OK\r\n\0\r\n\r\n", 22), 9,
         false, 0, nullptr, 0, nullptr},
        {"zero byte hides a playlist", QByteArray("ab\0#EXTM3U\n", 11), 9, true, 0, nullptr, 0,
         nullptr},
        {"blank line without status line", "http://a/\r\n\r\nhttp://b/\r\n", 9, true, 0, nullptr, 0,
         nullptr},
        {"redirect then final", redirect + icyHdr + "|" + mp3, 7, false, -1, icyHdr.constData(),
         8192, nullptr},
        {"redirect chain", redirect + redirect + redirect + ok200 + "|" + mp3, 9, true, -1, nullptr,
         0, nullptr},
        {"continue then final", "HTTP/1.1 100 Continue\r\n\r\n" + icyHdr + "|" + mp3, 7, false, -1,
         icyHdr.constData(), 8192, nullptr},
        {"redirect, next not yet here", redirect, 9, false, 0, nullptr, 0, nullptr},
        {"redirect, next begun", redirect + "HT", 9, false, 0, nullptr, 0, nullptr},
        {"redirect then icy 404", redirect + "ICY 404 Resource Not Found\r\n\r\n", 7, false, 0,
         nullptr, 0, "ICY 404 Resource Not Found"},
        {"3xx that is final", "HTTP/1.0 301 Moved\r\n\r\n|" + mp3, 9, true, -1, nullptr, 0,
         nullptr},
        {"200 whose body starts like a header", ok200 + "|HTTP/1.0 200 OK\r\n\r\n", 9, true, -1,
         nullptr, 0, nullptr},
    };
    for (SniffCase c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray bytes = c.bytes;
        qsizetype strip = c.strip;
        if (strip < 0) {
            const QByteArray rest = body(bytes);
            strip = bytes.size() - rest.size();
        }
        const SniffResult r = sniffContent(bytes);
        EXPECT_EQ(r.code, c.code);
        EXPECT_EQ(r.searchDecoder, c.search);
        EXPECT_EQ(qsizetype(r.stripLength), strip);
        EXPECT_EQ(r.header, c.keptHeader ? QString::fromLatin1(c.keptHeader) : QString());
        EXPECT_EQ(r.header.isNull(), c.keptHeader == nullptr);
        EXPECT_EQ(r.metaint, c.metaint);
        EXPECT_EQ(r.error, c.error ? QString::fromLatin1(c.error) : QString());
        EXPECT_EQ(r.endOfData, c.code == 2);
    }
}

TEST(ContentSniff, IcyStatusLineKeepsNoLineEnd)
{
    const SniffResult r = sniffContent("ICY 401 Service Unavailable\nicy-notice1: full\n\n");
    EXPECT_EQ(r.code, 7);
    EXPECT_EQ(r.error, QString("ICY 401 Service Unavailable"));
}

TEST(ContentSniff, KeptHeaderIsReadAsUtf8WhenValid)
{
    const SniffResult r =
        sniffContent("ICY 200 OK\r\nicy-name: Z\xc3\xbcrich\r\nicy-metaint: 10\r\n\r\n");
    EXPECT_TRUE(r.header.contains(QString::fromUtf8("Zürich")));
    const SniffResult latin =
        sniffContent("ICY 200 OK\r\nicy-name: Z\xfcrich\r\nicy-metaint: 10\r\n\r\n");
    EXPECT_TRUE(latin.header.contains(QString::fromUtf8("Zürich")));
}

// The whole write path of one stream: bytes as they arrive (header and a
// redirect header included) into the hold buffer, a sniff on a partial
// buffer, the strip, and then more bytes.
TEST(ContentSniff, SniffThenStripGivesCleanAudioAfterARedirect)
{
    const QByteArray audio = testNoise(40000, 5);
    const int metaint = 1000;
    const QByteArray stream =
        icyInterleave(audio, metaint, {{0, "StreamTitle='a';"}, {3, "StreamTitle='b';"}});
    const QByteArray hdr = "HTTP/1.0 200 OK\r\nicy-metaint: 1000\r\n\r\n";
    const QByteArray wire = redirect + hdr + stream;

    HoldBuffer buf;
    buf.resize(65536);
    IcyDeinterleaver d;
    const qsizetype first = redirect.size() + hdr.size() + 2500;
    ASSERT_TRUE(d.append(buf, wire.constData(), size_t(first)));
    const SniffResult r = sniffContent(QByteArrayView(buf.data(), qsizetype(buf.fill())));
    ASSERT_EQ(r.code, 7);
    ASSERT_EQ(r.metaint, metaint);
    d.stripHeader(buf, r.stripLength, r.metaint);
    ASSERT_TRUE(d.append(buf, wire.constData() + first, size_t(wire.size() - first)));
    EXPECT_TRUE(QByteArray(buf.data(), qsizetype(buf.fill())) == audio);
    ASSERT_EQ(d.queue().size(), 2u);
    EXPECT_EQ(d.queue()[0].position, 1000);
    EXPECT_EQ(d.queue()[1].position, 4000);
}
