#include "IcyTags.h"

#include "PlayListItem.h"
#include "PlayListText.h"

#include <QStringList>

#include <cstdio>

void icyStderrLine(const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
}

QString icyText(QByteArrayView bytes)
{
    return decodePlayListLine(bytes);
}

namespace {

bool isKeyChar(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
           c == u'_' || c == u'-';
}

// Length of the key when a Key=' begins at i, else 0.
qsizetype keyAt(const QString &t, qsizetype i)
{
    qsizetype k = i;
    while (k < t.size() && isKeyChar(t[k]))
        ++k;
    if (k == i || k + 1 >= t.size() || t[k] != u'=' || t[k + 1] != u'\'')
        return 0;
    return k - i;
}

bool blankFrom(const QString &t, qsizetype i)
{
    for (; i < t.size(); ++i)
        if (!t[i].isSpace())
            return false;
    return true;
}

IcyPair makePair(const QString &key, const QString &value)
{
    return {key, value, key + QStringLiteral("='") + value + u'\''};
}

// The Key='value'; reading; false when the text is not made of such pairs.
bool splitPairs(const QString &t, QList<IcyPair> &out)
{
    qsizetype i = 0;
    while (!blankFrom(t, i)) {
        const qsizetype k = keyAt(t, i);
        if (k == 0)
            return false;
        const QString key = t.mid(i, k);
        const qsizetype start = i + k + 2;
        qsizetype j = start;
        for (;;) {
            j = t.indexOf(QStringLiteral("';"), j);
            if (j < 0) {
                // The last pair may lack its ';'.
                const QString rest = t.mid(start).trimmed();
                if (!rest.endsWith(u'\''))
                    return false;
                out.append(makePair(key, rest.chopped(1)));
                return true;
            }
            if (blankFrom(t, j + 2) || keyAt(t, j + 2) > 0)
                break;
            ++j;
        }
        out.append(makePair(key, t.mid(start, j - start)));
        i = j + 2;
    }
    return !out.isEmpty();
}

QList<IcyPair> splitAtSemicolons(const QString &t)
{
    QList<IcyPair> out;
    const QStringList parts = t.split(u';', Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        IcyPair pair{QString(), QString(), part};
        for (const char *key : {"StreamTitle", "StreamUrl"}) {
            const QString marker = key + QStringLiteral("='");
            const qsizetype at = part.indexOf(marker);
            if (at >= 0) {
                pair.key = key;
                pair.value = part.mid(at + marker.size());
                if (!pair.value.isEmpty())
                    pair.value.chop(1);
                break;
            }
        }
        out.append(pair);
    }
    return out;
}

// Reads "icy-metaint" values: a non-negative decimal, 0 when not a number.
std::optional<int> metaintValue(const QString &value)
{
    bool ok = false;
    const int n = value.trimmed().toInt(&ok, 10);
    if (!ok || n < 0)
        return std::nullopt;
    return n;
}

} // namespace

QList<IcyPair> splitIcyMeta(const QString &meta)
{
    QList<IcyPair> pairs;
    if (splitPairs(meta, pairs))
        return pairs;
    return splitAtSemicolons(meta);
}

std::optional<int> icyHeaderMetaint(const QString &header)
{
    const QStringList lines = header.split(u'\n');
    for (const QString &raw : lines) {
        const QString line = raw.simplified();
        if (line.startsWith(QLatin1String("icy-metaint:"), Qt::CaseInsensitive))
            return metaintValue(line.mid(12)).value_or(0);
    }
    return std::nullopt;
}

namespace {

// A title or name from the server is one line of the display and of the
// diagnostics: C0 controls and DEL become blanks.
QString blankControls(QString text)
{
    for (QChar &c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = u' ';
    return text;
}

bool parseMeta(PlayListItem &item, const IcyLineSink &sink)
{
    bool found = false;
    for (const IcyPair &pair : splitIcyMeta(item.icyMeta)) {
        sink(QStringLiteral("ICY HEADER: ") + blankControls(pair.line));
        if (pair.key == QLatin1String("StreamTitle")) {
            if (!pair.value.isEmpty()) {
                item.title = blankControls(pair.value);
                found = true;
            }
        } else if (pair.key == QLatin1String("StreamUrl")) {
            item.icyUrl = blankControls(pair.value);
            found = true;
        }
    }
    return found;
}

bool parseHeader(PlayListItem &item, std::optional<int> &metaint, const IcyLineSink &sink)
{
    bool found = false;
    const QStringList lines = item.icyHeader.split(u'\n');
    for (const QString &raw : lines) {
        const QString line = blankControls(raw).simplified();
        auto has = [&line](const char *key) {
            return line.startsWith(QLatin1String(key), Qt::CaseInsensitive);
        };
        if (has("icy-url:")) {
            item.icyUrl = line.mid(8);
        } else if (has("icy-genre:")) {
            item.genre = line.mid(10);
        } else if (has("icy-name:")) {
            item.title = line.mid(9);
            item.streamTitle = item.title;
        } else if (has("icy-metaint:")) {
            metaint = metaintValue(line.mid(12));
            if (metaint)
                sink(QStringLiteral("ICY-METAINT: ") + QString::number(*metaint));
            else
                metaint = 0;
        } else {
            continue;
        }
        found = true;
    }
    return found;
}

void writeTagLines(const PlayListItem &item, const IcyLineSink &sink)
{
    const std::pair<const char *, const QString *> tags[] = {
        {"TITLE: ", &item.title}, {"ARTIST: ", &item.artist}, {"ALBUM: ", &item.album},
        {"GENRE: ", &item.genre}, {"URL: ", &item.url},       {"ICYURL: ", &item.icyUrl},
    };
    for (const auto &[prefix, value] : tags)
        if (!value->isNull())
            sink(QLatin1String(prefix) + *value);
}

} // namespace

IcyParseResult parseIcyTags(PlayListItem &item, const IcyLineSink &sink)
{
    IcyParseResult result;
    if (!item.icyMeta.isNull()) {
        result.found = parseMeta(item, sink);
        item.icyMeta = QString();
    }
    if (!item.icyHeader.isNull()) {
        if (parseHeader(item, result.metaint, sink))
            result.found = true;
        item.icyHeader = QString();
    }
    if (result.found)
        writeTagLines(item, sink);
    return result;
}

QString icyStreamTitle(QByteArrayView text)
{
    for (const IcyPair &pair : splitIcyMeta(icyText(text)))
        if (pair.key == u"StreamTitle")
            return pair.value.trimmed();
    return {};
}
