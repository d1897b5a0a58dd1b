// The WinInet subset the program uses for its HTTP and HTTPS requests: blocking sessions,
// connections and requests, options and time-outs, proxy settings and URL combination.
#pragma once

#include "platform/win32.h"

#ifdef _WIN32
#include <wininet.h>

// The calls that carry text take and give CP932 bytes whatever the system's code page; the
// Windows build implements them on the wide calls of wininet.dll, with the sizes and codes of the
// ANSI ones. The time-outs set on a session are handed down to its connections and requests by
// these calls themselves (Wine's WinInet does not hand down the send and receive ones), so
// closing goes through them too. InternetReadFile and InternetGetConnectedState are the system's
// own.
HINTERNET Cp932InternetOpen(LPCSTR lpszAgent, DWORD dwAccessType, LPCSTR lpszProxy,
                            LPCSTR lpszProxyBypass, DWORD dwFlags);
HINTERNET Cp932InternetConnect(HINTERNET hInternet, LPCSTR lpszServerName,
                               INTERNET_PORT nServerPort, LPCSTR lpszUserName, LPCSTR lpszPassword,
                               DWORD dwService, DWORD dwFlags, DWORD_PTR dwContext);
HINTERNET Cp932HttpOpenRequest(HINTERNET hConnect, LPCSTR lpszVerb, LPCSTR lpszObjectName,
                               LPCSTR lpszVersion, LPCSTR lpszReferrer, LPCSTR* lplpszAcceptTypes,
                               DWORD dwFlags, DWORD_PTR dwContext);
BOOL Cp932HttpAddRequestHeaders(HINTERNET hRequest, LPCSTR lpszHeaders, DWORD dwHeadersLength,
                                DWORD dwModifiers);
BOOL Cp932HttpSendRequest(HINTERNET hRequest, LPCSTR lpszHeaders, DWORD dwHeadersLength,
                          LPVOID lpOptional, DWORD dwOptionalLength);
BOOL Cp932HttpQueryInfo(HINTERNET hRequest, DWORD dwInfoLevel, LPVOID lpBuffer,
                        LPDWORD lpdwBufferLength, LPDWORD lpdwIndex);
BOOL Cp932InternetSetOption(HINTERNET hInternet, DWORD dwOption, LPVOID lpBuffer,
                            DWORD dwBufferLength);
BOOL Cp932InternetQueryOption(HINTERNET hInternet, DWORD dwOption, LPVOID lpBuffer,
                              LPDWORD lpdwBufferLength);
BOOL Cp932InternetCombineUrl(LPCSTR lpszBaseUrl, LPCSTR lpszRelativeUrl, LPSTR lpszBuffer,
                             LPDWORD lpdwBufferLength, DWORD dwFlags);
#define InternetOpenA Cp932InternetOpen
#define InternetConnectA Cp932InternetConnect
#define HttpOpenRequestA Cp932HttpOpenRequest
#define HttpAddRequestHeadersA Cp932HttpAddRequestHeaders
#define HttpSendRequestA Cp932HttpSendRequest
#define HttpQueryInfoA Cp932HttpQueryInfo
#define InternetSetOptionA Cp932InternetSetOption
#define InternetQueryOptionA Cp932InternetQueryOption
#define InternetCombineUrlA Cp932InternetCombineUrl
BOOL Cp932InternetCloseHandle(HINTERNET hInternet);
#define InternetCloseHandle Cp932InternetCloseHandle

#else

using HINTERNET = LPVOID;
using LPHINTERNET = HINTERNET*;
using INTERNET_PORT = WORD;

// Access types for InternetOpenA and INTERNET_PROXY_INFO.
#define INTERNET_OPEN_TYPE_PRECONFIG 0
#define INTERNET_OPEN_TYPE_DIRECT 1
#define INTERNET_OPEN_TYPE_PROXY 3
#define INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY 4

#define INTERNET_SERVICE_HTTP 3

#define INTERNET_INVALID_PORT_NUMBER 0
#define INTERNET_DEFAULT_HTTP_PORT 80
#define INTERNET_DEFAULT_HTTPS_PORT 443

// Request flags (HttpOpenRequestA).
#define INTERNET_FLAG_RELOAD 0x80000000
#define INTERNET_FLAG_NO_CACHE_WRITE 0x04000000
#define INTERNET_FLAG_SECURE 0x00800000
#define INTERNET_FLAG_KEEP_CONNECTION 0x00400000
#define INTERNET_FLAG_NO_AUTO_REDIRECT 0x00200000
#define INTERNET_FLAG_NO_COOKIES 0x00080000
#define INTERNET_FLAG_IGNORE_CERT_DATE_INVALID 0x00002000
#define INTERNET_FLAG_IGNORE_CERT_CN_INVALID 0x00001000
#define INTERNET_FLAG_NO_UI 0x00000200
#define INTERNET_FLAG_PRAGMA_NOCACHE 0x00000100

