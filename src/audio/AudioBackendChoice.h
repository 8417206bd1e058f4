#pragma once

// Which backend fills the process's AudioOps table, from the environment
// variable WAVELARK_AUDIO:
//   oss           the OSS devices "/dev/dsp" and "/dev/mixer"
//   pulse         the PulseAudio sound server (PipeWire's too); pulse:SERVER another
//   alsa          ALSA's "default" device; alsa:DEVICE another ALSA device
//   wav:PATH      a WAVE file at PATH (PATH.1, PATH.2, ... on format changes)
//   null          a sink that plays nothing
// Unset or empty: OSS when "/dev/dsp" can be opened for writing, else the
// sound server when one answers, else ALSA.
// Any other value: a message on stderr naming the accepted values, and null.

#include <memory>
#include <string>

namespace wavelark {

class AudioBackend;

struct AudioBackendChoice
{
    enum class Kind { Oss, Pulse, Alsa, Wav, Null };
    Kind kind = Kind::Null;
    std::string argument; // the ALSA device, the sound server or the WAV path
};

// `value` is the variable's value or null; `dspWritable`, then
// `serverAnswers` (null: never), are asked only when the value leaves the
// choice to the machine.
AudioBackendChoice parseAudioBackend(const char *value, bool (*dspWritable)(),
                                     bool (*serverAnswers)() = nullptr);

// True when "/dev/dsp" opens for writing (it is closed again at once).
bool dspOpensForWriting();

// parseAudioBackend of the process's WAVELARK_AUDIO.
AudioBackendChoice audioBackendFromEnvironment();

// A new backend of the chosen kind. Without ALSA or PulseAudio support built
// in, choosing it gives the null backend with a message.
std::unique_ptr<AudioBackend> createAudioBackend(const AudioBackendChoice &choice);

} // namespace wavelark
