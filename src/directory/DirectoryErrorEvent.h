#pragma once

#include "CustomEvents.h"

#include <QEvent>
#include <QString>

struct ShoutCastGenre;

// DirectoryErrorEvent, posted by the directory client to its receiver: the
// genre whose station list failed (null for the genre index) and the error
// text. The genre belongs to the client; it stays
// valid at least until the receiver has handled the event.
// Mostly posted from the read thread and marked handed off (EventHandOff.h):
// the receiver calls wavelark::takeOverEvent first.
class DirectoryErrorEventData : public QEvent
{
public:
    DirectoryErrorEventData(ShoutCastGenre *genre, const QString &text);
    ShoutCastGenre *genre() const { return genre_; }
    QString text() const { return text_; }

private:
    ShoutCastGenre *genre_;
    QString text_;
};
