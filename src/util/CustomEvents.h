#pragma once

#include <QEvent>

// Every custom event type of the program, in one place so that no two
// parts pick the same number.
enum CustomEventType {
    // Posted by the stream engine to its receiver. Only the type carries
    // information, except for StreamPlaylistEvent.
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

    // Posted by the main window to itself.
    LinkWaitingEvent = QEvent::User + 14,
    SortShownEvent = QEvent::User + 15,
    StationListEvent = QEvent::User + 16,
    TagShownEvent = QEvent::User + 17,
    // The directory may have no request left (posted from the read thread).
    DirectoryIdleEvent = QEvent::User + 21,
    // The decode thread's streamBufferEmpty(true / false), carried to the GUI thread.
    BufferEmptyEvent = QEvent::User + 22,
    BufferRefilledEvent = QEvent::User + 23,

    // Posted by the directory client to its receiver when a request failed.
    DirectoryErrorEvent = QEvent::User + 113,
};
