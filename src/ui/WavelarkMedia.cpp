// The desktop's media controls: what they ask of the window, the window's
// own service on the session bus, and opening locations handed over by a
// second start of the program.
#include "Wavelark.h"

#include "DirectoryPanel.h"
#include "MprisService.h"
#include "RadioPlayList.h"
#include "SessionBus.h"
#include "stream.h"

#include <QDBusConnection>
#include <QFileInfo>
#include <QSlider>

#include <cstdio>

void Wavelark::setUpDesktopControls()
{
    QDBusConnection bus = sessionBusIfAny();
    if (!bus.isConnected()) {
        static bool told = false;
        if (!std::exchange(told, true))
            std::fprintf(stderr, "Wavelark: no session bus, desktop controls are off\n");
        return;
    }
    auto *service = new MprisService(bus, this);
    if (!service->registerService()) {
        std::fprintf(stderr, "Wavelark: another player holds the desktop controls\n");
        delete service;
    }
}

int Wavelark::mediaVolume() const
{
    return volumeSlider->value();
}

// The same path as the volume keys: the slider moves, the indicator and
// the stream follow.
void Wavelark::setMediaVolume(int volume)
{
    volumeSlider->setValue(volume);
}

void Wavelark::openLocations(const QStringList &locations)
{
    auto *list = new RadioPlayList;
    for (const QString &location : locations) {
        if (QFileInfo(location).isDir())
            addFolder(list, location, false);
        else
            list->addLocation(location, false);
    }
    if (list->isEmpty()) {
        delete list;
        return;
    }
    stream->stop();
    setPlayList(list, true);
    directory_->forgetCurrentGenre();
    // What was asked for is to be heard, unless a call holds the pause.
    if (stream->isPaused() && !inCall)
        stream->setPaused(false);
    slotStartStopStream(false);
    runCommand("raise");
}
