#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <cstdlib>
#include <vector>

// Fuzz input layout shared by the parser targets: byte 0 chooses how the rest
// is cut into pieces (and whether a valid header is put in front, so that
// the fuzzer reaches the body quickly); the rest is the body.
struct FuzzBody
{
    QByteArray body;
    std::vector<QByteArrayView> pieces;
};

inline FuzzBody fuzzBody(const uint8_t *data, size_t size, const QByteArray &header)
{
    FuzzBody f;
    if (size == 0)
        return f;
    const uint8_t control = data[0];
    if (control & 0x80)
        f.body = header;
    f.body.append(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    // Piece sizes from a small generator seeded by the control byte: 1 to 64.
    uint32_t state = control * 2654435761u + 1;
    for (qsizetype at = 0; at < f.body.size();) {
        state = state * 1103515245u + 12345u;
        const qsizetype n = qMin<qsizetype>(1 + (state >> 16) % 64, f.body.size() - at);
        f.pieces.push_back(QByteArrayView(f.body).sliced(at, n));
        at += n;
    }
    return f;
}

#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond))                                                                               \
            std::abort();                                                                          \
    } while (0)
