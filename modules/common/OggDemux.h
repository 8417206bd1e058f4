#pragma once
// Pulls the packets of one codec's logical stream out of an Ogg byte stream
// fed in arbitrary pieces. Follows chaining (a new beginning-of-stream page
// of the codec starts a new logical stream) and ignores the pages of other
// multiplexed streams. Bounds the memory that sync and packet assembly take.
#include <ogg/ogg.h>

#include <cstddef>
#include <cstdint>

namespace wavelark::modules {

class OggDemux
{
public:
    // `isCodecHeader` tells whether the first packet of a BOS page belongs
    // to the codec this demuxer serves.
    using HeaderMatcher = bool (*)(const uint8_t *packet, size_t length);

    explicit OggDemux(HeaderMatcher matcher);
    ~OggDemux();
    OggDemux(const OggDemux &) = delete;
    OggDemux &operator=(const OggDemux &) = delete;

    // False when the undecoded input would exceed the module's limit.
    bool feed(const uint8_t *data, size_t length);

    enum class Next { Packet, NeedMore, Error };
    // The next packet of the current logical stream. `newStream` is set on
    // the first packet (the codec's identification header) of a stream.
    // The packet's bytes are valid until the next call.
    Next next(ogg_packet &packet, bool &newStream);

private:
    bool startStream(ogg_page &page);

    HeaderMatcher matcher_;
    ogg_sync_state sync_;
    ogg_stream_state stream_;
    bool active_ = false;
    bool fresh_ = false;
};

// Scans `data` for an Ogg page with a valid checksum that begins a logical
// stream whose first packet satisfies `matcher`.
bool oggHasCodecStart(const uint8_t *data, size_t length, OggDemux::HeaderMatcher matcher);

} // namespace wavelark::modules
