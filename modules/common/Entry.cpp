// The eight C entry points of a decoder module, shared by every module: a
// table of feed handles, each owning one Decoder made by the module's hooks.
// Nothing thrown gets past these functions.
#include "Decoder.h"

#include <wavelark/decoder.h>

#include <atomic>
#include <climits>
#include <map>
#include <mutex>
#include <type_traits>

using namespace wavelark::modules;

namespace {

// Open feeds at most; openFeed answers -1 beyond (bounds memory when a
// caller leaks handles).
constexpr size_t kMaxFeeds = 64;
// decodeFrame calls a validity trial makes at most.
constexpr int kTrialCalls = 64;

struct Feed
{
    FormatTable table;
    std::unique_ptr<Decoder> decoder;
};

std::atomic<int> g_verbosity{0};
// Guards the table and every call into a Decoder: one module call at a time,
// as the engine's decoder lock does anyway.
std::mutex g_lock;
std::map<int, Feed> g_feeds;
int g_nextHandle = 1;

Feed *findFeed(int handle)
{
    const auto it = g_feeds.find(handle);
    return it == g_feeds.end() ? nullptr : &it->second;
}

// Decodes the offered bytes on a scratch decoder: true once a frame came out
// with a known format, and `into` then holds what the trial learnt.
bool trialDecode(const FormatTable &table, const uint8_t *data, size_t length, InfoRecord *into)
{
    std::unique_ptr<Decoder> trial = moduleCreate(table);
    if (!trial || trial->feed(data, length) != 0)
        return false;
    for (int i = 0; i < kTrialCalls; ++i) {
        const uint8_t *pcm = nullptr;
        int bytes = 0;
        const int r = trial->decodeFrame(&pcm, &bytes);
        if ((r == kFrame || r == kChanged) && bytes > 0 &&
            (trial->info()->flags & WAVELARK_INFO_FORMAT_VALID)) {
            if (into)
                *into = trial->infoRecord();
            return true;
        }
        if (r != kFrame && r != kChanged)
            return false;
    }
    return false;
}

int checkData(int handle, const unsigned char *data, int length, bool keepInfo)
{
    if (!data || length <= 0)
        return 0;
    std::lock_guard lock(g_lock);
    Feed *f = findFeed(handle);
    if (!f || !moduleLooksValid(data, size_t(length)))
        return 0;
    return trialDecode(f->table, data, size_t(length),
                       keepInfo ? &f->decoder->infoRecord() : nullptr)
               ? 1
               : 0;
}

} // namespace

namespace wavelark::modules {
int moduleVerbosity()
{
    return g_verbosity.load(std::memory_order_relaxed);
}
} // namespace wavelark::modules

extern "C" {

WAVELARK_MODULE_EXPORT int init(int verbosity)
{
    try {
        g_verbosity.store(verbosity, std::memory_order_relaxed);
        return 0;
    } catch (...) {
        return -1;
    }
}

WAVELARK_MODULE_EXPORT int openFeed(const int *formats, int count)
{
    try {
        std::lock_guard lock(g_lock);
        if (g_feeds.size() >= kMaxFeeds)
            return -1;
        Feed feed{FormatTable::fromTriples(formats, count), nullptr};
        feed.decoder = moduleCreate(feed.table);
        if (!feed.decoder)
            return -1;
        while (g_feeds.count(g_nextHandle))
            g_nextHandle = g_nextHandle == INT_MAX ? 1 : g_nextHandle + 1;
        const int handle = g_nextHandle;
        g_nextHandle = g_nextHandle == INT_MAX ? 1 : g_nextHandle + 1;
        g_feeds.emplace(handle, std::move(feed));
        return handle;
    } catch (...) {
        return -1;
    }
}

// 1 when the bytes pass the module's structural check and a trial decode of
// them yields audio; the handle's information then describes the stream.
WAVELARK_MODULE_EXPORT int valid(int handle, const unsigned char *data, int length)
{
    try {
        return checkData(handle, data, length, true);
    } catch (...) {
        return 0;
    }
}

// Never called by the program; answers like valid without touching the
// handle's information.
WAVELARK_MODULE_EXPORT int scan(int handle, const unsigned char *data, int length)
{
    try {
        return checkData(handle, data, length, false);
    } catch (...) {
        return 0;
    }
}

WAVELARK_MODULE_EXPORT int feed(int handle, const unsigned char *data, int length)
{
    try {
        if (length < 0 || (length > 0 && !data))
            return -1;
        std::lock_guard lock(g_lock);
        Feed *f = findFeed(handle);
        if (!f)
            return -1;
        return length == 0 ? 0 : f->decoder->feed(data, size_t(length));
    } catch (...) {
        return -1;
    }
}

WAVELARK_MODULE_EXPORT int decodeFrame(int handle, const unsigned char **pcm, int *length)
{
    try {
        if (!pcm || !length)
            return -1;
        *pcm = nullptr;
        *length = 0;
        std::lock_guard lock(g_lock);
        Feed *f = findFeed(handle);
        if (!f)
            return -1;
        const int r = f->decoder->decodeFrame(pcm, length);
        if (r != kFrame && r != kChanged) {
            *pcm = nullptr;
            *length = 0;
        }
        return r;
    } catch (...) {
        *pcm = nullptr;
        *length = 0;
        return -1;
    }
}

WAVELARK_MODULE_EXPORT const DecoderInfo *getInfo(int handle)
{
    try {
        std::lock_guard lock(g_lock);
        Feed *f = findFeed(handle);
        return f ? f->decoder->info() : nullptr;
    } catch (...) {
        return nullptr;
    }
}

WAVELARK_MODULE_EXPORT void finish(int handle)
{
    try {
        std::unique_ptr<Decoder> doomed;
        std::lock_guard lock(g_lock);
        const auto it = g_feeds.find(handle);
        if (it != g_feeds.end()) {
            doomed = std::move(it->second.decoder);
            g_feeds.erase(it);
        }
    } catch (...) {}
}

} // extern "C"

// The definitions above must have exactly the types the program resolves.
static_assert(std::is_same_v<decltype(&init), WavelarkInitFn>);
static_assert(std::is_same_v<decltype(&openFeed), WavelarkOpenFeedFn>);
static_assert(std::is_same_v<decltype(&valid), WavelarkValidFn>);
static_assert(std::is_same_v<decltype(&scan), WavelarkScanFn>);
static_assert(std::is_same_v<decltype(&feed), WavelarkFeedFn>);
static_assert(std::is_same_v<decltype(&decodeFrame), WavelarkDecodeFrameFn>);
static_assert(std::is_same_v<decltype(&getInfo), WavelarkGetInfoFn>);
static_assert(std::is_same_v<decltype(&finish), WavelarkFinishFn>);
