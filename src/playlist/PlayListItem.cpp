#include "PlayListItem.h"

#include "PlayListText.h"

#include <atomic>
#include <cstring>

namespace {

// Entries are created on worker threads too; the counter only grows.
std::atomic<uint32_t> nextId{1};

QString moduleText(const char *text, size_t limit)
{
    const size_t len = strnlen(text, limit);
    return decodePlayListLine(QByteArrayView(text, static_cast<qsizetype>(len)));
}

// Module texts are zero-terminated; this bound only stops a module that forgot
// the terminator from having us read without end.
constexpr size_t kMaxTagLength = 64 * 1024;

} // namespace

PlayListItem::PlayListItem(const QString &url_, const QString &title_, const QString &artist_,
                           const QString &album_, const QString &genre_,
                           const QString &streamTitle_, int32_t bitrate_,
                           std::optional<int> retryCounter_)
    : url(url_), title(title_), streamTitle(streamTitle_), artist(artist_), album(album_),
      genre(genre_), id(nextId.fetch_add(1, std::memory_order_relaxed)), bitrate(bitrate_),
      retryCounter(retryCounter_)
{}

PlayListItem::PlayListItem(const PlayListItem &other)
    : PlayListItem(other.url, other.title, other.artist, other.album, other.genre,
                   other.streamTitle, other.bitrate)
{
    codec = other.codec;
}

void PlayListItem::setStreamInfo(const DecoderInfo *info)
{
    if (!info) {
        streamInfoValid = false;
        streamInfo = DecoderInfo{};
        format = QString();
        return;
    }
    streamInfo = *info;
    streamInfo.title = nullptr;
    streamInfo.artist = nullptr;
    streamInfo.album = nullptr;
    streamInfoValid = true;
    format = moduleText(info->description, sizeof info->description);
    if (info->title)
        title = moduleText(info->title, kMaxTagLength);
    if (info->artist)
        artist = moduleText(info->artist, kMaxTagLength);
    if (info->album)
        album = moduleText(info->album, kMaxTagLength);
}
