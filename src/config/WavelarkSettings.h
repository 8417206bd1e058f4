#pragma once

#include <QString>

// Every setting the main widget owns, with its start-up default. The stream
// engine holds the rest (StreamSettings). Sizes and intervals carry
// their unit in the comment; colours are QColor names.
struct WavelarkSettings
{
    QString networkProfile;
    bool loadFavorites = true;
    int volume = 45;       // 0-100, handed to the stream at start-up
    int soundsVolume = 45; // 0-100, also held by the stream
    int scanInterval = 15; // seconds
    QString scanSound;
    QString recordDirectory = QStringLiteral("/mmc/mmca1");
    bool recordOneFile = false;
    bool recordPerSong = false; // a file per song, cut at each title change
    int streamRetries = 0;
    QString bufferEmptySound;
    bool bufferEmptySoundLoop = false;
    int bufferEmptySoundInterval = 0; // seconds
    QString streamErrorSound;
    QString retrySound;
    QString repeatSound;
    QString repeatAllSound;
    QString eofSound;
    QString connectingSound;
    bool connectingSoundLoop = false;
    int connectingSoundInterval = 0; // seconds
    int marqueeInterval = 150;       // ms per character
    int marqueeSleepInterval = 1500; // ms at both ends
    bool cyclicPlayList = true;
    bool autoPlay = false;
    bool enableMarquee = true;
    int playListJump = 5; // items
    int shoutCastRetries = 0;
    int shoutCastMaxItems = 0;
    bool playListSingle = true;
    int defaultFontSize = 16; // points
    QString defaultColor = QStringLiteral("#ffffff");
    int headerFontSize = 18;
    QString headerColor = QStringLiteral("#f37e34");
    int tagFontSize = 22;
    QString tagColor = QStringLiteral("#b4e0f6");
    int formatFontSize = 17;
    QString formatColor = QStringLiteral("#eefd8b");
    int statusFontSize = 17;
    QString statusColor = QStringLiteral("#a0b2b3");
};
