#pragma once

#include <wavelark/decoder.h>

#include <QByteArray>
#include <QString>

#include <memory>

// An accepted decoder module: its entry points, the library that holds
// them and the open feed handle. Calls into it are made under the engine's
// decoder lock. The library is never unloaded once a module was accepted
// from it (another search may hand out the same library again).
struct DecoderModule
{
    WavelarkInitFn init = nullptr;
    WavelarkValidFn valid = nullptr;
    WavelarkScanFn scan = nullptr;
    WavelarkFeedFn feed = nullptr;
    WavelarkDecodeFrameFn decodeFrame = nullptr;
    WavelarkGetInfoFn getInfo = nullptr;
    WavelarkOpenFeedFn openFeed = nullptr;
    WavelarkFinishFn finish = nullptr;
    void *library = nullptr;
    const DecoderInfo *info = nullptr; // module-owned, from the last getInfo
    int handle = -1;
    QString name;
};

using DecoderModulePtr = std::unique_ptr<DecoderModule>;

// A dlopen handle that is closed unless released.
class LibraryHandle
{
public:
    explicit LibraryHandle(void *handle = nullptr) : handle_(handle) {}
    ~LibraryHandle();
    LibraryHandle(const LibraryHandle &) = delete;
    LibraryHandle &operator=(const LibraryHandle &) = delete;
    void *get() const { return handle_; }
    void *release()
    {
        void *h = handle_;
        handle_ = nullptr;
        return h;
    }

private:
    void *handle_;
};

// Resolves the eight entry points, in the order finish, init, openFeed,
// valid, scan, feed, decodeFrame, getInfo; false at the first one missing.
bool resolveEntryPoints(void *library, DecoderModule &module);

// A copy of a module's record and of the texts it points to, so that it can
// be applied to an entry after the decoder lock is released (the module's
// own record dies with its next call).
class DecoderInfoSnapshot
{
public:
    DecoderInfoSnapshot() = default;
    explicit DecoderInfoSnapshot(const DecoderInfo &info);
    DecoderInfoSnapshot(const DecoderInfoSnapshot &other) { *this = other; }
    DecoderInfoSnapshot &operator=(const DecoderInfoSnapshot &other);
    // The record with its text pointers aimed at this copy's texts.
    const DecoderInfo *get() const { return &record_; }

private:
    void aim();
    DecoderInfo record_{};
    QByteArray title_, artist_, album_;
    bool hasTitle_ = false, hasArtist_ = false, hasAlbum_ = false;
};
