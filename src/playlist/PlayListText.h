#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Playlist text comes from users' folders and from the network in no declared
// encoding. Each line is read as UTF-8 when it is valid UTF-8 and as Latin-1
// otherwise, so both kinds of file (and files that mix them) read correctly.

// One line of bytes as text, by the rule above.
QString decodePlayListLine(QByteArrayView bytes);

// The inverse of decodePlayListLine: Latin-1 wherever that reads back the same
// text, UTF-8 where Latin-1 cannot hold the text or would read back as UTF-8.
QByteArray encodePlayListLine(const QString &text);

// Line-oriented reading over bytes that the caller keeps alive. Lines end at
// "\n", "\r\n" or a lone "\r"; the terminator is dropped, and a terminator at
// the very end does not start another, empty line.
class PlayListLines
{
public:
    explicit PlayListLines(QByteArrayView bytes) : bytes_(bytes) {}

    // The next line into `line`; false at the end of the bytes.
    bool next(QString &line);
    // Starts again from the first line.
    void rewind()
    {
        pos_ = 0;
        lf_ = cr_ = -1;
    }

private:
    // Position of the next `c` at or after pos_ (the size when none), kept in
    // `found`: each kind of line end is searched for once per stretch of text,
    // so text that uses only the other kind is not scanned again per line.
    qsizetype nextOf(char c, qsizetype &found);

    QByteArrayView bytes_;
    qsizetype pos_ = 0;
    qsizetype lf_ = -1;
    qsizetype cr_ = -1;
};
