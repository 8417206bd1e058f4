#pragma once

#include <QByteArrayView>
#include <QString>

// Attribute values of the directory's XML: the bytes are taken as UTF-8 when
// they are valid UTF-8, else as Latin-1 (which keeps every byte), and the
// five predefined entities and numeric character references are decoded,
// so that "Rock &amp; Roll" reads "Rock & Roll".
QString xmlAttributeText(QByteArrayView bytes);

// Decodes &amp; &lt; &gt; &quot; &apos;, &#NNN; and &#xHHH;. A reference
// that is not one of these, or names no character (0, a surrogate, beyond
// U+10FFFF), is left as written.
QString decodeXmlEntities(const QString &text);

// What a listener calls a station's content type: "MP3", "AAC", "Ogg",
// "Opus", "FLAC" or "HLS"; empty for a type not known here.
QString codecName(const QString &mimeType);
