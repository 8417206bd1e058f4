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

// The members of Api, as their names after "curl_".
#define WAVELARK_CURL_FUNCTIONS(X)                                                                 \
    X(global_init)                                                                                 \
    X(easy_init)                                                                                   \
    X(easy_cleanup)                                                                                \
    X(easy_pause)                                                                                  \
    X(easy_strerror)                                                                               \
    X(easy_setopt)                                                                                 \
    X(multi_init)                                                                                  \
    X(multi_cleanup)                                                                               \
    X(multi_add_handle)                                                                            \
    X(multi_remove_handle)                                                                         \
    X(multi_perform)                                                                               \
    X(multi_info_read)                                                                             \
    X(multi_poll)                                                                                  \
    X(slist_append)                                                                                \
    X(slist_free_all)

Api api{};
wavelark::SharedLibrary library("libcurl.so.4");

// Bound lazily: binding the thirty-odd libraries behind it at once costs a
// stream's start more CPU and memory than the few calls a stream makes; the
// entry points it needs are looked up here anyway.
bool bind(void *handle)
{
    Api a{};
    bool all = true;
#define WAVELARK_CURL_BIND(name) all = all && wavelark::bindSymbol(handle, "curl_" #name, a.name);
    WAVELARK_CURL_FUNCTIONS(WAVELARK_CURL_BIND)
#undef WAVELARK_CURL_BIND
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
