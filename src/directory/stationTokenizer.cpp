#include "stationTokenizer.h"

#include "directoryText.h"

#include <QByteArray>

namespace {

constexpr qsizetype kElementStart = 9; // "<station "

void assign(ShoutCastStation &station, const QByteArray &key, const QByteArray &value)
{
    bool ok = false;
    if (key == "name") {
        station.name = xmlAttributeText(value);
    } else if (key == "mt") {
        station.mimeType = xmlAttributeText(value);
    } else if (key == "ct") {
        station.currentTrack = xmlAttributeText(value);
    } else if (key == "genre") {
        station.genre = xmlAttributeText(value);
    } else if (key == "id") {
        const int n = value.toInt(&ok, 10);
        station.id = ok ? n : 0;
    } else if (key == "br") {
        const uint n = value.toUInt(&ok, 10);
        station.bitrate = ok ? n : 0;
    } else if (key == "lc") {
        const ulong n = value.toULong(&ok, 10);
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
    QByteArray token;
    QByteArray key;
    bool keyExpected = true;
    bool inQuotes = false;
    auto endValue = [&] {
        if (!keyExpected && !token.isEmpty())
            assign(station, key, token);
        token.clear();
        keyExpected = true;
    };
    for (char c : body) {
        if (c == '=' && keyExpected) {
            key = token.toLower();
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