// Header modifiers (HttpAddRequestHeadersA).
#define HTTP_ADDREQ_FLAG_ADD 0x20000000
#define HTTP_ADDREQ_FLAG_REPLACE 0x80000000

// Information levels (HttpQueryInfoA).
#define HTTP_QUERY_CONTENT_TYPE 1
#define HTTP_QUERY_CONTENT_LENGTH 5
#define HTTP_QUERY_VERSION 18
#define HTTP_QUERY_STATUS_CODE 19
#define HTTP_QUERY_STATUS_TEXT 20
#define HTTP_QUERY_TRANSFER_ENCODING 63
#define HTTP_QUERY_LOCATION 33
#define HTTP_QUERY_SERVER 37
#define HTTP_QUERY_FLAG_REQUEST_HEADERS 0x80000000
#define HTTP_QUERY_FLAG_NUMBER 0x20000000
#define HTTP_QUERY_MODIFIER_FLAGS_MASK 0xF0000000
#define HTTP_QUERY_HEADER_MASK (~HTTP_QUERY_MODIFIER_FLAGS_MASK)

// Options (InternetSetOptionA / InternetQueryOptionA). Time-outs are DWORD milliseconds.
#define INTERNET_OPTION_CONNECT_TIMEOUT 2
#define INTERNET_OPTION_CONNECT_RETRIES 3
#define INTERNET_OPTION_SEND_TIMEOUT 5
#define INTERNET_OPTION_CONTROL_SEND_TIMEOUT INTERNET_OPTION_SEND_TIMEOUT
#define INTERNET_OPTION_RECEIVE_TIMEOUT 6
#define INTERNET_OPTION_CONTROL_RECEIVE_TIMEOUT INTERNET_OPTION_RECEIVE_TIMEOUT
#define INTERNET_OPTION_DATA_SEND_TIMEOUT 7
#define INTERNET_OPTION_DATA_RECEIVE_TIMEOUT 8
#define INTERNET_OPTION_HANDLE_TYPE 9
#define INTERNET_OPTION_USER_AGENT 41
#define INTERNET_OPTION_PROXY 38
#define INTERNET_OPTION_PROXY_USERNAME 43
#define INTERNET_OPTION_PROXY_PASSWORD 44
#define INTERNET_OPTION_CONNECTED_STATE 50

// Values of INTERNET_OPTION_HANDLE_TYPE.
#define INTERNET_HANDLE_TYPE_INTERNET 1
#define INTERNET_HANDLE_TYPE_CONNECT_HTTP 4
#define INTERNET_HANDLE_TYPE_HTTP_REQUEST 13

// INTERNET_CONNECTED_INFO.dwConnectedState.
#define INTERNET_STATE_CONNECTED 0x00000001
#define INTERNET_STATE_DISCONNECTED 0x00000002
#define INTERNET_STATE_DISCONNECTED_BY_USER 0x00000010
#define INTERNET_STATE_IDLE 0x00000100
#define INTERNET_STATE_BUSY 0x00000200
#define ISO_FORCE_DISCONNECTED 0x00000001

// InternetGetConnectedState flags.
#define INTERNET_CONNECTION_MODEM 0x01
#define INTERNET_CONNECTION_LAN 0x02
#define INTERNET_CONNECTION_PROXY 0x04
#define INTERNET_CONNECTION_MODEM_BUSY 0x08
#define INTERNET_RAS_INSTALLED 0x10
#define INTERNET_CONNECTION_OFFLINE 0x20
#define INTERNET_CONNECTION_CONFIGURED 0x40

// InternetCombineUrlA flags.
#define ICU_ESCAPE 0x80000000
#define ICU_NO_ENCODE 0x20000000
#define ICU_DECODE 0x10000000
#define ICU_NO_META 0x08000000
#define ICU_ENCODE_SPACES_ONLY 0x04000000
#define ICU_BROWSER_MODE 0x02000000

