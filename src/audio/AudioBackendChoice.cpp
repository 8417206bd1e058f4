#include "AudioBackendChoice.h"

#include "NullBackend.h"
#include "OssBackend.h"
#include "OssRequests.h"
#include "WavBackend.h"
#ifdef WAVELARK_HAVE_ALSA
#include "AlsaBackend.h"
#endif
#ifdef WAVELARK_HAVE_PULSE
#include "PulseBackend.h"
#endif

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string_view>
#include <unistd.h>

namespace wavelark {

namespace {

constexpr const char *kVariable = "WAVELARK_AUDIO";

AudioBackendChoice unknownValue(std::string_view value)
{
    std::fprintf(stderr,
                 "%s: unknown value '%.*s'; accepted values: oss, pulse, pulse:SERVER, alsa, "
                 "alsa:DEVICE, wav:PATH, null; using null\n",
                 kVariable, static_cast<int>(value.size()), value.data());
    return {AudioBackendChoice::Kind::Null, {}};
}

} // namespace

AudioBackendChoice parseAudioBackend(const char *value, bool (*dspWritable)(),
                                     bool (*serverAnswers)())
{
    using Kind = AudioBackendChoice::Kind;
    const std::string_view v = value ? value : "";
    if (v.empty()) {
        if (dspWritable())
            return {Kind::Oss, {}};
        if (serverAnswers && serverAnswers())
            return {Kind::Pulse, {}};
        return {Kind::Alsa, "default"};
    }
    if (v == "oss")
        return {Kind::Oss, {}};
    if (v == "pulse")
        return {Kind::Pulse, {}};
    if (v.starts_with("pulse:") && v.size() > 6)
        return {Kind::Pulse, std::string(v.substr(6))};
    if (v == "null")
        return {Kind::Null, {}};
    if (v == "alsa")
        return {Kind::Alsa, "default"};
    if (v.starts_with("alsa:") && v.size() > 5)
        return {Kind::Alsa, std::string(v.substr(5))};
    if (v.starts_with("wav:") && v.size() > 4)
        return {Kind::Wav, std::string(v.substr(4))};
    return unknownValue(v);
}

bool dspOpensForWriting()
{
    const int fd = ::open(oss::kDspPath, O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

AudioBackendChoice audioBackendFromEnvironment()
{
#ifdef WAVELARK_HAVE_PULSE
    return parseAudioBackend(std::getenv(kVariable), dspOpensForWriting, pulseServerAnswers);
#else
    return parseAudioBackend(std::getenv(kVariable), dspOpensForWriting);
#endif
}

std::unique_ptr<AudioBackend> createAudioBackend(const AudioBackendChoice &choice)
{
    using Kind = AudioBackendChoice::Kind;
    switch (choice.kind) {
    case Kind::Oss: return std::make_unique<OssBackend>();
    case Kind::Wav: return std::make_unique<WavBackend>(choice.argument);
    case Kind::Alsa:
#ifdef WAVELARK_HAVE_ALSA
        return std::make_unique<AlsaBackend>(choice.argument);
#else
        std::fprintf(stderr, "%s: ALSA support is not built in; using null\n", kVariable);
        return std::make_unique<NullBackend>();
#endif
    case Kind::Pulse:
#ifdef WAVELARK_HAVE_PULSE
        return std::make_unique<PulseBackend>(choice.argument);
#else
        std::fprintf(stderr, "%s: PulseAudio support is not built in; using null\n", kVariable);
        return std::make_unique<NullBackend>();
#endif
    case Kind::Null: break;
    }
    return std::make_unique<NullBackend>();
}

} // namespace wavelark
