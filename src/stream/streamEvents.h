#pragma once

#include "RadioPlayList.h"

#include <QEvent>

#include <memory>

class QObject;

// The custom events the engine posts to its receiver. Only the type
// carries information, except for StreamPlaylistEvent.
enum StreamEventType {
    StreamStoppedEvent = QEvent::User + 1,
    StreamConnectingEvent = QEvent::User + 2,
    StreamProgressEvent = QEvent::User + 3,
    StreamFormatEvent = QEvent::User + 4,
    StreamTagsEvent = QEvent::User + 5,
    StreamDecodeStartedEvent = QEvent::User + 6,
    StreamEndedEvent = QEvent::User + 7,
    StreamReadingFileEvent = QEvent::User + 8,
    StreamProbeDoneEvent = QEvent::User + 9,
    StreamScanNextEvent = QEvent::User + 10,
    StreamErrorEvent = QEvent::User + 11,
    StreamPlaylistEvent = QEvent::User + 12,
};

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
