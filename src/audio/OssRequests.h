#pragma once

// The OSS requests and probe lists the OSS backend uses. The values are the
// Linux ones; they are spelled out here so that the backend builds and is
// tested where no OSS header is installed.

namespace wavelark::oss {

inline constexpr unsigned long kDspReset = 0x5000;             // no argument
inline constexpr unsigned long kDspSync = 0x5001;              // no argument
inline constexpr unsigned long kDspPost = 0x5008;              // no argument
inline constexpr unsigned long kDspSpeed = 0xC0045002;         // rate in Hz
inline constexpr unsigned long kDspStereo = 0xC0045003;        // 0 mono, 1 stereo
inline constexpr unsigned long kDspSetFmt = 0xC0045005;        // AFMT_ code
inline constexpr unsigned long kMixerWriteVolume = 0xC0044D00; // mixer channel 0
inline constexpr unsigned long kMixerReadOGain = 0x80044D0D;   // mixer channel 13

inline constexpr const char *kDspPath = "/dev/dsp";
inline constexpr const char *kMixerPath = "/dev/mixer";

} // namespace wavelark::oss
