#include "DesktopSession.h"

#include "EventHandOff.h"

#include <QFileOpenEvent>
#include <QGuiApplication>
#include <QSessionManager>

DesktopSession::DesktopSession(QObject *parent) : QObject(parent)
{
    auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance());
    if (!app)
        return;
#ifndef QT_NO_SESSIONMANAGER
    // There is no later chance: the session may end right after this.
    connect(app, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager &) { emit shutdown(); });
#endif
    app->installEventFilter(this);
}

bool DesktopSession::eventFilter(QObject *watched, QEvent *event)
{
    // Installed on the application, so this sees every event, also those a
    // worker thread posted: taken over before anything is read from them.
    wavelark::takeOverEvent(event);
    if (event->type() == QEvent::FileOpen && watched == QCoreApplication::instance()) {
        const QString file = static_cast<QFileOpenEvent *>(event)->file();
        if (!file.isEmpty())
            emit signalOpenDoc(file);
        return true;
    }
    return QObject::eventFilter(watched, event);
}
