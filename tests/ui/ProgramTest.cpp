// The program itself: the usage path, and SIGTERM while recording.
#include "RunProgram.h"
#include "TestHttpServer.h"
#include "UiTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

pid_t spawn(const QStringList &args)
{
    return startProgram(
        QStringLiteral(WAVELARK_PROGRAM), args,
        {QStringLiteral("QT_QPA_PLATFORM=offscreen"), QStringLiteral("WAVELARK_AUDIO=null")});
}

// The exit status, or -1 when it did not end normally within the deadline.
int waitExit(pid_t pid, int ms = 30000)
{
    int status = 0;
    const bool ended = waitFor([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }, ms);
    if (!ended) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Program, UsagePathEndsWithoutAWindow)
{
    PlayerHome player("");
    EXPECT_EQ(waitExit(spawn({"-h"})), 0);
    EXPECT_EQ(waitExit(spawn({"-x"})), 2);
    EXPECT_EQ(waitExit(spawn({"-f", "x"})), 2);

    // --help: everything it prints, from the program as a user starts it.
    const QString printed = player.home.file("help.txt");
    const int status = waitExit(startProgram(
        "sh", {"-c", "exec \"$0\" --help >\"$1\" 2>&1", QStringLiteral(WAVELARK_PROGRAM), printed},
        {QStringLiteral("QT_QPA_PLATFORM=offscreen"), QStringLiteral("WAVELARK_AUDIO=null")}));
    EXPECT_EQ(status, 0);
    const QString help = QString::fromLocal8Bit(readAllBytes(printed));
    EXPECT_EQ(help.count("Usage: [-h]"), 1) << help.toStdString();
    // Both answer without a display.
    EXPECT_EQ(waitExit(startProgram(QStringLiteral(WAVELARK_PROGRAM), {"--version"},
                                    {"QT_QPA_PLATFORM=xcb", "DISPLAY=:no-such-display"})),
              0);
}

// The developer tool follows the window's transport: an error stops the
// list unless skipBadFiles lets it go on to the next entry.
TEST(Program, HeadlessPlayerAdvancesByTheWindowsRules)
{
    PlayerHome player("");
    const QStringList list = {player.home.write("a.wl", testModuleData(4000)),
                              player.home.write("junk.wl", QByteArray(300000, 'j')),
                              player.home.write("b.wl", testModuleData(4000))};
    auto run = [&](const QByteArray &config) {
        player.home.write(".wavelark/config", config);
        return waitExit(startProgram(QStringLiteral(WAVELARK_HEADLESS), list,
                                     {QStringLiteral("WAVELARK_AUDIO=null")}));
    };
    EXPECT_EQ(run("skipBadFiles = false\n"), 1);
    EXPECT_EQ(run("skipBadFiles = true\n"), 0);
}

TEST(Program, SigtermEndsItWithTheRecordingWrittenOut)
{
    PlayerHome player("");
    const QString records = player.home.file("records");
    QDir().mkpath(records);
    player.home.write(".wavelark/config", "readInterval = 10\ndecodeInterval = 5\n"
                                          "recordBufSize = 1\nrecordDirectory = " +
                                              records.toUtf8() + "\n");
    TestHttpServer server;
    ASSERT_TRUE(server.start());
    // Live: the audio keeps coming after decoding has begun.
    const QByteArray audio = testModuleData(60000);
    server.setRoute("/live", TestHttpServer::Reply::make("ICY 200 OK", {{"icy-name", "Station"}},
                                                         audio.left(2000))
                                 .trickle(audio.mid(2000), std::chrono::milliseconds(10), 500)
                                 .hang());
    const pid_t pid = spawn({"-a", "-R", server.url("/live")});
    ASSERT_GT(pid, 0);
    // A 1 KB record buffer is written out while the stream plays.
    QFileInfo recording;
    ASSERT_TRUE(waitFor([&] {
        const QFileInfoList files = QDir(records).entryInfoList(QDir::Files);
        if (files.isEmpty() || files.first().size() == 0)
            return false;
        recording = files.first();
        return true;
    }));
    const qint64 before = recording.size();
    ::kill(pid, SIGTERM);
    EXPECT_EQ(waitExit(pid), 0);
    recording.refresh();
    EXPECT_TRUE(recording.fileName().endsWith("-record.mp3"));
    // Closed with what it held: one unbroken piece of the stream's audio,
    // without a byte of the reply header (armed before the stream started).
    const QByteArray recorded = readAllBytes(recording.filePath());
    EXPECT_GE(recorded.size(), before);
    EXPECT_FALSE(recorded.contains("ICY 200 OK"));
    EXPECT_FALSE(recorded.contains("icy-name"));
    EXPECT_GE(audio.indexOf(recorded), 0);
    server.stop();
}

// A box opened inside the start-up (the favorites cannot be read) and the
// error dialog later: SIGTERM ends the program there, at once and with 0.
TEST(Program, SigtermWhileADialogIsOpenEndsIt)
{
    PlayerHome player("streamRetries = 0\n");
    const QString log = player.home.file("stderr.txt");
    auto logSays = [&](const char *text) { return readAllBytes(log).contains(text); };
    const QStringList env = {QStringLiteral("QT_QPA_PLATFORM=offscreen"),
                             QStringLiteral("WAVELARK_AUDIO=null")};

    QDir().mkpath(player.home.file(".wavelark/favorites.pls"));
    pid_t pid = startProgramLogged(QStringLiteral(WAVELARK_PROGRAM), {}, env, log);
    ASSERT_GT(pid, 0);
    // Printed right before the "Unrecognized or invalid URL" box opens.
    ASSERT_TRUE(waitFor([&] { return logSays("could not open file for reading."); }));
    ::kill(pid, SIGTERM);
    EXPECT_EQ(waitExit(pid, 10000), 0);
    QDir(player.home.file(".wavelark/favorites.pls")).removeRecursively();

    TestHttpServer server;
    ASSERT_TRUE(server.start());
    server.setRoute("/gone", TestHttpServer::Reply::make("HTTP/1.0 404 Not Found", {}, ""));
    pid =
        startProgramLogged(QStringLiteral(WAVELARK_PROGRAM), {"-a", server.url("/gone")}, env, log);
    ASSERT_GT(pid, 0);
    // Printed right before the "Connection error" dialog opens.
    ASSERT_TRUE(waitFor([&] { return logSays("RETRY 1/0"); }));
    ::kill(pid, SIGTERM);
    EXPECT_EQ(waitExit(pid, 10000), 0);
    server.stop();
}

} // namespace
