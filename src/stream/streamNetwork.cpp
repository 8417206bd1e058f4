// The stream's network transfer on the shared libcurl multi handle.
#include "stream.h"

#include <QCoreApplication>

#include <curl/curl.h>

#include <cstdio>

namespace {

// libcurl's write function for the stream: capacity, room, append.
size_t writeCallback(char *data, size_t size, size_t count, void *user)
{
    auto *stream = static_cast<RadioStream *>(user);
    const size_t length = size * count;
    return stream->takeNetworkBlock(data, length) ? length : 0;
}

} // namespace

void RadioStream::initNetwork()
{
    multi_ = curl_multi_init();
    headers_ = curl_slist_append(nullptr, "Icy-MetaData: 1");
}

void RadioStream::cleanupNetwork()
{
    std::lock_guard lock(fetchMutex_);
    removeStreamHandle();
    if (multi_)
        curl_multi_cleanup(static_cast<CURLM *>(multi_));
    multi_ = nullptr;
    curl_slist_free_all(static_cast<curl_slist *>(headers_));
    headers_ = nullptr;
}

bool RadioStream::takeNetworkBlock(const char *data, size_t length)
{
    return appendBlock(data, length, true);
}

bool RadioStream::openRemoteSource(PlayListItem *item)
{
    std::lock_guard lock(fetchMutex_);
    CURL *easy = curl_easy_init();
    easy_ = easy;
    const QByteArray url = item->url.toUtf8();
    std::fprintf(stderr, "addCurlHandle(): URL='%s'\n", url.constData());
    curl_easy_setopt(easy, CURLOPT_VERBOSE, long(verbosity_));
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(easy, CURLOPT_URL, url.constData());
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, connectTimeout_);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, writeCallback);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, static_cast<curl_slist *>(headers_));
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, 8L);
    curl_multi_add_handle(static_cast<CURLM *>(multi_), easy);
    return true;
}

void RadioStream::removeStreamHandle()
{
    std::lock_guard lock(fetchMutex_);
    if (!easy_)
        return;
    curl_multi_remove_handle(static_cast<CURLM *>(multi_), static_cast<CURL *>(easy_));
    curl_easy_cleanup(static_cast<CURL *>(easy_));
    easy_ = nullptr;
}

void RadioStream::runTransfers()
{
    CURLM *multi = static_cast<CURLM *>(multi_);
    for (;;) {
        int running = 0;
        const CURLMcode rc = curl_multi_perform(multi, &running);
        int left = 0;
        while (CURLMsg *msg = curl_multi_info_read(multi, &left)) {
            if (msg->msg != CURLMSG_DONE)
                continue;
            if (!isPlaying())
                return;
            if (msg->easy_handle == easy_) {
                endOfData_ = true;
                if (msg->data.result != CURLE_OK)
                    failPlaying(QString::fromUtf8(curl_easy_strerror(msg->data.result)));
            }
        }
        if (rc != CURLM_CALL_MULTI_PERFORM || !fetchPending_)
            return;
    }
}

void RadioStream::slotFetch()
{
}

int RadioStream::sniffHeader()
{
    return 0;
}

void RadioStream::postPlaylistFromBuffer(int code)
{
    auto list = std::make_unique<RadioPlayList>();
    const PlayListFormat format = code == 2   ? PlayListFormat::PlainList
                                  : code <= 4 ? PlayListFormat::Pls
                                              : PlayListFormat::M3u;
    list->openBuffer(holdBuffer_.data(), qsizetype(holdBuffer_.fill()), format);
    if (receiver_)
        QCoreApplication::postEvent(receiver_, new StreamPlaylistEventData(std::move(list)));
}

void RadioStream::parseIcyTags(PlayListItem &)
{
}
