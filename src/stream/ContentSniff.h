#pragma once

#include <QByteArrayView>
#include <QString>

#include <cstddef>

// Content codes of a sniff, as the read tick acts on them.
enum ContentCode : int {
    ContentNone = 0,          // not sniffed yet, or a decoder search is due
    ContentUrlList = 2,       // header stripped, not kept, body begins with "http://"
    ContentPls = 3,           // "[playlist]", no header end
    ContentPlsWithHeader = 4, // "[playlist]" and a header end
    ContentM3u = 5,           // "#EXTM3U", no header end
    ContentM3uWithHeader = 6, // "#EXTM3U" and a header end
    ContentIcy = 7,           // an ICY error status, or a header was stripped and kept
    ContentDecoder = 8,       // a decoder module accepted the data (set by the engine)
    ContentUnknown = 9,       // nothing recognised yet
};

inline bool isPlaylistCode(int code)
{
    return code >= ContentUrlList && code <= ContentM3uWithHeader;
}

// What the engine is to do after a sniff of its hold buffer.
struct SniffResult
{
    ContentCode code = ContentUnknown;
    // No decoder module chosen yet: run the decoder search on the whole
    // buffer; ContentDecoder when a module accepts, else ContentUnknown.
    bool searchDecoder = false;
    // Bytes to strip from the front of the hold buffer (the reply header and
    // the headers of any redirects before it); 0 = strip nothing. The engine
    // calls IcyDeinterleaver::stripHeader(buf, stripLength, metaint).
    size_t stripLength = 0;
    // The final reply header, kept because it names "icy-url" or
    // "icy-metaint" (null otherwise): becomes the entry's icyHeader.
    QString header;
    // The header's icy-metaint (0 when none or not a number).
    int metaint = 0;
    // An ICY status other than 200: the status line (without its line end)
    // becomes the entry's error. Null otherwise.
    QString error;
    // ContentUrlList: no more data is wanted.
    bool endOfData = false;
};

// Sniffs the first `fill` bytes of the hold buffer, viewed as Latin-1 text
// ending at the first zero byte. Pure: the caller holds the hold-buffer lock
// and applies the result.
//
// Headers of responses that were followed by another response (redirects,
// 100 Continue) are stripped with the final header, so the final one is the
// header that is read. A header is only taken at the very front of the
// buffer and only when it begins with a status line ("HTTP/" or "ICY "), so
// a body without one never loses bytes to a stray blank line. While such a
// header has not fully arrived the result is ContentUnknown without a decoder search.
SniffResult sniffContent(QByteArrayView bytes);

// True for an HTTP Live Streaming playlist: an "#EXTM3U" body with a target
// duration, a media sequence or variant streams. Its entries are media
// segments or variants, not stations.
bool isHlsPlaylist(QByteArrayView body);
