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

  // ---- Transactions -------------------------------------------------------------------------
  // Each connects nothing itself (the page has made sure the machine is online), sends its form
  // with PostForm and leaves its outcome in the last server result: 0, -1 when the transport
  // failed (the last transport error says why), -2 for a malformed reply, or the server's error
  // number with its text in serverMessage. What a success returns is in the record, not stored.

  // The signup of the user's entries with a fresh machine identity; called by the signup
  // confirmation page. On success the network information is taken over. False only when the
  // transport failed.
  bool RunSignup();
  // The recovery of the account of LoginID and LoginPasswd; called by the communication
  // information page in recovery mode. On success the network information is taken over. A reply
  // that was read, whatever it says, is left in rawReply. True only on success.
  bool RunRecovery(std::string& rawReply);
  // The communication ID commId with its password and nickname for the login; called by the
  // communication information page. On success Comm_id, Comm_data and Comm_name are taken from
  // the reply. Returns the last server result.
  int RequestCommunicationId(const std::string& commId, const std::string& commPassword,
                             const std::string& loginId, const std::string& loginPassword,
                             const std::string& commName);
  // The code a failed transaction is reported with: the last transport error after a transport
  // failure (-1), else the last server result itself (-2 for a malformed reply). The pages append
  // it as "(#%d)".
  int FailureCode() const {
    return lastServerResult == -1 ? LastTransportError() : lastServerResult;
  }
  // The last transport error: 0 after a request that got its reply, else why it failed (the
  // record's lastTransportError). Read by the pages through FailureCode.
  int LastTransportError() const { return lastTransportError; }

  // ---- The terms document -------------------------------------------------------------------
  // GETs a document for the terms page, the chunks going to `callback` as they arrive; returns
  // the number of body bytes read (0 on failure before reading, or when cancelled). The last
  // transport error tells why it failed; an error status's line ("404 Not Found") is left in
  // statusText. See net::Transport::Download.
  int DownloadDocument(const std::string& url, std::string& body, std::string& statusText,
                       const DownloadCallback& callback,
                       unsigned long long cap = net::Transport::kMaxDocumentSize);
  // Ends the download in progress once the chunk being delivered is done: DownloadDocument then
  // returns 0 with ERROR_INTERNET_OPERATION_CANCELLED. Called on the user-interface thread, from
  // the message pumping of the chunk callback (the user cancelled the wizard); the next download
  // starts anew.
  void CancelDownload();
  // Whether the last download ended by CancelDownload; asked by the terms page, which then
  // touches nothing more.
  bool DownloadCancelled() const { return downloadCancelled_; }
  // The text with every CR LF, lone CR and lone LF as CR LF; called by the terms page for the
  // document it shows.
  static std::string NormalizeLineBreaks(std::string_view text);

  // ---- What the user sees of the server work ------------------------------------------------
  // A message box with the stop icon, "(#%d)" appended when code is not 0; called by the pages
  // after a failed transaction. The variant takes a string-table text.
  static void ShowServerError(const std::string& text, int code);
  static void ShowServerError(UINT stringId, int code);
  // Appends a line (with "(#%d)" when code is not 0) to a page's read-only log edit and scrolls
  // it to that line; null: nothing. Called by the pages around their transactions.
  static void AppendProgress(ui::Control* edit, const std::string& text, int code);

  // Base URLs of the signup, profile and search servers (the application loads them from the
  // Servers profile).
  std::string signupServerUrl;
  std::string profileServerUrl;
  std::string searchServerUrl;

 protected:
  // The internals of the transactions, reached from outside only by the tests (through
  // test::ProtocolSeam).

  // POSTs an encoded form to base URL + path; true when a reply was read (into `reply`). The
  // last transport error tells why not (0 after a reply).
  bool PostForm(const std::string& baseUrl, const std::string& path, const std::string& body,
                std::string& reply);
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
  // The result of a parsed reply: -2 when its version is not 1.0, 0 when statusOk, else the
  // error number of the message between "98:" and "99:" (9999 without one), the message going
  // into serverMessage; -2 when there is no such message or it is empty or beyond 512 bytes.
  int CheckReply(bool statusOk, const std::string& reply, std::string& serverMessage);
  // A server message as plain text: line breaks as CR LF, <br> and <p> as line breaks, markup
  // dropped.
  static std::string ReplyTextToPlain(std::string_view text);
  // Copies the reply fields of the account and the communication ID into the record.
  void AdoptNetworkInfo();
  // The encoded forms of the signup (which computes a fresh machineId) and the recovery.
  std::string BuildSignupForm();
  std::string BuildRecoveryForm();
  // The system's product ID, organisation and owner, each empty when unreadable.
  static void ReadRegistration(std::string& productId, std::string& organization,
                               std::string& owner);
  // The machine identity: the SHA-1 digest (40 hex digits) of the product ID, organisation,
  // owner and user name joined.
  static std::string ComputeMachineId();

 private:
  // The transport's options as the record decides them: the user agent of the string table, the
  // effective proxy when the connection flag word has TCP and the proxy in effect, the proxy
  // credentials and the certificate tolerance of ProtocolVer.
  net::TransportOptions TransportOptionsNow() const;

  // The download in progress, which CancelDownload stops.
  net::Transport* download_ = nullptr;
  bool downloadCancelled_ = false;
};
