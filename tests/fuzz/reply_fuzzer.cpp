// Fuzz target for what the program does with bytes from the network or the user: the reply
// parser and result check, the reply text clean-up, URL and form encoding, the signup address
// field, the proxy entry parser and the server URL split. Aborts when an invariant of their results
// breaks.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/SignApp.h"
#include "net/Forms.h"
#include "support/protocol_seam.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

int HexValue(char ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  return -1;
}

// Undoes percent-encoding; aborts on a malformed escape, which the encoder must never write.
std::string Decode(std::string_view encoded) {
  std::string out;
  for (size_t i = 0; i < encoded.size(); ++i) {
    if (encoded[i] != '%') {
      out.push_back(encoded[i]);
      continue;
    }
    Require(i + 2 < encoded.size());
    int high = HexValue(encoded[i + 1]);
    int low = HexValue(encoded[i + 2]);
    Require(high >= 0 && low >= 0);
    out.push_back(static_cast<char>(high * 16 + low));
    i += 2;
  }
  return out;
}

test::ProtocolSeam& Settings() {
  static test::ProtocolSeam* settings = new test::ProtocolSeam();
  return *settings;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  test::ProtocolSeam& settings = Settings();

  int result = settings.ParseReply(input);
  Require(result == 0 || result == -2 || result > 0);
  for (const std::string& field : settings.replyFields) {
    Require(field.size() <= 257);
    Require(field.find_first_of(std::string_view(" \t\r\n\0", 5)) == std::string::npos);
  }
  // A reply accepted as a transaction's success carries every field that transaction takes over.
  for (std::span<const int> needed : {std::span<const int>(test::ProtocolSeam::kAccountFields),
                                      std::span<const int>(test::ProtocolSeam::kCommIdFields)}) {
    if (settings.ParseReply(input, needed) != 0) continue;
    for (int field : needed) Require(!settings.replyFields[field].empty());
  }
  std::string message;
  int unchecked = settings.CheckReply(false, input, message);
  Require(unchecked == -2 || unchecked > 0);
  if (unchecked > 0) Require(message.size() <= 2 * 512);

  std::string plain = test::ProtocolSeam::ReplyTextToPlain(input);
  Require(plain.find('<') == std::string::npos);
  std::string lines = ServerProtocol::NormalizeLineBreaks(input);
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] == '\r') Require(i + 1 < lines.size() && lines[i + 1] == '\n');
    if (lines[i] == '\n') Require(i > 0 && lines[i - 1] == '\r');
  }

  std::string encoded = net::UrlEncode(input);
  Require(Decode(encoded) == input);
  std::string value = net::EncodeFormValue(input);
  Require(value.find_first_of("&=+; ") == std::string::npos);
  Require(Decode(value) == input);

  // Split the input into a key and a text, and into the parts of an address.
  size_t cut = size ? data[0] % 8 : 0;
  std::string_view view = input;
  std::string key(view.substr(0, cut));
  std::string extracted;
  int kept =
      test::ProtocolSeam::ExtractReplyValue(view.substr(cut < size ? cut : size), key, extracted);
  Require(kept >= 0 && kept <= 257 && static_cast<size_t>(kept) == extracted.size());

  size_t quarter = size / 4;
  std::string address =
      net::SignupAddressField(view.substr(0, quarter), view.substr(quarter, quarter),
                              view.substr(2 * quarter, quarter), view.substr(3 * quarter));
  Require(address.size() == 100 && address[93] == '#');

  std::string host, port;
  if (ProxyDiscovery::ParseProxyEntry(input, key, host, port))
    Require(port.find_first_of("; ") == std::string::npos);

  int serverPort = 0;
  net::Transport::SplitServerUrl(input, host, serverPort);
  Require(serverPort >= -1 && serverPort <= 65535);
  return 0;
}
