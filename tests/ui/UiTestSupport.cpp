#include "UiTestSupport.h"

#include "CommandLine.h"
#include "EventHandOff.h"
#include "SoftKeyBar.h"
#include "WaitUntil.h"
#include "WavelarkMarquee.h"

#include <QApplication>
#include <QDialog>

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

QByteArray testModuleData(int pcmBytes, unsigned acceptAfter, unsigned frameBytes)
{
    QByteArray out("WLTEST01");
    for (uint32_t v : {uint32_t(acceptAfter), 44100u, 2u, uint32_t(frameBytes), 0u, 0u, 0u, 0u})
        for (int i = 0; i < 4; ++i)
            out += char((v >> (8 * i)) & 0xff);
    QByteArray pcm(pcmBytes, 0);
    for (int i = 0; i < pcmBytes; ++i)
        pcm[i] = char((i * 7) & 0xff);
    return out + pcm;
}

PlayerHome::PlayerHome(const QByteArray &config)
{
    QDir().mkpath(home.file(".wavelark/plugins"));
    QFile::copy(QStringLiteral(TESTMOD_PATH), home.file(".wavelark/plugins/test.so"));
    for (const QString &name : QDir(QStringLiteral(PICTURE_DIR)).entryList({"*.xpm"}))
        QFile::copy(QStringLiteral(PICTURE_DIR "/") + name, home.file(".wavelark/" + name));
    // Short intervals keep the tests quick.
    home.write(".wavelark/config", "readInterval = 10\ndecodeInterval = 5\n" + config);
}

std::unique_ptr<Wavelark> makeWindow(const QStringList &arguments)
{
    std::vector<QByteArray> bytes{"wavelark"};
    for (const QString &a : arguments)
        bytes.push_back(QFile::encodeName(a));
    std::vector<char *> argv;
    for (QByteArray &b : bytes)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    auto window = std::make_unique<Wavelark>(parseCommandLine(int(bytes.size()), argv.data()));
    window->show();
    window->activateWindow();
    (void)QTest::qWaitForWindowActive(window.get(), 5000);
    return window;
}

bool waitFor(const std::function<bool()> &done, int ms)
{
    return processEventsUntil(done, ms);
}

SectionRecorder::SectionRecorder(Wavelark *window) : window_(window)
{
    window->installEventFilter(this);
}

void SectionRecorder::snapshot()
{
    auto add = [](QStringList &list, const QString &text) {
        if (list.isEmpty() || list.last() != text)
            list.append(text);
    };
    add(headers, window_->headerLabelWidget()->text());
    add(tags, window_->tagMarqueeWidget()->text());
    add(formats, window_->formatMarqueeWidget()->text());
    add(formatLines, window_->formatLineWidget()->text());
    add(statuses, window_->statusMarqueeWidget()->text());
    add(middleKeys, window_->softKeyBar()->middleText());
}

bool SectionRecorder::eventFilter(QObject *watched, QEvent *event)
{
    // The filter sees a worker's event before the window does.
    wavelark::takeOverEvent(event);
    if (watched == window_ && event->type() >= QEvent::User)
        snapshot();
    return false;
}

DialogCatcher::DialogCatcher()
{
    auto *timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &DialogCatcher::check);
    timer->start(10);
}

void DialogCatcher::check()
{
    QWidget *modal = QApplication::activeModalWidget();
    auto *dialog = qobject_cast<QDialog *>(modal);
    if (!dialog)
        return;
    titles.append(dialog->windowTitle());
    auto *label = dialog->findChild<QLabel *>(QStringLiteral("errorText"));
    texts.append(label ? label->text() : QString());
    if (label) {
        EXPECT_EQ(label->textFormat(), Qt::PlainText);
    }
    dialog->accept();
}
