#pragma once

// Writes the audio to a RIFF/WAVE file. The file has the format last set
// (8-bit unsigned for U8/S8, 16-bit signed for the other formats), the level
// is a software gain (100 = unchanged), and the header is correct after
// every flush and close. The first open in the process creates PATH; later
// opens append to the same file while the format stays; a format change once
// audio was written starts the next file, PATH.1, PATH.2, ..., so that every
// file holds one format. A file that would pass the 4 GiB limit of RIFF
// continues in the next file too.
// Threads: called only through AudioOps, under the engine's audio lock, which
// guards every field here.

#include "AudioBackend.h"
#include "AudioSamples.h"
#include "SystemCalls.h"

#include <string>

namespace wavelark {

class WavBackend final : public AudioBackend
{
public:
    explicit WavBackend(std::string path);
    ~WavBackend() override;

    int open() override;
    int close() override;
    int setVolume(int level) override;
    int getVolume() override;
    int setFormat(int channels, int rate, int format) override;
    int flush(bool wait) override;
    int enumerate(AudioFormatEntry *table, int maxRows) override;
    std::span<const uint8_t> prepare(std::span<const uint8_t> in) override;
    ssize_t writeSome(const uint8_t *data, size_t count) override;

    // The file being written or last written.
    std::string currentPath() const;

private:
    // Each returns 0 or an errno value (with the message printed).
    int createFile();
    int reopenFile();
    int writeHeader();
    int startNextFile();
    int fail();

    std::string path_;
    UniqueFd fd_;
    SoftwareGain gain_;
    PcmFormat format_;     // last set while open
    PcmFormat fileFormat_; // format of the current file
    int fileIndex_ = 0;    // 0 = PATH, n = PATH.n
    bool started_ = false; // the current file was created by this process
    uint32_t dataBytes_ = 0;
};

} // namespace wavelark
