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
    // Records every remote stream from the moment its decoding starts, into
    // `directory` (appending to one file with `oneFile`), until a local
    // entry plays; prints "RECORD\t<path>" for each recording started.
    void armRecording(const QString &directory, bool oneFile);

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
    void startRecording();

    RadioStream *stream_;
    FILE *out_;
    int playlistsInARow_ = 0;
    bool recordArmed_ = false;
    bool recordOneFile_ = false;
    QString recordDirectory_;
};
