#pragma once

#include <curl/curl.h>

// libcurl, loaded when the first transfer needs it. A local file then plays
// without the thirty-odd libraries libcurl brings (TLS, Kerberos, LDAP, SSH,
// ...), whose loading and relocation cost more start-up time than the rest
// of the program. The functions below stand for libcurl's own of the same
// name; the program is not linked to libcurl, so a direct call would not
// link.
//
// The first call of any of them loads libcurl and runs its global
// initialisation, once, from whichever thread calls first. When libcurl
// cannot be loaded, the handle makers give null, the others give an error
// code (CURLE_FAILED_INIT, CURLM_INTERNAL_ERROR) or do nothing, and
// easy_strerror names the failure.
namespace curl {

// True when libcurl is (now) loaded.
bool load();

CURL *easy_init();
void easy_cleanup(CURL *handle);
CURLcode easy_pause(CURL *handle, int bitmask);
const char *easy_strerror(CURLcode code);

// A number goes to libcurl as a long, or as a curl_off_t for the options
// that take one (CURLOPTTYPE_OFF_T), as libcurl reads them.
CURLcode easy_setopt(CURL *handle, CURLoption option, long value);
CURLcode easy_setopt(CURL *handle, CURLoption option, const void *value);
// A callback, cast to void (*)() by the caller.
CURLcode easy_setopt_function(CURL *handle, CURLoption option, void (*value)());

CURLM *multi_init();
CURLMcode multi_cleanup(CURLM *multi);
CURLMcode multi_add_handle(CURLM *multi, CURL *handle);
CURLMcode multi_remove_handle(CURLM *multi, CURL *handle);
CURLMcode multi_perform(CURLM *multi, int *running);
CURLMsg *multi_info_read(CURLM *multi, int *left);
CURLMcode multi_poll(CURLM *multi, int timeoutMs);

curl_slist *slist_append(curl_slist *list, const char *line);
void slist_free_all(curl_slist *list);

} // namespace curl
