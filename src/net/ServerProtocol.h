// What the net folder offers: the server protocol over the settings record. The HTTP transport
// (net::Transport, Transport.h) made with the record's options, the form encoding and the reply
// format, the signup, recovery and communication-ID transactions, the machine identity, and what
// the user sees of the server work (progress lines, error boxes). The application object derives
// from it (app/SignApp.h).
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "net/Transport.h"
#include "settings/SignSettings.h"

namespace ui {
class Control;
}

// Receives the terms document piece by piece (net::ChunkReceiver): status 0 a chunk of data, 1
// end of data (empty text), -1 a read failed (empty text). Called on the user-interface thread.
using DownloadCallback = net::ChunkReceiver;

class ServerProtocol : public virtual CSignSettings {
 public:
  ServerProtocol() = default;

  // ---- HTTP transport -----------------------------------------------------------------------
  // The transport's options as the record decides them: the user agent of the string table, the
  // effective proxy when the connection flag word has TCP and the proxy in effect, the proxy
  // credentials, the certificate tolerance of ProtocolVer and receiveTimeoutMs.
  net::TransportOptions TransportOptionsNow() const;
  // POSTs an encoded form to base URL + path for a transaction; true when a reply was read (into
  // `reply`). The last transport error tells why not (0 after a reply).
  bool PostForm(const std::string& baseUrl, const std::string& path, const std::string& body,
                std::string& reply);
  // GETs a document for the terms page; returns the number of body bytes read (0 on failure
  // before reading, or when cancelled). The last transport error tells why it failed; an error
  // status's line ("404 Not Found") is left in statusText. See net::Transport::Download.
  int DownloadDocument(const std::string& url, std::string& body, std::string& statusText,
                       const DownloadCallback& callback,
                       unsigned long long cap = net::Transport::kMaxDocumentSize);
  // Ends the download in progress once the chunk being delivered is done: DownloadDocument then
  // returns 0 with ERROR_INTERNET_OPERATION_CANCELLED. Called on the user-interface thread, from
  // the message pumping of the chunk callback (the user cancelled the wizard); the next download
  // starts anew.
  void CancelDownload();
  bool DownloadCancelled() const { return downloadCancelled_; }
  int LastTransportError() const { return lastTransportError; }
  // The code a failed transaction is reported with: the last transport error after a transport
  // failure (-1), else the last server result itself (-2 for a malformed reply). The pages append
  // it as "(#%d)".
  int FailureCode() const {
    return lastServerResult == -1 ? lastTransportError : lastServerResult;
  }
  // Receive time-out of every request; tests shorten it to meet a silent server.
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
  // The download in progress, which CancelDownload stops.
  net::Transport* download_ = nullptr;
  bool downloadCancelled_ = false;
};
