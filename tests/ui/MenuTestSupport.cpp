#include "MenuTestSupport.h"

#include "SoftKeyBar.h"
#include "stream.h"

#include <QDir>

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

QAction *menuEntry(Wavelark &window, const QStringList &path)
{
    QMenu *menu = window.popupMenu();
    QAction *found = nullptr;
    for (const QString &text : path) {
        if (!menu)
            return nullptr;
        found = nullptr;
        for (QAction *action : menu->actions())
            if (action->text() == text)
                found = action;
        if (!found)
            return nullptr;
        menu = found->menu();
    }
    return found;
}

bool choose(Wavelark &window, const QStringList &path)
{
    QAction *action = menuEntry(window, path);
    if (!action)
        return false;
    action->trigger();
    return true;
}

DialogScript::DialogScript()
{
    auto *timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, &DialogScript::check);
    timer->start(10);
}

void DialogScript::expect(const QString &title, Step step)
{
    steps_.emplace_back(title, std::move(step));
}

void DialogScript::check()
{
    auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
    if (!dialog || busy_.contains(dialog))
        return;
    busy_.insert(dialog);
    const QString title = dialog->windowTitle();
    seen.append(title);
    if (steps_.empty() || steps_.front().first != title) {
        unexpected.append(title + ": " + dialogText(dialog));
        dialog->accept();
        busy_.remove(dialog);
        return;
    }
    // A timer is not fired again while its own slot runs: a step that opens
    // a nested dialog runs from a timer of its own, so this one keeps polling.
    Step step = std::move(steps_.front().second);
    steps_.pop_front();
    QPointer<QDialog> guard(dialog);
    QTimer::singleShot(0, this, [this, dialog, guard, step = std::move(step)] {
        if (guard)
            step(guard);
        busy_.remove(dialog);
    });
}

QPlainTextEdit *textEntry(QDialog *dialog)
{
    return dialog->findChild<QPlainTextEdit *>(QStringLiteral("textEntry"));
}

QPushButton *button(QDialog *dialog, const QString &text)
{
    for (QPushButton *b : dialog->findChildren<QPushButton *>())
        if (b->text() == text)
            return b;
    return nullptr;
}

DialogScript::Step typeAndReturn(const QString &text)
{
    return [text](QDialog *dialog) {
        QPlainTextEdit *edit = textEntry(dialog);
        ASSERT_NE(edit, nullptr);
        edit->selectAll();
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Return);
    };
}

DialogScript::Step clickButton(const QString &text)
{
    return [text](QDialog *dialog) {
        QPushButton *b = button(dialog, text);
        ASSERT_NE(b, nullptr) << text.toStdString();
        QTest::mouseClick(b, Qt::LeftButton);
    };
}

QString dialogText(QDialog *dialog)
{
    if (auto *box = qobject_cast<QMessageBox *>(dialog))
        return box->text();
    if (auto *label = dialog->findChild<QLabel *>(QStringLiteral("errorText")))
        return label->text();
    return QString();
}

const QByteArray kListKeys = "keyUp = 16777235\nkeyDown = 16777237\nkeySelect = 32\n";

MenuHome::MenuHome(const QByteArray &config) : player(kListKeys + config)
{
    QDir().mkpath(player.home.file("music"));
    music = QDir(player.home.file("music")).canonicalPath();
    const QString path = player.home.file(".wavelark/config");
    player.home.write(".wavelark/config",
                      readAllBytes(path) + "recordDirectory = " + music.toUtf8() + "\n");
}

QString MenuHome::song(const QString &name) const
{
    return player.home.write("music/" + name, testModuleData(4000));
}

QStringList playlistUrls(Wavelark &window)
{
    QStringList urls;
    if (const RadioPlayList *list = window.radioStream()->playlist())
        for (const auto &item : list->items())
            urls.append(item->url);
    return urls;
}

int playingIndex(Wavelark &window)
{
    return window.radioStream()->currentIndex(Selection::Playing);
}

void pressUntil(QWidget *widget, Qt::Key key, const std::function<bool()> &done, int limit)
{
    for (int i = 0; i < limit && !done(); ++i)
        QTest::keyClick(widget, key);
}

void doubleClick(QListWidget &list, int row)
{
    const QPoint at = list.visualItemRect(list.item(row)).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, at, list.viewport()->mapToGlobal(at),
                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list.viewport(), &dbl);
    QTest::mouseRelease(list.viewport(), Qt::LeftButton, {}, at);
}
