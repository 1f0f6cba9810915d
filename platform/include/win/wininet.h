// The WinINet subset the program calls, carried by libcurl (platform/inet/).
//
// Handles (HINTERNET) are 32-bit values from the platform's handle table;
// closing a root handle closes the connections and requests opened under it.
// Texts in and out are GBK bytes. Bytes of an object path outside printable
// ASCII (non-ASCII GBK bytes, blanks, control bytes) are sent percent-encoded,
// byte by byte; everything else of the path and query is sent exactly as
// given ("/../" is not folded); a '#' and what follows are not sent. A host
// name with GBK bytes is handed to the resolver as UTF-8.
//
// What goes on the wire: the request line; Host; User-Agent (the root's
// agent, unless the caller's headers name one); the Referer and Accept lines
// of HttpOpenRequestA unless the send headers name them; the send headers,
// line by line in the caller's order and bytes (a line whose value is empty
// goes out as "Name:"; lines without a name and colon are dropped); with
// automatic cookies, a Cookie line from the store before the caller's lines;
// for a body, Content-Length after the caller's lines. Nothing else: no
// Accept, Content-Type or Expect of the library's own. POST and PUT always
// carry a body (Content-Length: 0 when empty); HEAD never does.
//
// HttpSendRequestA returns TRUE once a reply's header block has arrived,
// whatever its status; interim 1xx replies are skipped. Redirections (301,
// 302, 303, 307, 308) are followed unless INTERNET_FLAG_NO_AUTO_REDIRECT is
// set; from http to https only with INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS,
// from https to http only with INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP --
// otherwise the redirection itself is the reply. 303, and 301/302 after a
// POST, continue with a GET without the body. Credentials and the caller's
// Cookie and Authorization lines are not carried to another server.
//
// InternetReadFile fills the caller's buffer unless the body ends first,
// returns TRUE with 0 bytes at the end, and after a transfer that broke off
// (reset, stall, body limit) first hands out every byte received, then
// returns FALSE with 0 bytes.
//
// Cookies: without INTERNET_FLAG_NO_COOKIES, one store for the whole process
// (all roots) sends and keeps cookies, in memory only; with the flag, none
// are sent or kept and the caller's own Cookie line goes out alone.
//
// Proxies: DIRECT none; PRECONFIG the environment's http_proxy, https_proxy
// and no_proxy (the system setting here); PROXY "host:port" for every scheme
// or "http=host:port https=host:port" per scheme, separated by blanks or ';'.
// Loopback hosts never use a proxy unless the bypass list holds "<-loopback>".
// INTERNET_OPTION_PROXY on a root changes it for requests sent afterwards.
//
// Not carried: asynchronous use (INTERNET_FLAG_ASYNC is refused), FTP and
// gopher services, a cache (RELOAD, NO_CACHE_WRITE and the other cache flags
// are accepted and mean what they mean without one). Server credentials given
// to InternetConnectA go out as Basic authentication with the first request.
//
// Limits on every transfer (platform/inet/inet_limits.h holds the values and
// the test override):
//   connect time-out            10 s (INTERNET_OPTION_CONNECT_TIMEOUT changes it)
//   no progress (stall)         30 s without a byte either way ends the transfer
//                               (INTERNET_OPTION_RECEIVE_TIMEOUT changes it)
//   whole transfer              30 min, a last guard against a dripping server
//   reply header block          256 KiB
//   reply body                  256 MiB
//   redirections followed       10 (none with INTERNET_FLAG_NO_AUTO_REDIRECT)
//
// Trust for https: the system's certificate store, plus the PEM file named by
// the environment variable SIGDESIGNER_CA_FILE when it is set (tests point it
// at a certificate they make). Verification is never switched off.
#pragma once

#include "win/kernel.h"
#include "win/types.h"

typedef WORD INTERNET_PORT;
typedef int32_t INTERNET_SCHEME;

// Access types of InternetOpenA.
#define INTERNET_OPEN_TYPE_PRECONFIG 0  // the environment's proxy variables
#define INTERNET_OPEN_TYPE_DIRECT 1
#define INTERNET_OPEN_TYPE_PROXY 3
#define INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY 4

#define INTERNET_INVALID_PORT_NUMBER 0
#define INTERNET_DEFAULT_FTP_PORT 21
#define INTERNET_DEFAULT_HTTP_PORT 80
#define INTERNET_DEFAULT_HTTPS_PORT 443

