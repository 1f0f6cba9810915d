// libcurl, loaded by the first request rather than when the program starts:
// most runs of a program make no request before their first window is up
// (tests and automation often none at all), and libcurl brings some
// twenty-five libraries with it (TLS, Kerberos, LDAP, SSH), a noticeable
// share of a start.
#pragma once

#include <curl/curl.h>

#include <string>

// The functions, by their names less the curl_ prefix (libcurl defines some
// of the full names as type-checking macros).
#define SIG_CURL_FUNCTIONS(X)                                                                                   \
    X(global_init) X(share_init) X(share_setopt) X(multi_init) X(multi_cleanup) X(multi_add_handle)             \
    X(multi_remove_handle) X(multi_perform) X(multi_poll) X(multi_info_read) X(easy_init) X(easy_cleanup)       \
    X(easy_setopt) X(easy_getinfo) X(easy_pause) X(slist_append) X(slist_free_all) X(url) X(url_set) X(url_get) \
    X(url_cleanup) X(free)

namespace platform::inet {

struct CurlApi {
#define SIG_CURL_POINTER(name) decltype(&::curl_##name) name = nullptr;
    SIG_CURL_FUNCTIONS(SIG_CURL_POINTER)
#undef SIG_CURL_POINTER
};

// Loads the library and initialises it once; false with *why when it or one
// of the functions is missing.
bool LoadCurl(std::string* why = nullptr);
// The loaded functions; only after LoadCurl returned true.
const CurlApi& Curl();

}  // namespace platform::inet
