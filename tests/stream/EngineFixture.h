#pragma once

#include "AudioOps.h"
#include "StderrCapture.h"
#include "TempHome.h"
#include "WavBackend.h"
#include "stream.h"

#include <QObject>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

// Records the engine's events in the order they arrive (GUI thread).
class EventRecorder : public QObject
{
public:
    std::vector<int> types;
    std::vector<std::unique_ptr<RadioPlayList>> playlists;
    int count(int type) const;

protected:
    void customEvent(QEvent *event) override;
};

// The parameters the test module reads from its data's header.
struct TestStream
{
    uint32_t acceptAfter = 40;
    uint32_t rate = 44100;
    uint32_t channels = 2;
    uint32_t frameBytes = 4096;
    uint32_t failFeedAt = 0;
    uint32_t failDecodeAt = 0;
    uint32_t changeAt = 0;
    uint32_t rate2 = 22050;
    QByteArray pcm;

    QByteArray bytes() const;
};

// An engine with a private home (its plug-in folder), a WAV-file device and
// an event recorder.
class EngineFixture : public ::testing::Test
{
protected:
    EngineFixture();
    ~EngineFixture() override;

    // Copies a module into ~/.wavelark/plugins under `name`.
    void installModule(const char *builtPath, const QString &name);
    QString writeFile(const QString &name, const QByteArray &bytes);
    // A playlist of "file://" entries for the paths, installed as active.
    void usePlaylist(const QStringList &paths);
    // Processes events until `done` holds or the deadline passes.
    bool waitUntil(const std::function<bool()> &done, int ms = 20000);
    bool waitForEvent(int type, int count = 1, int ms = 20000);
    QString wavPath() const { return home.file("out.wav"); }
    // Deterministic PCM of n bytes.
    static QByteArray pcm(int n, int seed = 1);

    TempHome home;
    std::unique_ptr<wavelark::WavBackend> backend;
    AudioOps ops;
    EventRecorder receiver;
    std::unique_ptr<RadioStream> stream;
};

// The data bytes of a WAV file (after the 44-byte header).
QByteArray wavData(const QString &path);
