#include "StationTokenizer.h"

#include "DirectoryText.h"

#include <QByteArray>

#include <string>

namespace {

constexpr qsizetype kElementStart = 9; // "<station "

QByteArrayView view(const std::string &s)
{
    return QByteArrayView(s.data(), qsizetype(s.size()));
}

void assign(ShoutCastStation &station, const std::string &key, const std::string &value)
{
    bool ok = false;
    if (key == "name") {
        station.name = xmlAttributeText(view(value));
    } else if (key == "mt") {
        station.mimeType = xmlAttributeText(view(value));
    } else if (key == "ct") {
        station.currentTrack = xmlAttributeText(view(value));
    } else if (key == "genre") {
        station.genre = xmlAttributeText(view(value));
    } else if (key == "id") {
        const int n = view(value).toInt(&ok, 10);
        station.id = ok ? n : 0;
    } else if (key == "br") {
        const uint n = view(value).toUInt(&ok, 10);
        station.bitrate = ok ? n : 0;
    } else if (key == "lc") {
        const ulong n = view(value).toULong(&ok, 10);
        station.listeners = ok ? n : 0;
    }
}

} // namespace

ShoutCastStation parseStationElement(QByteArrayView element)
{
    ShoutCastStation station;
    // The closing "/>" is not walked: the end of the text ends the last
    // value instead, so that the "/" does not stick to it.
    const bool closed = element.endsWith("/>");
    const QByteArrayView body =
        element.sliced(qMin(kElementStart, element.size()))
            .first(qMax<qsizetype>(0, element.size() - kElementStart - (closed ? 2 : 0)));
    std::string token;
    std::string key;
    bool keyExpected = true;
    bool inQuotes = false;
    auto endValue = [&] {
        if (!keyExpected && !token.empty())
            assign(station, key, token);
        token.clear();
        keyExpected = true;
    };
    for (char c : body) {
        if (c == '=' && keyExpected) {
            key = token;
            for (char &k : key)
                if (k >= 'A' && k <= 'Z')
                    k = char(k - 'A' + 'a');
            token.clear();
            keyExpected = false;
        } else if ((c != '>' && c != ' ') || inQuotes) {
            if (c == '"')
                inQuotes = !inQuotes;
            else
                token += c;
        } else {
            endValue();
        }
    }
    if (closed && !inQuotes)
        endValue();
    return station;
}
