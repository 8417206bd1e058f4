#include "EngineFixture.h"
#include "WaitUntil.h"

#include "EventHandOff.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

int EventRecorder::count(int type) const
{
    return int(std::count(types.begin(), types.end(), type));
}

void EventRecorder::customEvent(QEvent *event)
{
    wavelark::takeOverEvent(event);
    types.push_back(event->type());
    if (int(event->type()) == StreamPlaylistEvent)
        playlists.push_back(static_cast<StreamPlaylistEventData *>(event)->takePlaylist());
}

QByteArray TestStream::bytes() const
{
    QByteArray out("WLTEST01");
    for (uint32_t v :
         {acceptAfter, rate, channels, frameBytes, failFeedAt, failDecodeAt, changeAt, rate2})
        for (int i = 0; i < 4; ++i)
            out += char((v >> (8 * i)) & 0xff);
    return out + pcm;
}

EngineFixture::EngineFixture()
{
    QDir().mkpath(home.file(".wavelark/plugins"));
    backend = std::make_unique<wavelark::WavBackend>(wavPath().toStdString());
    wavelark::fillAudioOps(ops, *backend);
    stream = std::make_unique<RadioStream>(&receiver, &ops, 0);
    changeSetting(*stream, &StreamSettings::decodeInterval, 1);
    changeSetting(*stream, &StreamSettings::readInterval, 10);
    stream->setVolume(100);
}

EngineFixture::~EngineFixture()
{
    if (!stream)
        return;
    // The engine never frees the playlist in use.
    RadioPlayList *list = stream->playlist();
    stream.reset();
    delete list;
}

void EngineFixture::installModule(const char *builtPath, const QString &name)
{
    QFile::copy(QString::fromLocal8Bit(builtPath), home.file(".wavelark/plugins/" + name));
}

QString EngineFixture::writeFile(const QString &name, const QByteArray &bytes)
{
    return home.write(name, bytes);
}

void EngineFixture::usePlaylist(const QStringList &paths)
{
    auto *list = new RadioPlayList;
    for (const QString &p : paths)
        list->add(p.startsWith("file://") || p.contains("://") ? p : "file://" + p, QString());
    stream->setPlaylist(list, true);
}

bool EngineFixture::waitUntil(const std::function<bool()> &done, int ms)
{
    return processEventsUntil(done, ms);
}

bool EngineFixture::waitForEvent(int type, int count, int ms)
{
    return waitUntil([&] { return receiver.count(type) >= count; }, ms);
}

QByteArray EngineFixture::pcm(int n, int seed)
{
    QByteArray out(n, 0);
    uint32_t x = uint32_t(seed) * 2654435761u + 1;
    for (int i = 0; i < n; ++i) {
        x = x * 1664525u + 1013904223u;
        out[i] = char(x >> 24);
    }
    return out;
}

QByteArray wavData(const QString &path)
{
    return readAllBytes(path).mid(44);
}
