#include "PlayListParser.h"

#include "PlayListText.h"

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Case-insensitive ASCII prefix test; `prefix` is lower-case.
bool startsWithKey(const QString &line, QLatin1StringView prefix)
{
    if (line.size() < prefix.size())
        return false;
    for (qsizetype i = 0; i < prefix.size(); ++i) {
        const char16_t c = line[i].unicode();
        const char16_t lower = (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
        if (lower != char16_t(prefix[i].unicode()))
            return false;
    }
    return true;
}

qsizetype skipWhile(const QString &line, qsizetype i, bool (*pred)(QChar))
{
    while (i < line.size() && pred(line[i]))
        ++i;
    return i;
}

bool isSpace(QChar c)
{
    return c == u' ';
}

bool isDigitOrMinus(QChar c)
{
    return isAsciiDigit(c) || c == u'-';
}

// The rest of a line after a match, never null ("Title1=" gives an empty title).
QString restAfter(const QString &line, qsizetype matched)
{
    QString rest = line.mid(matched);
    if (rest.isNull())
        rest = QLatin1String("");
    return rest;
}

// True when simplifying would change nothing: no white space at either end,
// inner white space only as single ' '. Most playlist lines are like that,
// and the test is much cheaper than simplified().
bool isSimplified(const QString &line)
{
    const QChar *text = line.constData();
    const qsizetype n = line.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c > u' ' && c < 0x80)
            continue;
        if (QChar::isSpace(c) && (c != u' ' || i == 0 || i + 1 == n || text[i + 1].isSpace()))
            return false;
    }
    return true;
}

void simplify(QString &line)
{
    if (!isSimplified(line))
        line = std::move(line).simplified();
}

// A blank location is not an entry: nothing could play it.
bool isBlank(const QString &location)
{
    return location.trimmed().isEmpty();
}

void parsePlainList(PlayListLines &lines, std::vector<ParsedEntry> &out)
{
    QString line;
    while (lines.next(line)) {
        simplify(line);
        if (startsWithKey(line, QLatin1StringView("http://")))
            out.push_back({ParsedEntry::Kind::Location, line, QString()});
    }
}

bool findHeader(PlayListLines &lines, QLatin1StringView header)
{
    QString line;
    while (lines.next(line))
        if (line.contains(header))
            return true;
    return false;
}

void parsePls(PlayListLines &lines, std::vector<ParsedEntry> &out)
{
    if (!findHeader(lines, QLatin1StringView("[playlist]")))
        return;
    QString line;
    bool haveLine = lines.next(line);
    while (haveLine) {
        simplify(line);
        const qsizetype file = matchPlsKey(line, QLatin1StringView("file"));
        if (file < 0) {
            haveLine = lines.next(line);
            continue;
        }
        ParsedEntry entry{ParsedEntry::Kind::Entry, restAfter(line, file), QString()};
        bool lengthConsumed = false;
        haveLine = lines.next(line);
        if (haveLine) {
            simplify(line);
            const qsizetype title = matchPlsKey(line, QLatin1StringView("title"));
            if (title >= 0) {
                entry.title = restAfter(line, title);
                haveLine = lines.next(line);
                if (haveLine) {
                    simplify(line);
                    lengthConsumed = matchPlsKey(line, QLatin1StringView("length")) >= 0;
                }
            }
        }
        if (!isBlank(entry.location))
            out.push_back(std::move(entry));
        if (lengthConsumed)
            haveLine = lines.next(line);
    }
}

void parsePlainM3u(PlayListLines &lines, std::vector<ParsedEntry> &out)
{
    lines.rewind();
    QString line;
    while (lines.next(line)) {
        simplify(line);
        // Comments (an "#EXTINF:" without its header among them) are not files.
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        out.push_back({ParsedEntry::Kind::Location, line, QString()});
    }
}

void parseM3u(PlayListLines &lines, std::vector<ParsedEntry> &out)
{
    if (!findHeader(lines, QLatin1StringView("#EXTM3U"))) {
        parsePlainM3u(lines, out);
        return;
    }
    QString line;
    while (lines.next(line)) {
        simplify(line);
        const qsizetype info = matchExtinf(line);
        if (info < 0)
            continue;
        const QString title = restAfter(line, info);
        if (!lines.next(line))
            return;
        if (matchExtinf(isSimplified(line) ? line : line.simplified()) >= 0)
            return;
        if (!isBlank(line))
            out.push_back({ParsedEntry::Kind::Entry, line, title});
    }
}

} // namespace

qsizetype matchPlsKey(const QString &line, QLatin1StringView key)
{
    if (!startsWithKey(line, key))
        return -1;
    qsizetype i = skipWhile(line, key.size(), isAsciiDigit);
    i = skipWhile(line, i, isSpace);
    if (i >= line.size() || line[i] != u'=')
        return -1;
    return skipWhile(line, i + 1, isSpace);
}

qsizetype matchExtinf(const QString &line)
{
    const QLatin1StringView key("#extinf:");
    if (!startsWithKey(line, key))
        return -1;
    const qsizetype i = skipWhile(line, key.size(), isDigitOrMinus);
    if (i >= line.size() || line[i] != u',')
        return -1;
    return i + 1;
}

std::vector<ParsedEntry> parsePlayList(QByteArrayView text, PlayListFormat format)
{
    std::vector<ParsedEntry> out;
    PlayListLines lines(text);
    switch (format) {
    case PlayListFormat::PlainList: parsePlainList(lines, out); break;
    case PlayListFormat::Pls: parsePls(lines, out); break;
    case PlayListFormat::M3u: parseM3u(lines, out); break;
    }
    return out;
}
