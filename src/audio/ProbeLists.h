#pragma once

// The probe order of `enumerate`, shared by every backend.

#include "AudioOps.h"

#include <array>

namespace wavelark {

// 16 S16_LE, 8 U8, 64 S8, 1 MU_LAW, 2 A_LAW, 128 U16_LE.
inline constexpr std::array<int, 6> kProbeFormats = {16, 8, 64, 1, 2, 128};
inline constexpr std::array<int, 9> kProbeRates = {8000,  11025, 12000, 16000, 22050,
                                                   24000, 32000, 44100, 48000};

// For a sink that takes every probe: up to maxRows rows in probe order, each
// with channel mask 3. Returns the rows filled.
inline int fillEveryProbeRow(AudioFormatEntry *table, int maxRows)
{
    int rows = 0;
    for (const int format : kProbeFormats)
        for (const int rate : kProbeRates) {
            if (rows == maxRows)
                return rows;
            table[rows++] = {format, 3, rate};
        }
    return rows;
}

} // namespace wavelark
