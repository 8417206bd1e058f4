#pragma once
// The C++ side of a decoder module: one Decoder per feed handle, and the
// two hooks each module defines for the shared entry points (Entry.cpp).
#include "Info.h"
#include "Output.h"
#include "PcmConverter.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace wavelark::modules {

// Input a feed may hold undecoded before feed() refuses more: bounds memory
// when a caller feeds without decoding, or the data never decodes.
inline constexpr size_t kMaxPendingInput = 4u << 20;
// Bytes of lost sync a framed decoder skips before decodeFrame reports -1.
inline constexpr size_t kMaxResyncBytes = 64u << 10;

enum DecodeResult { kError = -1, kFrame = 0, kChanged = 1, kNeedMore = 2 };

// One feed. Calls on one Decoder never overlap (Entry.cpp serialises them).
class Decoder
{
public:
    explicit Decoder(const FormatTable &table) : table_(table) {}
    virtual ~Decoder() = default;
    Decoder(const Decoder &) = delete;
    Decoder &operator=(const Decoder &) = delete;

    // 0 = accepted, -1 = refused (too much pending input, or broken state).
    virtual int feed(const uint8_t *data, size_t length) = 0;
    // The result codes of the module interface; *pcm/*length describe a
    // buffer owned by this object, valid until the next call.
    virtual int decodeFrame(const uint8_t **pcm, int *length) = 0;

    const DecoderInfo *info() const { return info_.record(); }
    InfoRecord &infoRecord() { return info_; }

protected:
    // The source's rate and channels became known or changed: picks the
    // output from the device table, configures the converter and marks the
    // information changed. False for a rate or channel count out of range.
    bool setSourceFormat(int rate, int channels, uint32_t ownFormat = WAVELARK_AFMT_S16_LE);
    // Converts `frames` interleaved 16-bit frames (1 or 2 channels) and
    // returns kFrame or kChanged with *pcm/*length set.
    int deliver(const int16_t *samples, size_t frames, const uint8_t **pcm, int *length);
    void markChanged() { changed_ = true; }
    const FormatTable &table() const { return table_; }
    int sourceRate() const { return srcRate_; }
    int sourceChannels() const { return srcChannels_; }

    InfoRecord info_;

private:
    FormatTable table_;
    PcmConverter converter_;
    int srcRate_ = 0;
    int srcChannels_ = 0;
    bool changed_ = false;
};

// Defined once by each module.
// Structural check of the first bytes of a stream (sync, magic, headers).
bool moduleLooksValid(const uint8_t *data, size_t length);
std::unique_ptr<Decoder> moduleCreate(const FormatTable &table);

// Verbosity handed to init (0 = quiet).
int moduleVerbosity();

} // namespace wavelark::modules
