#pragma once

#include <QByteArrayView>

#include <algorithm>

// A bounded part of a view, as QByteArray::mid() gives one: pos and n are
// clamped to the view, n < 0 means to the end. Readers of untrusted bytes
// use it so that no offset read from them can reach outside.
inline QByteArrayView midView(QByteArrayView v, qsizetype pos, qsizetype n = -1)
{
    pos = std::clamp<qsizetype>(pos, 0, v.size());
    const qsizetype rest = v.size() - pos;
    return v.sliced(pos, n < 0 ? rest : std::min(n, rest));
}
