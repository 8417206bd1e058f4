#pragma once

#include <QObject>

#include <cstdio>

class RadioStream;

// Receives the engine's events, prints one line per event (with the tags,
// the format or the error where the event carries them) and moves through
// the playlist: the next entry after the end or an error, a received
// playlist installed and started. Calls `finished(code)` when done.
class HeadlessPlayer : public QObject
{
    Q_OBJECT

public:
    HeadlessPlayer(RadioStream *stream, FILE *out);
    void setStream(RadioStream *stream) { stream_ = stream; }

signals:
    void finished(int exitCode);

protected:
    void customEvent(QEvent *event) override;

private:
    void printLine(const QByteArray &line);
    void printTags();
    void printFormat();
    void printError();
    void moveOn(int exitCodeAtEnd);

    RadioStream *stream_;
    FILE *out_;
    int playlistsInARow_ = 0;
};
