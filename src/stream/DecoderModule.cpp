#include "DecoderModule.h"

#include <cstring>
#include <dlfcn.h>

LibraryHandle::~LibraryHandle()
{
    if (handle_)
        dlclose(handle_);
}

namespace {

template <typename Fn>
bool resolve(void *library, const char *name, Fn &out)
{
    out = reinterpret_cast<Fn>(dlsym(library, name));
    return out != nullptr;
}

} // namespace

bool resolveEntryPoints(void *library, DecoderModule &m)
{
    return resolve(library, "finish", m.finish) && resolve(library, "init", m.init) &&
           resolve(library, "openFeed", m.openFeed) && resolve(library, "valid", m.valid) &&
           resolve(library, "scan", m.scan) && resolve(library, "feed", m.feed) &&
           resolve(library, "decodeFrame", m.decodeFrame) && resolve(library, "getInfo", m.getInfo);
}

namespace {

// Module texts are bounded: a missing terminator must not run away.
QByteArray boundedText(const char *text)
{
    return QByteArray(text, qsizetype(strnlen(text, 65536)));
}

} // namespace

DecoderInfoSnapshot::DecoderInfoSnapshot(const DecoderInfo &info) : record_(info)
{
    hasTitle_ = info.title != nullptr;
    hasArtist_ = info.artist != nullptr;
    hasAlbum_ = info.album != nullptr;
    if (hasTitle_)
        title_ = boundedText(info.title);
    if (hasArtist_)
        artist_ = boundedText(info.artist);
    if (hasAlbum_)
        album_ = boundedText(info.album);
    aim();
}

DecoderInfoSnapshot &DecoderInfoSnapshot::operator=(const DecoderInfoSnapshot &other)
{
    record_ = other.record_;
    title_ = other.title_;
    artist_ = other.artist_;
    album_ = other.album_;
    hasTitle_ = other.hasTitle_;
    hasArtist_ = other.hasArtist_;
    hasAlbum_ = other.hasAlbum_;
    aim();
    return *this;
}

void DecoderInfoSnapshot::aim()
{
    record_.title = hasTitle_ ? title_.constData() : nullptr;
    record_.artist = hasArtist_ ? artist_.constData() : nullptr;
    record_.album = hasAlbum_ ? album_.constData() : nullptr;
}
