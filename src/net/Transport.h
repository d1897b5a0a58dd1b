// The HTTP transport: one WinInet request per call, made with the options a caller gives it (the
// proxy and its credentials, the time-outs, the certificate tolerance, the user agent) and
// answered with a Reply. It knows nothing of the settings record: the server protocol
// (ServerProtocol.h) fills the options from it and keeps the outcome.
#pragma once

#include <functional>
#include <string>

#include "platform/win32.h"

// WinInet handle type (LPVOID, as WinInet declares it); platform/wininet.h has the calls.
typedef void* HINTERNET;

namespace net {

// How requests are made.
struct TransportOptions {
  std::string userAgent;
  // The proxy in effect, "host" and "port"; an empty host goes direct. A host that neither is a
  // dotted address nor resolves goes direct too, and a port that is no number from 1 to 65535 is
  // sent as 80.
  std::string proxyHost;
  std::string proxyPort;
  // Sent to the proxy only, on every request, also when empty.
  std::string proxyUser;
  std::string proxyPassword;
  // Of INTERNET_FLAG_IGNORE_CERT_CN_INVALID and INTERNET_FLAG_IGNORE_CERT_DATE_INVALID, the ones
  // an HTTPS request may carry.
  DWORD certificateTolerance = 0;
  // The receive time-out of every request (tests shorten it to meet a silent server). The connect
  // time-out follows how the machine is online (ConnectTimeoutMs), the send time-out is 15 s; the
  // three added up bound each request as a whole.
  DWORD receiveTimeoutMs = 30000;
};

// What one request ended with.
struct Reply {
  // POST: a reply was read. Download: the document arrived whole.
  bool ok = false;
  // 0, the WinInet or system error of the call that failed, the HTTP status of a reply that was
  // not 200, or -1 (a status that could not be read, a buffer that could not be had, a read that
  // failed without a code, a document beyond its cap).
  int error = 0;
  // POST: the reply text (at most 2048 bytes, up to a zero byte). Download without a receiver:
  // the document.
  std::string body;
  // Download: the bytes read in all.
  unsigned long long bytes = 0;
  // Download: the status line of an error status ("404 Not Found").
  std::string statusText;
};

// Receives a document piece by piece: status 0 a chunk of data, 1 end of data (empty text), -1 a
// read failed or the document passed its cap (empty text). Called on the user-interface thread
// between the reads; it may pump messages (and so cancel the download).
using ChunkReceiver = std::function<void(int status, std::string chunk)>;

class Transport {
 public:
  // Largest document a download takes: a server that never stops sending cannot fill memory.
  static constexpr unsigned long long kMaxDocumentSize = 64ull * 1024 * 1024;

  explicit Transport(TransportOptions options) : options_(std::move(options)) {}

  // POSTs an encoded form to base URL + path (the server transactions). The window stays alive
  // while the request waits on the server; the call returns when it has ended.
  Reply PostForm(const std::string& baseUrl, const std::string& path, const std::string& body);
  // GETs a document from a full URL (the terms page). With a receiver the chunks go to it as they
  // arrive, and a document beyond `cap` (or 64 MiB) ends with a last call of status -1 and error
  // -1; without one the document comes whole in the reply. A cancelled download returns at once
  // with ERROR_INTERNET_OPERATION_CANCELLED.
  Reply Download(const std::string& url, const ChunkReceiver& receiver,
                 unsigned long long cap = kMaxDocumentSize);
  // Ends the download in progress once the chunk being delivered is done: the read loop stops and
  // the request's handles close. Called from the receiver's message pumping (the user cancelled).
  void CancelDownload() { cancelled_ = true; }

  // Host and port of an http or https URL (a trailing "/" and a path are ignored): port 80 or 443
  // by default, the number after the first ":" otherwise, -1 for one that is no port; an empty
  // host for another scheme.
  static void SplitServerUrl(const std::string& url, std::string& host, int& port);
  // A path combined with a base URL, as WinInet combines them without encoding (at most 513
  // bytes). The terms page's document URL.
  static std::string CombineUrl(const std::string& base, const std::string& relative);
  // INTERNET_FLAG_RELOAD, and for a URL beginning with "https" the secure flag and the
  // certificate tolerance of the options.
  DWORD RequestFlagsFor(const std::string& url) const;
  // The proxy endpoint a request uses: the port as a number from 1 to 65535 (else "80"); false
  // when the host is empty, or neither a dotted address nor a name that resolves.
  static bool ResolveProxyEndpoint(const std::string& proxyHost, const std::string& proxyPort,
                                   std::string& host, std::string& port);
  // 10 s when the machine is online other than through a modem, 20 s otherwise.
  static DWORD ConnectTimeoutMs();
  // Whether the user chose to work offline (a request switches that back, so that it is not
  // refused for it).
  static bool IsOfflineByUser();

 private:
  struct OpenedRequest;
  bool OpenRequest(const std::string& url, const char* verb, const std::string& path,
                   OpenedRequest& opened, Reply& reply);
  void ApplySessionOptions(HINTERNET session);
  bool PostFormNow(const std::string& baseUrl, const std::string& path, const std::string& body,
                   Reply& reply);
  bool SendDownloadRequest(const std::string& url, OpenedRequest& opened, Reply& reply);
  void ReadWholeDocument(HINTERNET request, Reply& reply);
  void ReadDocumentChunks(HINTERNET request, const ChunkReceiver& receiver,
                          unsigned long long cap, Reply& reply);

  TransportOptions options_;
  bool cancelled_ = false;
};

}  // namespace net
