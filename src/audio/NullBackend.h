#pragma once

// A sink that accepts everything and plays nothing, for machines without
// sound. It keeps the level it is given and reports every probe format.
// Threads: called only through AudioOps, under the engine's audio lock, which
// guards every field here.

#include "AudioBackend.h"
#include "ProbeLists.h"

#include <algorithm>

namespace wavelark {

class NullBackend final : public AudioBackend
{
public:
    int open() override
    {
        open_ = true;
        return 0;
    }
    int close() override
    {
        if (!open_)
            return -1;
        open_ = false;
        return 0;
    }
    int setVolume(int level) override
    {
        level_ = std::clamp(level, 0, 100);
        return 0;
    }
    int getVolume() override { return level_; }
    int setFormat(int, int, int) override { return 0; }
    int flush(bool) override { return 0; }
    int enumerate(AudioFormatEntry *table, int maxRows) override
    {
        return fillEveryProbeRow(table, maxRows);
    }
    ssize_t writeSome(const uint8_t *, size_t count) override
    {
        return static_cast<ssize_t>(count);
    }

private:
    bool open_ = false;
    int level_ = 100;
};

} // namespace wavelark
