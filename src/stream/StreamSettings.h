#pragma once

#include <QString>
#include <QStringList>

// The engine's settings, as the configuration file and the preferences
// hold them. RadioStream::settings() gives a copy; setSettings() hands the
// values to the parts that use them on their threads.
struct StreamSettings
{
    long connectTimeout = 180; // seconds
    // Requested hold-buffer size; the capacity follows at the next block
    // received.
    unsigned inBufSize = 262144;
    unsigned outBufSize = 0x8000;    // decode chunk
    unsigned recordBufSize = 262144; // 0 is ignored
    QString proxy;                   // host:port
    int proxyType = 0;               // 0 http, 1 socks4, 2 socks4a, 3 socks5
    QString proxyUsername;
    QString proxyPassword;
    QStringList allowedProxyPorts; // empty: every port uses the proxy
    int readInterval = 250;        // ms between read ticks
    int decodeInterval = 100;      // ms between decode passes
    int decodeWait = 0;            // seconds of the initial wait of a remote stream
    bool fillOnEmpty = false;      // an empty hold buffer refills to half first
    bool skipBadFiles = false;
    int soundsVolume = 0; // the event sounds' level
    // The highest bandwidth of an HTTP Live Streaming variant to choose, in
    // kbit/s; 0: no limit.
    int hlsBandwidthLimit = 0;
};