// Error codes left by the calls in GetLastError().
#define INTERNET_ERROR_BASE 12000
#define ERROR_INTERNET_OUT_OF_HANDLES 12001L
#define ERROR_INTERNET_TIMEOUT 12002L
#define ERROR_INTERNET_EXTENDED_ERROR 12003L
#define ERROR_INTERNET_INTERNAL_ERROR 12004L
#define ERROR_INTERNET_INVALID_URL 12005L
#define ERROR_INTERNET_UNRECOGNIZED_SCHEME 12006L
#define ERROR_INTERNET_NAME_NOT_RESOLVED 12007L
#define ERROR_INTERNET_PROTOCOL_NOT_FOUND 12008L
#define ERROR_INTERNET_INVALID_OPTION 12009L
#define ERROR_INTERNET_BAD_OPTION_LENGTH 12010L
#define ERROR_INTERNET_OPTION_NOT_SETTABLE 12011L
#define ERROR_INTERNET_SHUTDOWN 12012L
#define ERROR_INTERNET_INCORRECT_USER_NAME 12013L
#define ERROR_INTERNET_INCORRECT_PASSWORD 12014L
#define ERROR_INTERNET_LOGIN_FAILURE 12015L
#define ERROR_INTERNET_INVALID_OPERATION 12016L
#define ERROR_INTERNET_OPERATION_CANCELLED 12017L
#define ERROR_INTERNET_INCORRECT_HANDLE_TYPE 12018L
#define ERROR_INTERNET_INCORRECT_HANDLE_STATE 12019L
#define ERROR_INTERNET_NOT_PROXY_REQUEST 12020L
#define ERROR_INTERNET_NO_DIRECT_ACCESS 12023L
#define ERROR_INTERNET_CANNOT_CONNECT 12029L
#define ERROR_INTERNET_CONNECTION_ABORTED 12030L
#define ERROR_INTERNET_CONNECTION_RESET 12031L
#define ERROR_INTERNET_FORCE_RETRY 12032L
#define ERROR_INTERNET_INVALID_PROXY_REQUEST 12033L
#define ERROR_INTERNET_SEC_CERT_DATE_INVALID 12037L
#define ERROR_INTERNET_SEC_CERT_CN_INVALID 12038L
#define ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED 12044L
#define ERROR_INTERNET_INVALID_CA 12045L
#define ERROR_INTERNET_SEC_CERT_ERRORS 12055L
#define ERROR_INTERNET_SEC_CERT_REV_FAILED 12057L
#define ERROR_INTERNET_SEC_CERT_REVOKED 12170L
#define ERROR_INTERNET_SEC_INVALID_CERT 12169L
#define ERROR_INTERNET_SECURITY_CHANNEL_ERROR 12157L
#define ERROR_HTTP_HEADER_NOT_FOUND 12150L
#define ERROR_HTTP_DOWNLEVEL_SERVER 12151L
#define ERROR_HTTP_INVALID_SERVER_RESPONSE 12152L
#define ERROR_HTTP_INVALID_HEADER 12153L
#define ERROR_HTTP_INVALID_QUERY_REQUEST 12154L
#define ERROR_HTTP_REDIRECT_FAILED 12156L

typedef struct {
  DWORD dwAccessType;
  LPCSTR lpszProxy;
  LPCSTR lpszProxyBypass;
} INTERNET_PROXY_INFO, *LPINTERNET_PROXY_INFO;

typedef struct {
  DWORD dwConnectedState;
  DWORD dwFlags;
} INTERNET_CONNECTED_INFO, *LPINTERNET_CONNECTED_INFO;

// Opens a session. The transport calls it once per request with its user agent and
// INTERNET_OPEN_TYPE_PRECONFIG (the environment's proxy), DIRECT (never a proxy) or PROXY
// ("host:port", or "http=host:port https=host:port"). Returns the session handle, or NULL.
HINTERNET InternetOpenA(LPCSTR lpszAgent, DWORD dwAccessType, LPCSTR lpszProxy,
                        LPCSTR lpszProxyBypass, DWORD dwFlags);

// Names the server of a session's requests; nothing is sent yet. Port 0 means the default
// port of the request (80, or 443 for INTERNET_FLAG_SECURE). Returns the connection, or NULL.
HINTERNET InternetConnectA(HINTERNET hInternet, LPCSTR lpszServerName, INTERNET_PORT nServerPort,
                           LPCSTR lpszUserName, LPCSTR lpszPassword, DWORD dwService, DWORD dwFlags,
                           DWORD_PTR dwContext);

// Prepares a request on a connection (verb, path, flags: INTERNET_FLAG_SECURE for HTTPS, the
// IGNORE_CERT flags to relax the host-name or date check). Returns the request, or NULL.
HINTERNET HttpOpenRequestA(HINTERNET hConnect, LPCSTR lpszVerb, LPCSTR lpszObjectName,
                           LPCSTR lpszVersion, LPCSTR lpszReferrer, LPCSTR* lplpszAcceptTypes,
                           DWORD dwFlags, DWORD_PTR dwContext);

