#include "ContentSniff.h"

#include "IcyTags.h"

#include <algorithm>
#include <cstring>

namespace {

char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// Case-insensitive search of an ASCII needle; -1 when absent.
qsizetype findNoCase(QByteArrayView text, QByteArrayView needle)
{
    const auto it = std::search(text.begin(), text.end(), needle.begin(), needle.end(),
                                [](char a, char b) { return lower(a) == lower(b); });
    return it == text.end() && !needle.empty() ? -1 : qsizetype(it - text.begin());
}

bool startsNoCase(QByteArrayView text, QByteArrayView prefix)
{
    return text.size() >= prefix.size() && findNoCase(text.first(prefix.size()), prefix) == 0;
}

bool isStatusLine(QByteArrayView text)
{
    return startsNoCase(text, "HTTP/") || text.startsWith("ICY ");
}

// True when text may still grow into a status line.
bool mayBecomeStatusLine(QByteArrayView text)
{
    const QByteArrayView http("HTTP/"), icy("ICY ");
    if (text.size() < http.size() && startsNoCase(http, text))
        return true;
    return text.size() < icy.size() && icy.startsWith(text);
}

// The status code of an "HTTP/x.y NNN" line; -1 when it has none.
int httpStatus(QByteArrayView header)
{
    qsizetype i = header.indexOf(' ');
    if (i < 0)
        return -1;
    int code = 0, digits = 0;
    for (++i; i < header.size() && header[i] >= '0' && header[i] <= '9' && digits < 3;
         ++i, ++digits)
        code = code * 10 + (header[i] - '0');
    return digits == 3 ? code : -1;
}

// An answer that another answer follows: 1xx, or a redirect that was followed.
bool isInterim(QByteArrayView header)
{
    if (!startsNoCase(header, "HTTP/"))
        return false;
    const int status = httpStatus(header);
    return (status >= 100 && status < 200) || (status >= 300 && status < 400);
}

struct HeaderScan
{
    qsizetype start = 0;   // where the final header begins
    qsizetype length = -1; // its length including "\r\n\r\n"; -1 when incomplete
    bool present = false;  // the text at start begins with a status line
};

// Skips the headers of interim answers at the front of text.
HeaderScan scanHeaders(QByteArrayView text)
{
    HeaderScan scan;
    for (;;) {
        const QByteArrayView rest = text.sliced(scan.start);
        scan.present = isStatusLine(rest);
        if (!scan.present)
            return scan;
        const qsizetype end = rest.indexOf("\r\n\r\n");
        if (end < 0)
            return scan;
        const QByteArrayView header = rest.first(end + 4);
        const QByteArrayView after = rest.sliced(end + 4);
        if (isInterim(header)) {
            if (isStatusLine(after)) {
                scan.start += header.size();
                continue;
            }
            if (mayBecomeStatusLine(after))
                return scan; // the next answer has not arrived yet
        }
        scan.length = header.size();
        return scan;
    }
}

// "ICY [0-9]* .*\n" at the front of text: the status line, or empty.
QByteArrayView icyStatusLine(QByteArrayView text, bool *ok200)
{
    if (!text.startsWith("ICY "))
        return {};
    qsizetype i = 4;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9')
        ++i;
    const QByteArrayView digits = text.sliced(4, i - 4);
    if (i >= text.size() || text[i] != ' ')
        return {};
    const qsizetype nl = text.indexOf('\n', i);
    if (nl < 0)
        return {};
    *ok200 = digits == "200";
    QByteArrayView line = text.first(nl);
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

} // namespace

SniffResult sniffContent(QByteArrayView bytes)
{
    SniffResult r;
    const void *zero = std::memchr(bytes.data(), 0, size_t(bytes.size()));
    const QByteArrayView text =
        zero ? bytes.first(static_cast<const char *>(zero) - bytes.data()) : bytes;

    const bool headerEnd = text.indexOf("\r\n\r\n") >= 0;
    if (findNoCase(text, "#EXTM3U") >= 0) {
        r.code = headerEnd ? ContentM3uWithHeader : ContentM3u;
        return r;
    }
    if (findNoCase(text, "[playlist]") >= 0) {
        r.code = headerEnd ? ContentPlsWithHeader : ContentPls;
        return r;
    }

    const HeaderScan scan = scanHeaders(text);
    const QByteArrayView reply = text.sliced(scan.start);
    bool ok200 = false;
    const QByteArrayView status = icyStatusLine(reply, &ok200);
    if (!status.isEmpty() && !ok200) {
        r.code = ContentIcy;
        r.error = QString::fromLatin1(status);
        return r;
    }
    if (scan.present && scan.length < 0)
        return r; // a reply header is still arriving
    if (scan.length >= 0) {
        const QByteArrayView header = reply.first(scan.length);
        r.stripLength = size_t(scan.start + scan.length);
        if (findNoCase(header, "icy-url") >= 0 || findNoCase(header, "icy-metaint") >= 0) {
            r.header = icyText(header);
            r.metaint = icyHeaderMetaint(r.header).value_or(0);
            r.code = ContentIcy;
            return r;
        }
        if (startsNoCase(reply.sliced(scan.length), "http://")) {
            r.endOfData = true;
            r.code = ContentUrlList;
            return r;
        }
    }
    r.searchDecoder = true;
    return r;
}

bool isHlsPlaylist(QByteArrayView body)
{
    const qsizetype start = body.indexOf(QByteArrayView("#EXTM3U"));
    if (start < 0)
        return false;
    for (const char *tag : {"#EXT-X-TARGETDURATION", "#EXT-X-MEDIA-SEQUENCE", "#EXT-X-STREAM-INF"})
        if (body.indexOf(QByteArrayView(tag), start) >= 0)
            return true;
    return false;
}