#define INTERNET_SERVICE_FTP 1
#define INTERNET_SERVICE_GOPHER 2
#define INTERNET_SERVICE_HTTP 3

// Request flags (HttpOpenRequestA) with their Windows values.
#define INTERNET_FLAG_RELOAD 0x80000000u
#define INTERNET_FLAG_RAW_DATA 0x40000000u
#define INTERNET_FLAG_EXISTING_CONNECT 0x20000000u
#define INTERNET_FLAG_ASYNC 0x10000000u
#define INTERNET_FLAG_PASSIVE 0x08000000u
#define INTERNET_FLAG_NO_CACHE_WRITE 0x04000000u
#define INTERNET_FLAG_DONT_CACHE INTERNET_FLAG_NO_CACHE_WRITE
#define INTERNET_FLAG_MAKE_PERSISTENT 0x02000000u
#define INTERNET_FLAG_FROM_CACHE 0x01000000u
#define INTERNET_FLAG_OFFLINE INTERNET_FLAG_FROM_CACHE
#define INTERNET_FLAG_SECURE 0x00800000u
#define INTERNET_FLAG_KEEP_CONNECTION 0x00400000u
#define INTERNET_FLAG_NO_AUTO_REDIRECT 0x00200000u
#define INTERNET_FLAG_READ_PREFETCH 0x00100000u
#define INTERNET_FLAG_NO_COOKIES 0x00080000u
#define INTERNET_FLAG_NO_AUTH 0x00040000u
#define INTERNET_FLAG_CACHE_IF_NET_FAIL 0x00010000u
#define INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTP 0x00008000u
#define INTERNET_FLAG_IGNORE_REDIRECT_TO_HTTPS 0x00004000u
#define INTERNET_FLAG_IGNORE_CERT_DATE_INVALID 0x00002000u
#define INTERNET_FLAG_IGNORE_CERT_CN_INVALID 0x00001000u
#define INTERNET_FLAG_RESYNCHRONIZE 0x00000800u
#define INTERNET_FLAG_HYPERLINK 0x00000400u
#define INTERNET_FLAG_NO_UI 0x00000200u
#define INTERNET_FLAG_PRAGMA_NOCACHE 0x00000100u
#define INTERNET_FLAG_CACHE_ASYNC 0x00000080u
#define INTERNET_FLAG_FORMS_SUBMIT 0x00000040u
#define INTERNET_FLAG_NEED_FILE 0x00000010u
#define INTERNET_FLAG_TRANSFER_BINARY 0x00000002u

