// What the display shows of the selected entry's stream format.
#include "stream.h"

#include <QCoreApplication>

QString RadioStream::formatName(Selection which)
{
    std::lock_guard lock(playListMutex_);
    const PlayListItem *item = cursor_.selected(which);
    return item && item->streamInfoValid ? item->format : QString();
}

int RadioStream::sampleRate(Selection which)
{
    std::lock_guard lock(playListMutex_);
    const PlayListItem *item = cursor_.selected(which);
    return item && item->streamInfoValid ? int(item->streamInfo.rate) : 0;
}

int RadioStream::bitrate(Selection which)
{
    std::lock_guard lock(playListMutex_);
    const PlayListItem *item = cursor_.selected(which);
    return item && item->streamInfoValid ? int(item->streamInfo.bitrate) : 0;
}

QString RadioStream::channelMode(Selection which)
{
    std::lock_guard lock(playListMutex_);
    const PlayListItem *item = cursor_.selected(which);
    if (!item || !item->streamInfoValid || item->streamInfo.mode > WAVELARK_MODE_MONO)
        return QString();
    return QCoreApplication::translate("RadioStream",
                                       wavelark_channel_mode_name(item->streamInfo.mode));
}
