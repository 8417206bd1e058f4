// The engine's forwards to its event-sound player.
#include "stream.h"

#include "RadioStreamSound.h"

#include <QFile>

#include <cstdio>

int RadioStream::playSound(const QString &file, bool interruptible, bool loop, int interval)
{
    if (file.isNull())
        return soundPlaying();
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
