#pragma once

#include <QByteArrayView>
#include <QString>

#include <cstddef>

// ID3v2 tags as HTTP Live Streaming carries them: at the front of a packed
// audio segment and in a timed-metadata stream of a transport stream. Pure
// and bounded by the bytes given.

// The length of the ID3v2 tag at the front of `bytes` (header, body and
// footer), 0 when they do not begin with one. May exceed bytes.size() for a
// tag cut short.
size_t id3TagLength(QByteArrayView bytes);

// The stream title a tag carries: "Artist - Title" from TPE1 and TIT2, or
// whichever of them is there; null when neither is.
QString id3StreamTitle(QByteArrayView tag);
