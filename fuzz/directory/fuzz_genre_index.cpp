// The genre-index parser on arbitrary bytes in arbitrary pieces. Whole or in
// pieces, an index that neither run refused gives the same names.
#include "FuzzPieces.h"
#include "GenreIndexParser.h"

namespace {

struct Result
{
    QStringList names;
    bool refused = false;
    int headersFound = 0;
};

Result run(const std::vector<QByteArrayView> &pieces)
{
    Result r;
    GenreIndexParser parser;
    for (QByteArrayView piece : pieces) {
        const auto outcome = parser.feed(piece, r.names);
        if (outcome == GenreIndexParser::Outcome::Refused) {
            r.refused = true;
            break;
        }
        if (outcome == GenreIndexParser::Outcome::HeaderFound)
            ++r.headersFound;
        FUZZ_CHECK(r.names.isEmpty() || parser.headerFound());
    }
    FUZZ_CHECK(r.headersFound <= 1);
    return r;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const FuzzBody f = fuzzBody(data, size, "<?xml ?><genrelist>");
    const Result split = run(f.pieces);
    const Result whole = run({QByteArrayView(f.body)});
    if (!split.refused && !whole.refused) {
        FUZZ_CHECK(split.names == whole.names);
        FUZZ_CHECK(split.headersFound == whole.headersFound);
    }
    return 0;
}
