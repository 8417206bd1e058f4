// Runs the real OSS backend (no seam) once through the AudioOps table and
// prints each result as "name value". Started by the OSS preload test with
// the OSS emulation library preloaded; argv[1] is the number of bytes of the
// test pattern to play as 16-bit stereo at 44100 Hz.

#include "AudioOps.h"
#include "OssBackend.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char **argv)
{
    if (argc != 2)
        return 2;
    wavelark::OssBackend backend;
    AudioOps ops;
    wavelark::fillAudioOps(ops, backend);
    void *user = ops.userData;

    const int opened = ops.open(user);
    std::printf("open %d\n", opened);
    std::printf("pcmFd %d\n", backend.pcmFd() < 0 ? -1 : 1);
    if (opened != 0)
        return 0;
    AudioFormatEntry rows[128];
    const int n = ops.enumerate(user, rows, 128, &ops);
    std::printf("rows %d\n", n);
    if (n > 0)
        std::printf("first %d %d %d\n", rows[0].format, rows[0].channelMask, rows[0].rate);
    std::printf("setFormat %d\n", ops.setFormat(user, 2, 44100, 16));
    std::vector<unsigned char> pattern(std::strtoul(argv[1], nullptr, 10));
    for (size_t i = 0; i < pattern.size(); ++i)
        pattern[i] = static_cast<unsigned char>((i * 31 + i / 256) & 0xFF);
    std::printf("write %zd\n", ops.write(user, pattern.data(), pattern.size()));
    std::printf("flush %d\n", ops.flush(user, true));
    std::printf("setVolume %d\n", ops.setVolume(user, 45));
    std::fflush(stdout);
    std::printf("getVolume %d\n", ops.getVolume(user));
    std::printf("close %d\n", ops.close(user));
    std::printf("close %d\n", ops.close(user));
    return 0;
}
