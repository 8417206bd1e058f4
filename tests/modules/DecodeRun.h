#pragma once
// Drives one feed of a module the way the program's decode loop does: feed
// a piece, call decodeFrame until it asks for more input, repeat.
#include "ModuleLoader.h"

#include <QByteArray>

#include <functional>
#include <string>
#include <vector>

struct InfoSnapshot
{
    uint32_t rate = 0, channels = 0, format = 0, flags = 0, mode = 0, bitrate = 0;
    std::string title, artist, album, description;
    bool hasTitle = false;
    size_t atByte = 0; // PCM bytes decoded before the change was reported
};

struct DecodeOutcome
{
    QByteArray pcm;
    std::vector<InfoSnapshot> changes; // one per result 1
    int frames = 0;
    int lastResult = 2;
    bool ended = false; // 0 with length 0 was returned
    bool error = false; // -1 was returned
    int feedErrors = 0;
};

InfoSnapshot snapshot(const DecoderInfo *info);

// Sizes of successive pieces: whole, fixed, or seeded random.
using Splitter = std::function<size_t(size_t remaining)>;
Splitter wholeFeed();
Splitter fixedFeed(size_t size);
Splitter randomFeed(unsigned seed, size_t maxPiece);

// Decodes `data` through a fresh feed. Stops at -1 or at end of data.
DecodeOutcome decodeAll(const LoadedModule &m, const QByteArray &data, const Splitter &split,
                        const std::vector<int> &table = {});

// Zero crossings of channel 0 of interleaved S16 PCM, per second, between
// 25% and 75% of the signal (away from codec edges), halved: the tone in Hz.
double toneFrequency(const QByteArray &pcm, int channels, int rate);
