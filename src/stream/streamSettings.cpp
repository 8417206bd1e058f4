// The engine's settings, handed to the parts whose threads read them.
#include "stream.h"

#include "AudioDevice.h"
#include "DecodeLoop.h"
#include "DecoderRegistry.h"
#include "RadioStreamSound.h"
#include "RadioStreamWorker.h"
#include "Recorder.h"
#include "StreamIntake.h"

StreamSettings RadioStream::settings() const
{
    return settings_;
}

void RadioStream::setSettings(const StreamSettings &settings)
{
    const bool refillEnds = settings_.fillOnEmpty && !settings.fillOnEmpty;
    settings_ = settings;
    intake_->setRequestedSize(settings.inBufSize);
    decoders_->setOutBufSize(settings.outBufSize);
    recorder_->setBufferSize(settings.recordBufSize);
    settings_.recordBufSize = recorder_->bufferSize(); // 0 was ignored
    decodeLoop_->setTimings(settings.decodeInterval, settings.decodeWait, settings.fillOnEmpty);
    sound_->setTimings(settings.decodeInterval, settings.soundsVolume);
    if (refillEnds)
        flags_.buffering = false;
}

unsigned RadioStream::inBufSize() const
{
    return readThread_->active() ? unsigned(intake_->capacity()) : intake_->requestedSize();
}

void RadioStream::setVolume(int level)
{
    device_->setVolume(level);
}

int RadioStream::volume() const
{
    return device_->volume();
}
