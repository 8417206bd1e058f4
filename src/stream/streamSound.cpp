// The engine's forwards to its event-sound player.
#include "stream.h"

#include "RadioStreamSound.h"

#include <QFile>

#include <cstdio>

int RadioStream::playSound(const QString &file, bool interruptible, bool loop, int interval)
{
    // An unset sound plays nothing; 0 names no sound, so that a caller that
    // later stops "its" sound does not cut another one short.
    if (file.isEmpty())
        return 0;
    std::fprintf(stderr, "playSound(): %s\n", QFile::encodeName(file).constData());
    return sound_->play(file, interruptible, loop, interval);
}

int RadioStream::soundPlaying() const
{
    return sound_ ? sound_->currentId() : 0;
}

void RadioStream::stopSound()
{
    sound_->stopCurrent();
}

bool RadioStream::isSoundQueued(int id) const
{
    return sound_->isQueued(id);
}
