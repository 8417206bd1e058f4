#pragma once
// Each codec library called directly on an in-memory stream, the way a
// program without modules would: the baseline for the modules' overhead.
// Each returns the bytes of 16-bit PCM produced (so the work is not elided).
#include <cstddef>
#include <cstdint>
#include <vector>

using Bytes = std::vector<uint8_t>;

size_t directMp3(const Bytes &in);
size_t directAac(const Bytes &in);
size_t directVorbis(const Bytes &in);
size_t directOpus(const Bytes &in);
size_t directFlac(const Bytes &in);
size_t directWav(const Bytes &in);
