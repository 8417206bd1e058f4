// The desktop's media controls: what they ask of the window, the window's
// own service on the session bus, and opening locations handed over by a
// second start of the program.
#include "Wavelark.h"

#include "DirectoryPanel.h"
#include "MprisService.h"
#include "RadioPlayList.h"
#include "stream.h"

#include <QDBusConnection>
#include <QFileInfo>
#include <QSlider>

#include <cstdio>

int Wavelark::mediaVolume() const
{
    return volumeSlider_->value();
}

// The same path as the volume keys: the slider moves, the indicator and
// the stream follow.
void Wavelark::setMediaVolume(int volume)
{
    volumeSlider_->setValue(volume);
}

void Wavelark::openLocations(const QStringList &locations)
{
    auto *list = new RadioPlayList;
    list->addLocations(locations, false);
    if (list->isEmpty()) {
        delete list;
        return;
    }
    stream_->stop();
    setPlayList(list, true);
    directory_->forgetCurrentGenre();
    // What was asked for is to be heard, unless a call holds the pause.
    if (stream_->isPaused() && !inCall_)
        stream_->setPaused(false);
    slotStartStopStream(false);
    runCommand("raise");
}
