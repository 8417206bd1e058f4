#include "DirectoryErrorEvent.h"

DirectoryErrorEventData::DirectoryErrorEventData(ShoutCastGenre *genre, const QString &text)
    : QEvent(QEvent::Type(DirectoryErrorEvent)), genre_(genre), text_(text)
{}
