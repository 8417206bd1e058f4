#include "CurlLibrary.h"

#include "SharedLibrary.h"

namespace curl {
namespace {

struct Api
{
    CURLcode (*global_init)(long);
    CURL *(*easy_init)();
    void (*easy_cleanup)(CURL *);
    CURLcode (*easy_pause)(CURL *, int);
    const char *(*easy_strerror)(CURLcode);
    CURLcode (*easy_setopt)(CURL *, CURLoption, ...);
    CURLM *(*multi_init)();
    CURLMcode (*multi_cleanup)(CURLM *);
    CURLMcode (*multi_add_handle)(CURLM *, CURL *);
    CURLMcode (*multi_remove_handle)(CURLM *, CURL *);
    CURLMcode (*multi_perform)(CURLM *, int *);
    CURLMsg *(*multi_info_read)(CURLM *, int *);
    CURLMcode (*multi_poll)(CURLM *, curl_waitfd *, unsigned, int, int *);
    curl_slist *(*slist_append)(curl_slist *, const char *);
    void (*slist_free_all)(curl_slist *);
};

Api api{};
wavelark::SharedLibrary library("libcurl.so.4");

// Bound lazily: binding the thirty-odd libraries behind it at once costs a
// stream's start more CPU and memory than the few calls a stream makes; the
// entry points it needs are looked up here anyway.
bool bind(void *handle)
{
    using wavelark::bindSymbol;
    Api a{};
    const bool all = bindSymbol(handle, "curl_global_init", a.global_init) &&
                     bindSymbol(handle, "curl_easy_init", a.easy_init) &&
                     bindSymbol(handle, "curl_easy_cleanup", a.easy_cleanup) &&
                     bindSymbol(handle, "curl_easy_pause", a.easy_pause) &&
                     bindSymbol(handle, "curl_easy_strerror", a.easy_strerror) &&
                     bindSymbol(handle, "curl_easy_setopt", a.easy_setopt) &&
                     bindSymbol(handle, "curl_multi_init", a.multi_init) &&
                     bindSymbol(handle, "curl_multi_cleanup", a.multi_cleanup) &&
                     bindSymbol(handle, "curl_multi_add_handle", a.multi_add_handle) &&
                     bindSymbol(handle, "curl_multi_remove_handle", a.multi_remove_handle) &&
                     bindSymbol(handle, "curl_multi_perform", a.multi_perform) &&
                     bindSymbol(handle, "curl_multi_info_read", a.multi_info_read) &&
                     bindSymbol(handle, "curl_multi_poll", a.multi_poll) &&
                     bindSymbol(handle, "curl_slist_append", a.slist_append) &&
                     bindSymbol(handle, "curl_slist_free_all", a.slist_free_all);
    if (!all || a.global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK)
        return false;
    api = a;
    return true;
}

} // namespace

bool load()
{
    return library.load(bind);
}

CURL *easy_init()
{
    return load() ? api.easy_init() : nullptr;
}

void easy_cleanup(CURL *handle)
{
    if (handle && load())
        api.easy_cleanup(handle);
}

CURLcode easy_pause(CURL *handle, int bitmask)
{
    return load() ? api.easy_pause(handle, bitmask) : CURLE_FAILED_INIT;
}

const char *easy_strerror(CURLcode code)
{
    return load() ? api.easy_strerror(code) : "libcurl could not be loaded";
}

CURLcode easy_setopt(CURL *handle, CURLoption option, long value)
{
    if (!load())
        return CURLE_FAILED_INIT;
    if (option >= CURLOPTTYPE_OFF_T && option < CURLOPTTYPE_BLOB)
        return api.easy_setopt(handle, option, curl_off_t(value));
    return api.easy_setopt(handle, option, value);
}

CURLcode easy_setopt(CURL *handle, CURLoption option, const void *value)
{
    return load() ? api.easy_setopt(handle, option, value) : CURLE_FAILED_INIT;
}

CURLcode easy_setopt_function(CURL *handle, CURLoption option, void (*value)())
{
    return load() ? api.easy_setopt(handle, option, value) : CURLE_FAILED_INIT;
}

CURLM *multi_init()
{
    return load() ? api.multi_init() : nullptr;
}

CURLMcode multi_cleanup(CURLM *multi)
{
    return multi && load() ? api.multi_cleanup(multi) : CURLM_BAD_HANDLE;
}

CURLMcode multi_add_handle(CURLM *multi, CURL *handle)
{
    return load() ? api.multi_add_handle(multi, handle) : CURLM_INTERNAL_ERROR;
}

CURLMcode multi_remove_handle(CURLM *multi, CURL *handle)
{
    return load() ? api.multi_remove_handle(multi, handle) : CURLM_INTERNAL_ERROR;
}

CURLMcode multi_perform(CURLM *multi, int *running)
{
    return load() ? api.multi_perform(multi, running) : CURLM_INTERNAL_ERROR;
}

CURLMsg *multi_info_read(CURLM *multi, int *left)
{
    return load() ? api.multi_info_read(multi, left) : nullptr;
}

CURLMcode multi_poll(CURLM *multi, int timeoutMs)
{
    return load() ? api.multi_poll(multi, nullptr, 0, timeoutMs, nullptr) : CURLM_INTERNAL_ERROR;
}

curl_slist *slist_append(curl_slist *list, const char *line)
{
    return load() ? api.slist_append(list, line) : nullptr;
}

void slist_free_all(curl_slist *list)
{
    if (list && load())
        api.slist_free_all(list);
}

} // namespace curl
