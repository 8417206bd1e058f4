#include "DirectoryText.h"

#include "TextCodec.h"

namespace {

// The longest reference decoded: "&#x10FFFF;" and "&#1114111;" fit.
constexpr qsizetype kMaxReference = 10;

int digitValue(QChar c, int base)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (base == 16 && u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (base == 16 && u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// The code point of "#NNN" or "#xHHH" (the text between '&' and ';'), or 0.
char32_t numericReference(QStringView body)
{
    if (body.size() < 2 || body[0] != u'#')
        return 0;
    const int base = body[1] == u'x' || body[1] == u'X' ? 16 : 10;
    const QStringView digits = body.mid(base == 16 ? 2 : 1);
    if (digits.isEmpty())
        return 0;
    char32_t value = 0;
    for (QChar c : digits) {
        const int d = digitValue(c, base);
        if (d < 0)
            return 0;
        value = value * char32_t(base) + char32_t(d);
        if (value > 0x10FFFF)
            return 0;
    }
    if (value >= 0xD800 && value <= 0xDFFF)
        return 0;
    return value;
}

// The text a reference stands for (its body between '&' and ';'), or null.
QString referenceText(QStringView body)
{
    if (body == u"amp")
        return QStringLiteral("&");
    if (body == u"lt")
        return QStringLiteral("<");
    if (body == u"gt")
        return QStringLiteral(">");
    if (body == u"quot")
        return QStringLiteral("\"");
    if (body == u"apos")
        return QStringLiteral("'");
    const char32_t cp = numericReference(body);
    if (cp == 0)
        return {};
    return QString::fromUcs4(&cp, 1);
}

} // namespace

QString decodeXmlEntities(const QString &text)
{
    qsizetype amp = text.indexOf(u'&');
    if (amp < 0)
        return text;
    QString out;
    out.reserve(text.size());
    qsizetype done = 0;
    for (; amp >= 0; amp = text.indexOf(u'&', amp + 1)) {
        // Only a short stretch is searched for the ';', so that text full of
        // '&' stays linear.
        const QStringView window = QStringView(text).mid(amp + 1, kMaxReference + 1);
        const qsizetype semi = window.indexOf(u';');
        if (semi < 0)
            continue;
        const QString replacement = referenceText(window.first(semi));
        if (replacement.isNull())
            continue;
        out += QStringView(text).mid(done, amp - done);
        out += replacement;
        done = amp + 1 + semi + 1;
        amp = done - 1;
    }
    out += QStringView(text).mid(done);
    return out;
}

QString xmlAttributeText(QByteArrayView bytes)
{
    const QString text =
        wavelark::isAscii(bytes) ? QString::fromLatin1(bytes) : wavelark::decodeUtf8OrLatin1(bytes);
    return decodeXmlEntities(text);
}

QString codecName(const QString &mimeType)
{
    const QString type = mimeType.trimmed().toLower();
    const QString base = type.section(QLatin1Char(';'), 0, 0).trimmed();
    if (base == u"audio/mpeg" || base == u"audio/mp3" || base == u"audio/mpeg3")
        return QStringLiteral("MP3");
    if (base == u"audio/aac" || base == u"audio/aacp" || base == u"audio/x-aac" ||
        base == u"audio/mp4")
        return QStringLiteral("AAC");
    if (type.contains(u"opus"))
        return QStringLiteral("Opus");
    if (base == u"application/ogg" || base == u"audio/ogg" || base == u"audio/x-ogg")
        return QStringLiteral("Ogg");
    if (base == u"audio/flac" || base == u"audio/x-flac")
        return QStringLiteral("FLAC");
    if (base == u"application/vnd.apple.mpegurl" || base == u"application/x-mpegurl" ||
        base == u"audio/mpegurl" || base == u"audio/x-mpegurl")
        return QStringLiteral("HLS");
    return {};
}
