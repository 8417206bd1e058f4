// The engine's parts and the hooks that tie them to the entry they serve.
#include "stream.h"

#include "AudioDevice.h"
#include "DecodeLoop.h"
#include "DecoderRegistry.h"
#include "EntrySource.h"
#include "HlsSession.h"
#include "RadioStreamSound.h"
#include "RadioStreamWorker.h"
#include "Recorder.h"
#include "StreamIntake.h"
#include "StreamTransfer.h"

void RadioStream::makeParts(AudioOps *ops)
{
    device_ = std::make_unique<AudioDevice>(ops, [this] { return soundPlaying() != 0; });
    decoders_ = std::make_unique<DecoderRegistry>(verbosity_, *device_);
    transfer_ = std::make_unique<StreamTransfer>([this](unsigned id, const QByteArray *chunk) {
        if (hls_ && hls_->take(id, chunk))
            return;
        emit streamFetch(id, chunk);
    });
    recorder_ = std::make_unique<Recorder>();

    StreamIntake::Hooks intake;
    intake.decoding = [this] { return decodeLoop_->active(); };
    intake.hasModule = [this] { return decoders_->hasStreamModule(); };
    intake.findModule = [this](const QByteArray &held) { return findStreamModule(held); };
    intake.startDecoding = [this] { startDecodeThread(); };
    intake.recording = [this] { return recorder_->isRecording(); };
    intake.record = [this](const char *data, size_t length, std::span<const RecordCut> cuts) {
        recorder_->take(data, length, cuts);
    };
    intake.received = [this] { transfer_->pending = false; };
    intake_ = std::make_unique<StreamIntake>(flags_, std::move(intake));

    DecodeLoop::Hooks loop;
    loop.post = [this](int type) { post(type); };
    loop.fail = [this](const QString &error) { failPlaying(error); };
    loop.showMetadata = [this](const QString &text) {
        auto lock = lockPlaylist();
        if (PlayListItem *item = streamEntry()) {
            item->icyMeta = text;
            itemChanged(item);
        }
    };
    loop.infoChanged = [this] {
        PlayListItem *item;
        {
            auto lock = lockPlaylist();
            item = streamEntry();
        }
        applyStreamInfo(item);
    };
    loop.bufferEmpty = [this](bool empty) { emit streamBufferEmpty(empty); };
    loop.soundPlaying = [this] { return soundPlaying(); };
    loop.remote = [this] {
        auto lock = lockPlaylist();
        return streamEntry() && !isLocalEntry(streamEntry());
    };
    loop.bitrate = [this] {
        auto lock = lockPlaylist();
        const PlayListItem *item = streamEntry();
        if (!item)
            return 0;
        // What the module reported, else what the directory listed.
        if (item->streamInfoValid && item->streamInfo.bitrate > 0)
            return int(item->streamInfo.bitrate);
        return int(item->bitrate);
    };
    decodeLoop_ =
        std::make_unique<DecodeLoop>(flags_, *intake_, *decoders_, *device_, std::move(loop));

    readThread_ = std::make_unique<RadioStreamReadThread>([this] {
        readLocalSource();
        runTransfers();
        pumpHls();
        intake_->wake();
    });
    probeThread_ = std::make_unique<RadioStreamScanThread>([this] { probeRun(); });
    sound_ = std::make_unique<RadioStreamSound>(this, *device_, *decoders_);
    setSettings(settings_);
}

// Searches a copy of the held bytes without the read side's lock: a module's
// information is written to the entry, which needs the playlist lock first.
bool RadioStream::findStreamModule(const QByteArray &held)
{
    PlayListItem *item;
    {
        auto lock = lockPlaylist();
        item = streamEntry();
    }
    DecoderRegistry::Found found =
        decoders_->find(held.constData(), size_t(held.size()), item != nullptr, nullptr);
    if (!found.module)
        return false;
    // The entry is written after the decoder lock is released, keeping the
    // lock order.
    if (item && found.info)
        applyInfo(item, *found.info);
    decoders_->install(std::move(found.module), nullptr);
    return true;
}
