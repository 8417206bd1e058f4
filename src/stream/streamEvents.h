#pragma once

#include "CustomEvents.h"
#include "RadioPlayList.h"

#include <QEvent>

#include <memory>

class QObject;

// Posts an engine event to `receiver` from any thread. The receiver's
// customEvent calls wavelark::takeOverEvent (EventHandOff.h) first.
void postTo(QObject *receiver, QEvent *event);

// The name of an engine event type ("StreamStoppedEvent"), or null.
const char *streamEventName(int type);

// Carries a playlist built from a received body. The receiver takes it with
// takePlaylist(); a playlist never taken is freed with the event.
class StreamPlaylistEventData : public QEvent
{
public:
    explicit StreamPlaylistEventData(std::unique_ptr<RadioPlayList> list);
    ~StreamPlaylistEventData() override;
    RadioPlayList *playlist() const { return list_.get(); }
    std::unique_ptr<RadioPlayList> takePlaylist() { return std::move(list_); }

private:
    std::unique_ptr<RadioPlayList> list_;
};
