#include "streamEvents.h"

#include "EventHandOff.h"
#include "RadioPlayList.h"

#include <QCoreApplication>

void postTo(QObject *receiver, QEvent *event)
{
    wavelark::handOffEvent(event);
    QCoreApplication::postEvent(receiver, event);
}

const char *streamEventName(int type)
{
    static const char *const names[] = {
        "StreamStoppedEvent",  "StreamConnectingEvent",  "StreamProgressEvent",
        "StreamFormatEvent",   "StreamTagsEvent",        "StreamDecodeStartedEvent",
        "StreamEndedEvent",    "StreamReadingFileEvent", "StreamProbeDoneEvent",
        "StreamScanNextEvent", "StreamErrorEvent",       "StreamPlaylistEvent",
    };
    const int n = type - QEvent::User - 1;
    return n >= 0 && n < int(std::size(names)) ? names[n] : nullptr;
}

StreamPlaylistEventData::StreamPlaylistEventData(std::unique_ptr<RadioPlayList> list)
    : QEvent(QEvent::Type(StreamPlaylistEvent)), list_(std::move(list))
{}

StreamPlaylistEventData::~StreamPlaylistEventData() = default;