// Adds, replaces or removes request headers ("Name: value\r\n" lines; length -1 means a
// zero-terminated text): HTTP_ADDREQ_FLAG_REPLACE replaces (an empty value removes), with
// HTTP_ADDREQ_FLAG_ADD it adds an absent header; without REPLACE each line is added. Returns
// FALSE with ERROR_HTTP_HEADER_NOT_FOUND when a header replaced alone is absent.
BOOL HttpAddRequestHeadersA(HINTERNET hRequest, LPCSTR lpszHeaders, DWORD dwHeadersLength,
                            DWORD dwModifiers);

// Sends the request with its headers and optional body, and waits for the status line and
// headers of the reply. Returns FALSE with an ERROR_INTERNET_* code on failure; an HTTP error
// status is not a failure (read it with HttpQueryInfoA). The request as a whole, from here to its
// last InternetReadFile, ends within its connect, send and receive time-outs added up, however the
// bytes trickle in: ERROR_INTERNET_TIMEOUT once that is passed (the SDK's WinInet bounds each wait
// only, so a Windows build must bound the whole itself). Reply headers beyond what curl or 256 KiB
// allow are ERROR_HTTP_INVALID_SERVER_RESPONSE.
BOOL HttpSendRequestA(HINTERNET hRequest, LPCSTR lpszHeaders, DWORD dwHeadersLength,
                      LPVOID lpOptional, DWORD dwOptionalLength);

// Reads reply information after HttpSendRequestA: status code, reason text, version, and the
// headers that have a level of their own (content type and length, transfer encoding, location,
// server; with HTTP_QUERY_FLAG_REQUEST_HEADERS, of the request). Text into the buffer
// (*lpdwBufferLength gets its length without the zero), or a DWORD with HTTP_QUERY_FLAG_NUMBER.
// ERROR_INSUFFICIENT_BUFFER leaves the needed size in *lpdwBufferLength;
// ERROR_HTTP_HEADER_NOT_FOUND when the reply lacks the header.
BOOL HttpQueryInfoA(HINTERNET hRequest, DWORD dwInfoLevel, LPVOID lpBuffer,
                    LPDWORD lpdwBufferLength, LPDWORD lpdwIndex);

// Reads reply body bytes as they arrive: blocks only until some bytes are there (at most
// dwNumberOfBytesToRead), TRUE with 0 bytes at the end of the body. FALSE with
// ERROR_INTERNET_TIMEOUT when nothing arrives within the receive time-out or the request's
// time-outs added up are passed, ERROR_INTERNET_CONNECTION_ABORTED when the body ends short of its
// Content-Length (whatever value that announced), or the error that cut the reply short.
BOOL InternetReadFile(HINTERNET hFile, LPVOID lpBuffer, DWORD dwNumberOfBytesToRead,
                      LPDWORD lpdwNumberOfBytesRead);

// Sets an option on a handle (children created later, and requests of a connection, use the
// values of their parents). INTERNET_OPTION_CONNECTED_STATE may be set with a NULL handle.
BOOL InternetSetOptionA(HINTERNET hInternet, DWORD dwOption, LPVOID lpBuffer, DWORD dwBufferLength);

// Reads an option; with a NULL handle only INTERNET_OPTION_CONNECTED_STATE (the process-wide
// online state, INTERNET_STATE_CONNECTED unless set otherwise).
BOOL InternetQueryOptionA(HINTERNET hInternet, DWORD dwOption, LPVOID lpBuffer,
                          LPDWORD lpdwBufferLength);

// Reports how the machine is online: INTERNET_CONNECTION_MODEM while the dial-up library
// ("rasapi32.dll", see library.h) has a connection up, else INTERNET_CONNECTION_LAN; with
// INTERNET_RAS_INSTALLED when that library loads, and INTERNET_CONNECTION_OFFLINE while the user
// chose to work offline. TRUE when online.
BOOL InternetGetConnectedState(LPDWORD lpdwFlags, DWORD dwReserved);

// Resolves a relative URL against a base URL. *lpdwBufferLength is the buffer size in bytes
// and receives the result length (without the zero), or the needed size with
// ERROR_INSUFFICIENT_BUFFER. ERROR_INTERNET_INVALID_URL when the base has no scheme.
BOOL InternetCombineUrlA(LPCSTR lpszBaseUrl, LPCSTR lpszRelativeUrl, LPSTR lpszBuffer,
                         LPDWORD lpdwBufferLength, DWORD dwFlags);

// Closes a handle and every handle opened below it; a request in progress on another thread
// ends with ERROR_INTERNET_OPERATION_CANCELLED.
BOOL InternetCloseHandle(HINTERNET hInternet);

#endif