// HttpQueryInfoA levels and modifiers.
#define HTTP_QUERY_MIME_VERSION 0
#define HTTP_QUERY_CONTENT_TYPE 1
#define HTTP_QUERY_CONTENT_TRANSFER_ENCODING 2
#define HTTP_QUERY_CONTENT_ID 3
#define HTTP_QUERY_CONTENT_DESCRIPTION 4
#define HTTP_QUERY_CONTENT_LENGTH 5
#define HTTP_QUERY_CONTENT_LANGUAGE 6
#define HTTP_QUERY_ALLOW 7
#define HTTP_QUERY_PUBLIC 8
#define HTTP_QUERY_DATE 9
#define HTTP_QUERY_EXPIRES 10
#define HTTP_QUERY_LAST_MODIFIED 11
#define HTTP_QUERY_MESSAGE_ID 12
#define HTTP_QUERY_URI 13
#define HTTP_QUERY_DERIVED_FROM 14
#define HTTP_QUERY_COST 15
#define HTTP_QUERY_LINK 16
#define HTTP_QUERY_PRAGMA 17
#define HTTP_QUERY_VERSION 18
#define HTTP_QUERY_STATUS_CODE 19
#define HTTP_QUERY_STATUS_TEXT 20
#define HTTP_QUERY_RAW_HEADERS 21
#define HTTP_QUERY_RAW_HEADERS_CRLF 22
#define HTTP_QUERY_CONNECTION 23
#define HTTP_QUERY_ACCEPT 24
#define HTTP_QUERY_ACCEPT_CHARSET 25
#define HTTP_QUERY_ACCEPT_ENCODING 26
#define HTTP_QUERY_ACCEPT_LANGUAGE 27
#define HTTP_QUERY_AUTHORIZATION 28
#define HTTP_QUERY_CONTENT_ENCODING 29
#define HTTP_QUERY_FORWARDED 30
#define HTTP_QUERY_FROM 31
#define HTTP_QUERY_IF_MODIFIED_SINCE 32
#define HTTP_QUERY_LOCATION 33
#define HTTP_QUERY_ORIG_URI 34
#define HTTP_QUERY_REFERER 35
#define HTTP_QUERY_RETRY_AFTER 36
#define HTTP_QUERY_SERVER 37
#define HTTP_QUERY_TITLE 38
#define HTTP_QUERY_USER_AGENT 39
#define HTTP_QUERY_WWW_AUTHENTICATE 40
#define HTTP_QUERY_PROXY_AUTHENTICATE 41
#define HTTP_QUERY_ACCEPT_RANGES 42
#define HTTP_QUERY_SET_COOKIE 43
#define HTTP_QUERY_COOKIE 44
#define HTTP_QUERY_REQUEST_METHOD 45
#define HTTP_QUERY_REFRESH 46
#define HTTP_QUERY_CONTENT_DISPOSITION 47
#define HTTP_QUERY_AGE 48
#define HTTP_QUERY_CACHE_CONTROL 49
#define HTTP_QUERY_CONTENT_BASE 50
#define HTTP_QUERY_CONTENT_LOCATION 51
#define HTTP_QUERY_CONTENT_MD5 52
#define HTTP_QUERY_CONTENT_RANGE 53
#define HTTP_QUERY_ETAG 54
#define HTTP_QUERY_HOST 55
#define HTTP_QUERY_ACCEPT_RANGES_ALT 56
#define HTTP_QUERY_TRANSFER_ENCODING 63
#define HTTP_QUERY_CUSTOM 65535
#define HTTP_QUERY_MODIFIER_FLAGS_MASK 0xF0000000u
#define HTTP_QUERY_HEADER_MASK 0x0000FFFFu
#define HTTP_QUERY_FLAG_REQUEST_HEADERS 0x80000000u
#define HTTP_QUERY_FLAG_SYSTEMTIME 0x40000000u
#define HTTP_QUERY_FLAG_NUMBER 0x20000000u
#define HTTP_QUERY_FLAG_COALESCE 0x10000000u

// InternetSetOptionA options.
#define INTERNET_OPTION_CONNECT_TIMEOUT 2
#define INTERNET_OPTION_SEND_TIMEOUT 5
#define INTERNET_OPTION_RECEIVE_TIMEOUT 6
#define INTERNET_OPTION_USERNAME 28
#define INTERNET_OPTION_PASSWORD 29
#define INTERNET_OPTION_REFRESH 37
#define INTERNET_OPTION_PROXY 38
#define INTERNET_OPTION_SETTINGS_CHANGED 39
#define INTERNET_OPTION_PROXY_USERNAME 43
#define INTERNET_OPTION_PROXY_PASSWORD 44

struct INTERNET_PROXY_INFO {
    DWORD dwAccessType;
    LPCSTR lpszProxy;
    LPCSTR lpszProxyBypass;
};
typedef INTERNET_PROXY_INFO* LPINTERNET_PROXY_INFO;

// URL schemes reported by InternetCrackUrlA.
#define INTERNET_SCHEME_PARTIAL (-2)
#define INTERNET_SCHEME_UNKNOWN (-1)
#define INTERNET_SCHEME_DEFAULT 0
#define INTERNET_SCHEME_FTP 1
#define INTERNET_SCHEME_GOPHER 2
#define INTERNET_SCHEME_HTTP 3
#define INTERNET_SCHEME_HTTPS 4
#define INTERNET_SCHEME_FILE 5
#define INTERNET_SCHEME_NEWS 6
#define INTERNET_SCHEME_MAILTO 7
#define INTERNET_SCHEME_SOCKS 8
#define INTERNET_SCHEME_JAVASCRIPT 9
#define INTERNET_SCHEME_VBSCRIPT 10
#define INTERNET_SCHEME_RES 11

#define ICU_ESCAPE 0x80000000u
#define ICU_DECODE 0x10000000u

