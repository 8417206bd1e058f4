#include "RadioBrowserJson.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QSet>
#include <QUrl>
#include <QUuid>

#include <cmath>
#include <limits>
#include <optional>

namespace radiobrowser {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("ShoutCast", text);
}

bool looksLikeMarkup(QByteArrayView body)
{
    const QByteArrayView trimmed = body.trimmed();
    return !trimmed.isEmpty() && trimmed.front() == '<';
}

// A body cut off leaves an array, object or string open: Qt's error codes
// do not tell that apart from a document that is wrong where it stops.
bool endsOpen(QByteArrayView body)
{
    qsizetype depth = 0;
    bool inString = false;
    bool escaped = false;
    for (const char c : body) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            ++depth;
        } else if ((c == ']' || c == '}') && --depth < 0) {
            return false;
        }
    }
    return inString || depth > 0;
}

std::optional<QJsonArray> readArray(QByteArrayView body, QString &error)
{
    if (looksLikeMarkup(body)) {
        error = tr("The answer is a web page, not the directory's data.");
        return std::nullopt;
    }
    QJsonParseError e;
    const QJsonDocument doc = QJsonDocument::fromJson(body.toByteArray(), &e);
    if (e.error != QJsonParseError::NoError) {
        error = body.trimmed().isEmpty() ? tr("The answer is empty.")
                : endsOpen(body)         ? tr("The answer was cut off.")
                                         : tr("The answer is not valid data (%1 at byte %2).")
                                       .arg(e.errorString())
                                       .arg(e.offset);
        return std::nullopt;
    }
    if (!doc.isArray()) {
        error = tr("The answer is not a list.");
        return std::nullopt;
    }
    return doc.array();
}

QString text(const QJsonObject &o, QLatin1StringView key)
{
    return o.value(key).toString().simplified();
}

// A count as a number or as decimal text; anything else, negative or too
// large is 0.
template <typename T>
T count(const QJsonObject &o, QLatin1StringView key)
{
    const QJsonValue v = o.value(key);
    double d = 0;
    if (v.isDouble()) {
        d = v.toDouble();
    } else if (v.isString()) {
        bool ok = false;
        d = v.toString().trimmed().toDouble(&ok);
        if (!ok)
            return 0;
    }
    if (!std::isfinite(d) || d < 0 || d > double(std::numeric_limits<T>::max()))
        return 0;
    return T(d);
}

// http or https with a host: nothing else is played from the directory (a
// file: address in a list must not open a local file).
bool isStreamAddress(const QString &address)
{
    const QUrl url(address, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == u"http" || scheme == u"https") && !url.host().isEmpty();
}

QString genreText(const QString &tags)
{
    QStringList words = tags.split(u',', Qt::SkipEmptyParts);
    for (QString &w : words)
        w = w.trimmed();
    words.removeAll(QString());
    return words.join(QStringLiteral(", "));
}

std::optional<ShoutCastStation> station(const QJsonObject &o)
{
    QString address = o.value(QLatin1StringView("url_resolved")).toString().trimmed();
    if (!isStreamAddress(address))
        address = o.value(QLatin1StringView("url")).toString().trimmed();
    if (!isStreamAddress(address))
        return std::nullopt;
    ShoutCastStation s;
    s.url = address;
    s.name = text(o, QLatin1StringView("name"));
    if (s.name.isEmpty())
        s.name = address;
    s.genre = genreText(text(o, QLatin1StringView("tags")));
    // An HTTP Live Streaming station's codec is that of its segments; its
    // address is a playlist, which the type says.
    s.mimeType = o.value(QLatin1StringView("hls")).toInt() == 1
                     ? QStringLiteral("application/vnd.apple.mpegurl")
                     : codecMimeType(text(o, QLatin1StringView("codec")));
    s.bitrate = count<quint32>(o, QLatin1StringView("bitrate"));
    s.listeners = count<unsigned long>(o, QLatin1StringView("clickcount"));
    const QUuid uuid = QUuid::fromString(text(o, QLatin1StringView("stationuuid")));
    if (!uuid.isNull())
        s.uuid = uuid.toString(QUuid::WithoutBraces);
    return s;
}

} // namespace

bool BodyCollector::append(QByteArrayView piece)
{
    if (overflowed_)
        return false;
    if (piece.size() > cap_ - body_.size()) {
        overflowed_ = true;
        body_ = QByteArray();
        return false;
    }
    body_.append(piece);
    return true;
}

QString BodyCollector::overflowText() const
{
    return tr("The answer is larger than %1 bytes.").arg(cap_);
}

QString codecMimeType(const QString &codec)
{
    const QString c = codec.trimmed().toUpper();
    if (c == u"MP3")
        return QStringLiteral("audio/mpeg");
    if (c == u"AAC")
        return QStringLiteral("audio/aac");
    if (c == u"AAC+" || c == u"AACP" || c == u"HE-AAC")
        return QStringLiteral("audio/aacp");
    if (c == u"OGG" || c == u"VORBIS")
        return QStringLiteral("application/ogg");
    if (c == u"OPUS")
        return QStringLiteral("audio/ogg; codecs=opus");
    if (c == u"FLAC")
        return QStringLiteral("audio/flac");
    return {};
}

bool readTags(QByteArrayView body, QStringList &names, QString &error)
{
    const std::optional<QJsonArray> array = readArray(body, error);
    if (!array)
        return false;
    QSet<QString> seen;
    for (const QJsonValue &v : *array) {
        const QString name = text(v.toObject(), QLatin1StringView("name"));
        if (name.isEmpty() || seen.contains(name))
            continue;
        seen.insert(name);
        names.append(name);
    }
    return true;
}

bool readStations(QByteArrayView body, QList<ShoutCastStation> &stations, QString &error)
{
    const std::optional<QJsonArray> array = readArray(body, error);
    if (!array)
        return false;
    QSet<QString> seenUrls;
    QSet<QString> seenIds;
    for (const QJsonValue &v : *array) {
        std::optional<ShoutCastStation> s = station(v.toObject());
        if (!s || seenUrls.contains(s->url) || (!s->uuid.isEmpty() && seenIds.contains(s->uuid)))
            continue;
        seenUrls.insert(s->url);
        if (!s->uuid.isEmpty())
            seenIds.insert(s->uuid);
        stations.append(std::move(*s));
    }
    return true;
}

} // namespace radiobrowser
