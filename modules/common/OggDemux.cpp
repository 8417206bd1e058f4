#include "OggDemux.h"

#include "Decoder.h"

#include <cstring>

namespace wavelark::modules {

namespace {
// A packet larger than this is a broken stream (real headers with cover art
// stay well below it).
constexpr long kMaxPacketBytes = 16l << 20;
} // namespace

OggDemux::OggDemux(HeaderMatcher matcher) : matcher_(matcher)
{
    ogg_sync_init(&sync_);
    std::memset(&stream_, 0, sizeof stream_);
}

OggDemux::~OggDemux()
{
    if (active_)
        ogg_stream_clear(&stream_);
    ogg_sync_clear(&sync_);
}

bool OggDemux::feed(const uint8_t *data, size_t length)
{
    const size_t pending = size_t(sync_.fill - sync_.returned);
    if (length > kMaxPendingInput || pending > kMaxPendingInput - length)
        return false;
    char *buf = ogg_sync_buffer(&sync_, long(length));
    if (!buf)
        return false;
    std::memcpy(buf, data, length);
    return ogg_sync_wrote(&sync_, long(length)) == 0;
}

bool OggDemux::startStream(ogg_page &page)
{
    if (active_)
        ogg_stream_clear(&stream_);
    active_ = ogg_stream_init(&stream_, ogg_page_serialno(&page)) == 0;
    fresh_ = active_;
    return active_ && ogg_stream_pagein(&stream_, &page) == 0;
}

OggDemux::Next OggDemux::next(ogg_packet &packet, bool &newStream)
{
    newStream = false;
    for (;;) {
        if (active_) {
            const int r = ogg_stream_packetout(&stream_, &packet);
            if (r == 1) {
                newStream = fresh_;
                fresh_ = false;
                return Next::Packet;
            }
            // r == -1: a gap (lost page); the next packet follows.
            if (r == 0 && stream_.body_fill > kMaxPacketBytes)
                return Next::Error;
            if (r == -1)
                continue;
        }
        ogg_page page;
        const int r = ogg_sync_pageout(&sync_, &page);
        if (r == 0)
            return Next::NeedMore;
        if (r < 0)
            continue; // skipped bytes while looking for a page
        if (ogg_page_bos(&page)) {
            // The first packet of a BOS page is complete within it.
            if (matcher_(page.body, size_t(page.body_len)) && !startStream(page))
                return Next::Error;
        } else if (active_ && ogg_page_serialno(&page) == stream_.serialno) {
            ogg_stream_pagein(&stream_, &page);
        }
    }
}

bool oggHasCodecStart(const uint8_t *data, size_t length, OggDemux::HeaderMatcher matcher)
{
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    bool found = false;
    char *buf = ogg_sync_buffer(&sync, long(length));
    if (buf) {
        std::memcpy(buf, data, length);
        ogg_sync_wrote(&sync, long(length));
        ogg_page page;
        int r;
        while (!found && (r = ogg_sync_pageout(&sync, &page)) != 0)
            found = r > 0 && ogg_page_bos(&page) && matcher(page.body, size_t(page.body_len));
    }
    ogg_sync_clear(&sync);
    return found;
}

} // namespace wavelark::modules