// For each part: pointer 0 and length 0 = not wanted; pointer 0 and length
// non-zero = a pointer into the address and the part's length; pointer and
// length = a copy into that buffer of that size (NUL included).
struct URL_COMPONENTSA {
    DWORD dwStructSize;
    LPSTR lpszScheme;
    DWORD dwSchemeLength;
    INTERNET_SCHEME nScheme;
    LPSTR lpszHostName;
    DWORD dwHostNameLength;
    INTERNET_PORT nPort;
    LPSTR lpszUserName;
    DWORD dwUserNameLength;
    LPSTR lpszPassword;
    DWORD dwPasswordLength;
    LPSTR lpszUrlPath;
    DWORD dwUrlPathLength;
    LPSTR lpszExtraInfo;
    DWORD dwExtraInfoLength;
};
typedef URL_COMPONENTSA* LPURL_COMPONENTSA;

// Error codes (GetLastError) the subset reports, besides the kernel's
// ERROR_INVALID_HANDLE, ERROR_INVALID_PARAMETER and ERROR_INSUFFICIENT_BUFFER.
#define ERROR_INTERNET_OUT_OF_HANDLES 12001u
#define ERROR_INTERNET_TIMEOUT 12002u
#define ERROR_INTERNET_INTERNAL_ERROR 12004u
#define ERROR_INTERNET_INVALID_URL 12005u
#define ERROR_INTERNET_UNRECOGNIZED_SCHEME 12006u
#define ERROR_INTERNET_NAME_NOT_RESOLVED 12007u
#define ERROR_INTERNET_INVALID_OPTION 12009u
#define ERROR_INTERNET_INCORRECT_HANDLE_TYPE 12018u
#define ERROR_INTERNET_INCORRECT_HANDLE_STATE 12019u
#define ERROR_INTERNET_CANNOT_CONNECT 12029u
#define ERROR_INTERNET_CONNECTION_ABORTED 12030u
#define ERROR_INTERNET_CONNECTION_RESET 12031u
#define ERROR_INTERNET_SEC_CERT_ERRORS 12055u
#define ERROR_INTERNET_SECURITY_CHANNEL_ERROR 12157u
#define ERROR_HTTP_HEADER_NOT_FOUND 12150u
#define ERROR_HTTP_INVALID_SERVER_RESPONSE 12152u
#define ERROR_HTTP_REDIRECT_FAILED 12156u

// The port of InternetConnectA is taken as a 32-bit integer so that a value
// above 65535 is refused instead of wrapping to another port.
WINEXPORT HINTERNET InternetOpenA(LPCSTR lpszAgent, DWORD dwAccessType, LPCSTR lpszProxy,
                                  LPCSTR lpszProxyBypass, DWORD dwFlags);
WINEXPORT HINTERNET InternetConnectA(HINTERNET hInternet, LPCSTR lpszServerName, DWORD nServerPort,
                                     LPCSTR lpszUserName, LPCSTR lpszPassword, DWORD dwService,
                                     DWORD dwFlags, DWORD_PTR dwContext);
WINEXPORT HINTERNET HttpOpenRequestA(HINTERNET hConnect, LPCSTR lpszVerb, LPCSTR lpszObjectName,
                                     LPCSTR lpszVersion, LPCSTR lpszReferrer, LPCSTR* lplpszAcceptTypes,
                                     DWORD dwFlags, DWORD_PTR dwContext);
// dwHeadersLength 0xFFFFFFFF: the headers are NUL-terminated.
WINEXPORT BOOL HttpSendRequestA(HINTERNET hRequest, LPCSTR lpszHeaders, DWORD dwHeadersLength,
                                LPVOID lpOptional, DWORD dwOptionalLength);
WINEXPORT BOOL InternetReadFile(HINTERNET hFile, LPVOID lpBuffer, DWORD dwNumberOfBytesToRead,
                                LPDWORD lpdwNumberOfBytesRead);
WINEXPORT BOOL HttpQueryInfoA(HINTERNET hRequest, DWORD dwInfoLevel, LPVOID lpBuffer,
                              LPDWORD lpdwBufferLength, LPDWORD lpdwIndex);
WINEXPORT BOOL InternetCloseHandle(HINTERNET hInternet);
WINEXPORT BOOL InternetCrackUrlA(LPCSTR lpszUrl, DWORD dwUrlLength, DWORD dwFlags,
                                 LPURL_COMPONENTSA lpUrlComponents);
WINEXPORT BOOL InternetSetOptionA(HINTERNET hInternet, DWORD dwOption, LPVOID lpBuffer,
                                  DWORD dwBufferLength);
