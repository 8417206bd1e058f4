#pragma once

#include "UiTestSupport.h"
#include "Wavelark.h"

#include <QDialog>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>

class QListWidget;
class QPlainTextEdit;
class QPushButton;

// The menu entry reached through these texts ({"File", "Open URL"}); null
// when there is none.
QAction *menuEntry(Wavelark &window, const QStringList &path);
// Triggers that entry as a click on it would; false when it is missing.
bool choose(Wavelark &window, const QStringList &path);

// Plays a person's part in the modal dialogs the window opens: each
// expected dialog, in order, gets its step (type, press keys, click). A
// dialog nobody expected is recorded and accepted, so a test never hangs.
class DialogScript : public QObject
{
public:
    using Step = std::function<void(QDialog *)>;
    DialogScript();
    // The next dialog should carry this title; the step must close it.
    void expect(const QString &title, Step step);
    bool done() const { return steps_.empty(); }
    // Titles (and message-box texts) of every dialog seen, in order.
    QStringList seen;
    QStringList unexpected;

private:
    void check();

    std::deque<std::pair<QString, Step>> steps_;
    QSet<QDialog *> busy_;
};

// Steps for the usual dialogs.
QPlainTextEdit *textEntry(QDialog *dialog);
QPushButton *button(QDialog *dialog, const QString &text);
// Types the text into the text entry and presses Return.
DialogScript::Step typeAndReturn(const QString &text);
DialogScript::Step clickButton(const QString &text);
// The text of a message box (or of an error dialog's label).
QString dialogText(QDialog *dialog);

// Up, Down and Space move and choose in the lists; Return accepts a dialog.
extern const QByteArray kListKeys;

// A player home whose configuration binds the list keys and sends the
// file picker to its own "music" folder (canonical path in `music`).
struct MenuHome
{
    explicit MenuHome(const QByteArray &config = {});
    QString file(const QString &relative) const { return player.home.file(relative); }
    // Writes playable bytes into the music folder; returns the file's path.
    QString song(const QString &name) const;
    PlayerHome player;
    QString music;
};

// The urls of the window's playlist, in order.
QStringList playlistUrls(Wavelark &window);
int playingIndex(Wavelark &window);
// Presses `key` on the widget until `done` holds (at most `limit` times).
void pressUntil(QWidget *widget, Qt::Key key, const std::function<bool()> &done, int limit = 20);
// What a mouse sends on a row: press, release, double click, release.
void doubleClick(QListWidget &list, int row);
