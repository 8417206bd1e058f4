#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <mutex>

struct AudioOps;

// The stream engine. One exists per process, created by the main widget.
//
// Lock order (never taken against it):
//   playListMutex, holdBufferMutex, decoderMutex, fetchMutex, recordMutex, audioMutex.
// No thread waits for another thread while holding a lock that the other takes.
class RadioStream : public QObject
{
    Q_OBJECT

public:
    // receiver gets the engine's custom events; ops is shared, not owned;
    // verbosity is handed to libcurl and to each decoder module's init.
    RadioStream(QObject *receiver, AudioOps *ops, int verbosity);
    ~RadioStream() override;

    // Settings. Called on the GUI thread unless noted.

    void setConnectTimeout(long seconds) { connectTimeout_ = seconds; }
    long connectTimeout() const { return connectTimeout_; }

    // Requested hold-buffer size in bytes; takes effect at the next append.
    void setInBufSize(unsigned bytes);
    // The capacity in use while the read thread runs, else the requested size.
    unsigned inBufSize() const;

    // Decode chunk size in bytes; taken under the decoder lock.
    void setOutBufSize(unsigned bytes);
    unsigned outBufSize() const;

    // Record buffer size in bytes; 0 is ignored. Taken under the record lock.
    void setRecordBufSize(unsigned bytes);
    unsigned recordBufSize() const;

    void setReadInterval(int ms) { readInterval_ = ms; }
    int readInterval() const { return readInterval_; }
    void setDecodeInterval(int ms) { decodeInterval_ = ms; }
    int decodeInterval() const { return decodeInterval_; }
    void setDecodeWait(int seconds) { decodeWait_ = seconds; }
    int decodeWait() const { return decodeWait_; }
    void setFillOnEmpty(bool on);
    bool fillOnEmpty() const { return fillOnEmpty_; }
    void setSkipBadFiles(bool on) { skipBadFiles_ = on; }
    bool skipBadFiles() const { return skipBadFiles_; }

    void setProxy(const QString &hostPort) { proxy_ = hostPort; }
    QString proxy() const { return proxy_; }
    // 0 http, 1 socks4, 2 socks4a, 3 socks5.
    void setProxyType(int type) { proxyType_ = type; }
    int proxyType() const { return proxyType_; }
    void setProxyUsername(const QString &name) { proxyUsername_ = name; }
    QString proxyUsername() const { return proxyUsername_; }
    void setProxyPassword(const QString &password) { proxyPassword_ = password; }
    QString proxyPassword() const { return proxyPassword_; }
    // Empty: every port uses the proxy.
    void setAllowedProxyPorts(const QStringList &ports) { allowedProxyPorts_ = ports; }
    QStringList allowedProxyPorts() const { return allowedProxyPorts_; }

    // Read by the event-sound player's thread.
    void setSoundsVolume(int level) { soundsVolume_ = level; }
    int soundsVolume() const { return soundsVolume_; }

    int verbosity() const { return verbosity_; }

private:
    QObject *receiver_;
    AudioOps *audioOps_;
    const int verbosity_;

    // Locks, in their order.
    std::recursive_mutex playListMutex_;
    mutable std::mutex holdBufferMutex_;
    mutable std::recursive_mutex decoderMutex_;
    std::recursive_mutex fetchMutex_;
    mutable std::mutex recordMutex_;
    std::recursive_mutex audioMutex_;

    long connectTimeout_ = 180;                // GUI thread
    unsigned requestedInBufSize_ = 262144;     // holdBufferMutex_
    unsigned inBufCapacity_ = 262144;          // holdBufferMutex_
    std::atomic<bool> readThreadRunning_{false};
    unsigned outBufSize_ = 0x8000;             // decoderMutex_
    unsigned recordBufSize_ = 262144;          // recordMutex_
    std::atomic<int> readInterval_{250};
    std::atomic<int> decodeInterval_{100};
    std::atomic<int> decodeWait_{0};
    std::atomic<bool> fillOnEmpty_{false};
    std::atomic<bool> skipBadFiles_{false};
    std::atomic<bool> buffering_{false};
    QString proxy_;                            // GUI thread
    int proxyType_ = 0;
    QString proxyUsername_;
    QString proxyPassword_;
    QStringList allowedProxyPorts_;
    std::atomic<int> soundsVolume_{0};
};
