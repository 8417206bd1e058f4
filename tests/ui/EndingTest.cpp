// Every way of ending the player closes a running recording with all the
// bytes it was given.
#include "DesktopSession.h"
#include "SoftKeyBar.h"
#include "TerminationSignal.h"
#include "TestHttpServer.h"
#include "UiTestSupport.h"
#include "WavelarkIndicators.h"
#include "stream.h"

#include <QDir>
#include <QGuiApplication>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <unistd.h>

namespace {

using Reply = TestHttpServer::Reply;

struct Ending
{
    const char *name;
    std::function<void(Wavelark &)> end;
};

TEST(Ending, EveryWayOfEndingClosesTheRecordingWithAllItsBytes)
{
    const std::vector<Ending> endings = {
        {"right soft key",
         [](Wavelark &w) { QTest::mouseClick(w.softKeyBar()->rightButton(), Qt::LeftButton); }},
        {"quit binding", [](Wavelark &w) { w.slotQuit(); }},
        {"window closed", [](Wavelark &w) { w.close(); }},
        {"session ends",
         [](Wavelark &w) {
             auto *session = w.findChild<DesktopSession *>();
             ASSERT_NE(session, nullptr);
             // It listens to the session manager's request, which only a
             // session manager can make; what it passes on is the same.
             EXPECT_TRUE(
                 QObject::disconnect(qApp, &QGuiApplication::commitDataRequest, session, nullptr));
             emit session->shutdown();
         }},
        {"SIGTERM",
         [](Wavelark &w) {
             auto *signal = w.findChild<TerminationSignal *>();
             ASSERT_TRUE(signal && signal->isInstalled());
             ::kill(::getpid(), SIGTERM);
         }},
    };
    for (const Ending &ending : endings) {
        SCOPED_TRACE(ending.name);
        PlayerHome player("");
        const QString records = player.home.file("records");
        QDir().mkpath(records);
        player.home.write(".wavelark/config", "readInterval = 10\ndecodeInterval = 5\n"
                                              "inBufSize = 128\nrecordDirectory = " +
                                                  QFile::encodeName(records) + "\n");
        TestHttpServer server;
        ASSERT_TRUE(server.start());
        // The test module never takes these bytes: all of them stay held,
        // and everything after the gate is recorded.
        auto gate = std::make_shared<std::atomic<bool>>(false);
        const QByteArray recorded = testNoise(20000, 7);
        server.setRoute("/held", Reply::make("ICY 200 OK", {}, testModuleData(3000, 1000000))
                                     .waitFor(gate)
                                     .send(recorded)
                                     .hang());
        auto window = makeWindow({server.url("/held")});
        ASSERT_TRUE(waitFor([&] { return window->currentLinkId() != -1; }));
        QTest::mouseClick(window->softKeyBar()->middleButton(), Qt::LeftButton);
        RadioStream *stream = window->radioStream();
        ASSERT_TRUE(waitFor([&] { return stream->holdBufferFill() == 3040; }));
        window->recordIndicatorWidget()->setBlinking(true);
        ASSERT_TRUE(stream->isRecording());
        gate->store(true);
        // Smaller than the record buffer: nothing is written before the end.
        ASSERT_TRUE(waitFor([&] { return stream->holdBufferFill() == 3040u + recorded.size(); }));

        ending.end(*window);
        ASSERT_TRUE(waitFor([&] { return window->radioStream() == nullptr; }));
        const QFileInfoList files = QDir(records).entryInfoList(QDir::Files);
        ASSERT_EQ(files.size(), 1);
        EXPECT_TRUE(files.first().fileName().endsWith("-record.mp3"));
        EXPECT_TRUE(readAllBytes(files.first().filePath()) == recorded);
        window.reset();
        server.stop();
    }
}

} // namespace
