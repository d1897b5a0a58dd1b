// The server protocol's requests: the transport's options taken from the settings record, and the
// outcome of each request kept in its last transport error.
#include "net/ServerProtocol.h"

#include "platform/wininet.h"
#include "res/resources.h"

net::TransportOptions ServerProtocol::TransportOptionsNow() const {
  net::TransportOptions options;
  options.userAgent = res::String(IDS_USER_AGENT);
  // A proxy counts with TCP and while it is in effect (the connection settings or the system's).
  if ((connectionFlags & kConnTcp) && (connectionFlags & kConnProxyInEffect)) {
    options.proxyHost = effectiveProxyHost;
    options.proxyPort = effectiveProxyPort;
  }
  options.proxyUser = Proxy_Data1;
  options.proxyPassword = Proxy_Data2;
  options.certificateTolerance = ProtocolVer;
  return options;
}

bool ServerProtocol::PostForm(const std::string& baseUrl, const std::string& path,
                              const std::string& body, std::string& reply) {
  net::Reply answer = net::Transport(TransportOptionsNow()).PostForm(baseUrl, path, body);
  lastTransportError = answer.error;
  if (answer.ok) reply = std::move(answer.body);
  return answer.ok;
}

int ServerProtocol::DownloadDocument(const std::string& url, std::string& body,
                                     std::string& statusText, const DownloadCallback& callback,
                                     unsigned long long cap) {
  body.clear();
  statusText.clear();
  downloadCancelled_ = false;
  net::Transport transport(TransportOptionsNow());
  download_ = &transport;
  net::Reply answer = transport.Download(url, callback, cap);
  download_ = nullptr;
  lastTransportError = answer.error;
  statusText = std::move(answer.statusText);
  body = std::move(answer.body);
  return static_cast<int>(answer.bytes);
}

void ServerProtocol::CancelDownload() {
  downloadCancelled_ = true;
  if (download_ != nullptr) download_->CancelDownload();
}
