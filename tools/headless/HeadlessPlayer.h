#pragma once

#include <QObject>

#include <cstdio>

class RadioStream;
class Transport;

// Receives the engine's events and prints one line per event (with the
// tags, the format or the error where the event carries them). The window's
// transport decides what follows an ended or failed entry; a received
// playlist is installed and started. Calls `finished(code)` once the stream
// has stopped: 0 after an ended entry, 1 after an error.
class HeadlessPlayer : public QObject
{
    Q_OBJECT

public:
    HeadlessPlayer(RadioStream *stream, FILE *out);
    void setStream(RadioStream *stream) { stream_ = stream; }
    void setTransport(Transport *transport) { transport_ = transport; }
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
    void finishIfStopped(int exitCode);
    void startRecording();

    RadioStream *stream_;
    Transport *transport_ = nullptr;
    FILE *out_;
    int playlistsInARow_ = 0;
    bool recordArmed_ = false;
    bool recordOneFile_ = false;
    QString recordDirectory_;
};
