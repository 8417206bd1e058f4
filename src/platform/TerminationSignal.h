#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM without calling Qt from a signal handler: the handler only writes
// a byte to a pipe, and a socket notifier on the GUI thread reads it and
// emits `terminated()`. One instance per process.
class TerminationSignal : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignal(QObject *parent = nullptr);
    ~TerminationSignal() override;
    // False when the pipe or the handler could not be set up.
    bool isInstalled() const { return notifier_ != nullptr; }

signals:
    void terminated();

private:
    void readPipe();

    QSocketNotifier *notifier_ = nullptr;
};
