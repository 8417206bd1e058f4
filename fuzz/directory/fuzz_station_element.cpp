// The station element tokenizer on arbitrary bytes. What it reads, written
// back as a well-formed element, reads back the same.
#include "FuzzPieces.h"
#include "StationTokenizer.h"

#include <QList>

namespace {

// A quoted value that reads back as `text`: ASCII as it is (but '&' and '"'),
// everything else as numeric references.
QByteArray quoted(const QString &text)
{
    QByteArray out = "\"";
    for (const uint c : text.toUcs4()) {
        if (c == '&')
            out += "&amp;";
        else if (c == '"')
            out += "&quot;";
        else if (c < 0x80)
            out += char(c);
        else
            out += "&#x" + QByteArray::number(uint(c), 16) + ';';
    }
    return out + '"';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray element("<station ");
    element.append(reinterpret_cast<const char *>(data), qsizetype(size));
    const ShoutCastStation s = parseStationElement(element);
    (void)parseStationElement(
        QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));

    const QByteArray again = "<station name=" + quoted(s.name) + " mt=" + quoted(s.mimeType) +
                             " id=\"" + QByteArray::number(s.id) + "\" br=\"" +
                             QByteArray::number(s.bitrate) + "\" genre=" + quoted(s.genre) +
                             " ct=" + quoted(s.currentTrack) + " lc=\"" +
                             QByteArray::number(qulonglong(s.listeners)) + "\"/>";
    const ShoutCastStation t = parseStationElement(again);
    FUZZ_CHECK(t.name == s.name && t.mimeType == s.mimeType && t.genre == s.genre &&
               t.currentTrack == s.currentTrack && t.id == s.id && t.bitrate == s.bitrate &&
               t.listeners == s.listeners);
    return 0;
}
