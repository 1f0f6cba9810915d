// WebAccess: the application's HTTP client. One request through the
// operating system's internet functions (DLL commands 3 to 10), with default
// request headers, flags chosen from the address's scheme, the raw reply
// headers and the cookies the reply sets.
//
//   app::Bytes page = app::WebAccess(address, 1, body);  // POST a form
//
// In/out and out parameters are the caller's variables (null: not given);
// what the routine writes into them replaces and frees what they held.
#pragma once

#include <cstdint>

#include "app/core_calls.h"
#include "app/optional_arg.h"

namespace app {

// Method numbers; any other number sends GET.
enum WebMethod : int32_t {
    kWebGet = 0,
    kWebPost,
    kWebHead,
    kWebPut,
    kWebOptions,
    kWebDelete,
    kWebTrace,
    kWebConnect,
    kWebMethodCount,
};

// Parameters in order:
//  address          "http://..." or "https://..." (letter case of the scheme free)
//  method           0-7 as above; default 0
//  bodyText         body for every method but GET when bodyBytes is empty
//  cookiesToSend    "a=1; b=2"; giving it at all, even empty, switches the
//                   system's automatic cookies off and (with mergeCookies)
//                   merges it into receivedCookies
//  receivedCookies  out: the cookies the reply set
//  extraHeaders     in/out: CRLF-separated lines, completed with the defaults
//  replyHeaders     out: the raw reply header block (5000 blanks when the
//                   block does not fit 5000 bytes or no reply came)
//  noRedirect       true: redirections are not followed
//  bodyBytes        body for every method but GET; wins when not empty
//  proxy            "host:port"; empty: direct
//  mergeCookies     default true
// Result: the reply body, empty when none arrived or the request could not
// be set up (then receivedCookies, extraHeaders and replyHeaders are left
// as they were).
Bytes WebAccess(const char* address, Optional<int32_t> method = {}, Optional<const char*> bodyText = {},
                Optional<const char*> cookiesToSend = {}, Text* receivedCookies = nullptr,
                Text* extraHeaders = nullptr, Text* replyHeaders = nullptr, Optional<bool> noRedirect = {},
                Optional<const void*> bodyBytes = {}, Optional<const char*> proxy = {},
                Optional<bool> mergeCookies = {});

}  // namespace app
