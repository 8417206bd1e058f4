#pragma once

#include <QObject>
#include <QString>

// What the phone's application object told the program, taken from the
// desktop: the session ending (the session manager asks the program to
// commit its data before logout or shutdown) and a request to open a
// document (a file-open event). GUI thread only; one per main window.
class DesktopSession : public QObject
{
    Q_OBJECT

public:
    explicit DesktopSession(QObject *parent = nullptr);

signals:
    // The desktop session ends: the program should end now.
    void shutdown();
    // Open and play the document at this path.
    void signalOpenDoc(const QString &path);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
