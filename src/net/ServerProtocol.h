// What the net folder offers: the server protocol over the settings record. The HTTP transport
// (one WinInet request per call), the form encoding and the reply format, the signup, recovery
// and communication-ID transactions, the machine identity, and what the user sees of the server
// work (progress lines, error boxes). The application object derives from it (app/SignApp.h).
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "settings/SignSettings.h"

namespace ui {
class Control;
}

// WinInet handle type (LPVOID, as WinInet declares it); platform/wininet.h has the calls.
typedef void* HINTERNET;

// Receives the terms document piece by piece: status 0 a chunk of data, 1 end of data (empty
// text), -1 a read failed (empty text). Called on the user-interface thread.
using DownloadCallback = void (*)(int status, std::string chunk);

class ServerProtocol : public virtual CSignSettings {
 public:
  ServerProtocol() = default;

  // ---- HTTP transport -----------------------------------------------------------------------
  // POSTs an encoded form to base URL + path; true when a reply was read (into `reply`).
  bool PostForm(const std::string& baseUrl, const std::string& path, const std::string& body,
                std::string& reply);
  // Largest document a download takes, read whole or in chunks: a server that never stops
  // sending cannot fill memory.
  static constexpr unsigned long long kMaxDocumentSize = 64ull * 1024 * 1024;
  // GETs a document; returns the number of body bytes read (0 on failure before reading). A
  // document beyond 64 MiB (with a callback, beyond `cap` too) is refused like one that cannot be
  // held: last transport error -1, and with a callback a last call with status -1 after the
  // chunks read so far.
  int DownloadDocument(const std::string& url, std::string& body, std::string& statusText,
                       DownloadCallback callback, unsigned long long cap = kMaxDocumentSize);
  static void SplitServerUrl(const std::string& url, std::string& host, int& port);
  DWORD RequestFlagsFor(const std::string& url) const;
  void ApplySessionOptions(HINTERNET session);
  void ApplyTimeouts(HINTERNET session);
  bool IsOfflineByUser();
  bool ResolveProxyEndpoint(std::string& host, std::string& port);
  int CheckHttpStatus(HINTERNET request, std::string& statusText);
  void ApplyProxyCredentials(HINTERNET request);
  // Handles window messages for the given time, waiting for them rather than spinning.
  static void PumpMessagesFor(DWORD milliseconds);
  int LastTransportError() const { return lastTransportError; }
  // Ends the download in progress once the chunk being delivered is done: the read loop stops,
  // the request's handles close, and DownloadDocument returns 0 with
  // ERROR_INTERNET_OPERATION_CANCELLED. Called on the user-interface thread, from the message
  // pumping of the chunk callback (the user cancelled the wizard); the next download starts anew.
  void CancelDownload() { downloadCancelled_ = true; }
  bool DownloadCancelled() const { return downloadCancelled_; }
  // Receive time-out of every request (ApplyTimeouts); tests shorten it to meet a silent server.
  // The connect, send and receive time-outs added up bound each request as a whole.
  DWORD receiveTimeoutMs = 30000;

  // ---- Forms and replies --------------------------------------------------------------------
  static std::string UrlEncode(std::string_view text);
  // The value of `key` (kept blanks dropped, at most 257 characters): from the first line that
  // starts with the key, or from anywhere in the reply when no line does. Returns its length.
  static int ExtractReplyValue(std::string_view reply, std::string_view key, std::string& value);
  // Reply fields a transaction's success must carry, non-empty and whole: the account for the
  // signup and the recovery, the communication ID and its password for the communication-ID
  // request.
  static constexpr int kAccountFields[] = {3, 4};
  static constexpr int kCommIdFields[] = {17, 18};
  // Fills the reply fields and returns 0, -2 or the server's error number; a success that lacks
  // one of the `needed` fields is malformed (-2).
  int ParseReply(const std::string& reply, std::span<const int> needed = {});
  int CheckReply(bool statusOk, const std::string& reply, std::string& serverMessage);
  static std::string ReplyTextToPlain(std::string_view text);
  void AdoptNetworkInfo();
  static std::string NormalizeLineBreaks(std::string_view text);
  // Message box with the stop icon; "(#%d)" appended when code is not 0.
  static void ShowServerError(const std::string& text, int code);
  static void ShowServerError(UINT stringId, int code);
  // Appends a line (with "(#%d)" when code is not 0) to a read-only log edit; null: nothing.
  static void AppendProgress(ui::Control* edit, const std::string& text, int code);

  // ---- Transactions -------------------------------------------------------------------------
  // The signup with the user's entries and a fresh machine identity; false only when the
  // transport failed (the last server result says how it ended).
  bool RunSignup();
  std::string BuildSignupForm();
  bool RunRecovery(std::string& rawReply);
  std::string BuildRecoveryForm();
  int RequestCommunicationId(const std::string& commId, const std::string& commPassword,
                             const std::string& loginId, const std::string& loginPassword,
                             const std::string& commName);

  // ---- Machine identity ---------------------------------------------------------------------
  static void ReadRegistration(std::string& productId, std::string& organization,
                               std::string& owner);
  static std::string ComputeMachineId();

  // Base URLs of the signup, profile and search servers (the application loads them from the
  // Servers profile).
  std::string signupServerUrl;
  std::string profileServerUrl;
  std::string searchServerUrl;

 private:
  // Session, connection and request of one call, closed together.
  struct OpenedRequest;
  // Opens the three handles for `verb` on url's server and `path`, with the program's options,
  // proxy and proxy credentials; false with the last transport error set when one fails.
  bool OpenRequest(const std::string& url, const char* verb, const std::string& path,
                   OpenedRequest& opened);
  // The parts of a request that wait on the server, each run away from the user-interface thread
  // (PostForm and DownloadDocument keep the window alive around them).
  bool PostFormNow(const std::string& baseUrl, const std::string& path, const std::string& body,
                   std::string& reply);
  bool SendDownloadRequest(const std::string& url, std::string& statusText, OpenedRequest& opened);
  int ReadWholeDocument(HINTERNET request, std::string& body);
  int ReadDocumentChunks(HINTERNET request, DownloadCallback callback, unsigned long long cap);

  bool downloadCancelled_ = false;
};
