#pragma once
// The sync search of the framed formats (MPEG audio, ADTS): a header counts
// only when the frames it announces chain into more headers of its stream,
// since a lone sync word turns up in any random data.
#include <cstddef>
#include <cstdint>

namespace wavelark::modules {

// Offset of the first header in `data` that starts a chain of at least
// `minChain` consistent frames, or of at least two whose last frame ends at
// an offset where `endsShort(offset)` says a short stream may end; -1 when
// there is none. `parse(p, header)` reads the `headerBytes` bytes at p;
// Header has frameBytes and sameStream().
template <class Header, class Parse, class EndsShort>
long findFrameChain(const uint8_t *data, size_t length, size_t headerBytes, int minChain,
                    Parse parse, EndsShort endsShort)
{
    for (size_t start = 0; start + headerBytes <= length; ++start) {
        Header first;
        if (!parse(data + start, first))
            continue;
        size_t pos = start + first.frameBytes;
        int chain = 1;
        Header next;
        while (chain < minChain && pos + headerBytes <= length && parse(data + pos, next) &&
               next.sameStream(first)) {
            ++chain;
            pos += next.frameBytes;
        }
        if (chain >= minChain || (chain >= 2 && endsShort(pos)))
            return long(start);
    }
    return -1;
}

} // namespace wavelark::modules
