// Server replies: the numbered reply lines, the result codes, the error message
// block between "98:" and "99:", and the line-break and markup handling of reply texts.
#include <climits>
#include <cstdlib>

#include "net/ServerProtocol.h"

namespace {

constexpr size_t kMaxValueLength = 257;
constexpr long kMaxMessageLength = 512;
constexpr int kNoErrorNumber = 9999;

// The number after the first "(" of a message, read as leading decimal digits (blanks and a sign
// allowed). Anything that is not a positive number fits no server error, so it counts as none.
int ErrorNumberOf(const std::string& message) {
  size_t open = message.find('(');
  if (open == std::string::npos) return kNoErrorNumber;
  std::string digits = message.substr(open + 1);
  char* end = nullptr;
  long long number = std::strtoll(digits.c_str(), &end, 10);
  if (end == digits.c_str() || number <= 0 || number > INT_MAX) return kNoErrorNumber;
  return static_cast<int>(number);
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  size_t pos = 0;
  while ((pos = text.find(from, pos)) != std::string::npos) {
    text.replace(pos, from.size(), to);
    pos += to.size();
  }
}

// Where the reply gives `key`: the first line that starts with it. A key inside another value
// ("02:メンテナンス 12:00-13:00") is the server's text, not its field; it is taken only when no
// line starts with the key, as a reply whose lines carry something before their keys has them.
size_t FindKey(std::string_view reply, std::string_view key) {
  const size_t first = reply.find(key);
  for (size_t pos = first; pos != std::string_view::npos; pos = reply.find(key, pos + 1))
    if (pos == 0 || reply[pos - 1] == '\n' || reply[pos - 1] == '\r') return pos;
  return first;
}

bool EndsValue(char ch) { return ch == '\0' || ch == '\r' || ch == '\n'; }

// The value after `key` up to the line end, without blanks, at most kMaxValueLength characters;
// *whole (when given) tells whether the value fitted.
int CollectValue(std::string_view reply, std::string_view key, std::string& value, bool* whole) {
  value.clear();
  if (whole != nullptr) *whole = true;
  if (key.empty()) return 0;
  size_t pos = FindKey(reply, key);
  if (pos == std::string_view::npos) return 0;
  for (pos += key.size(); pos < reply.size() && !EndsValue(reply[pos]); ++pos) {
    const char ch = reply[pos];
    if (ch == ' ' || ch == '\t') continue;
    if (value.size() == kMaxValueLength) {
      if (whole != nullptr) *whole = false;
      break;
    }
    value.push_back(ch);
  }
  return static_cast<int>(value.size());
}

}  // namespace

int ServerProtocol::ExtractReplyValue(std::string_view reply, std::string_view key,
                                      std::string& value) {
  return CollectValue(reply, key, value, nullptr);
}

int ServerProtocol::ParseReply(const std::string& reply, std::span<const int> needed) {
  bool whole[kReplyFieldCount];
  for (int i = 0; i < kReplyFieldCount; ++i)
    CollectValue(reply, kReplyKeys[i], replyFields[i], &whole[i]);
  const int result = CheckReply(replyFields[1] == "OK", reply, serverMessage);
  // A success without what the transaction takes over (an empty field, or one cut at the length
  // limit) is no success: the user would be shown, and keep, an account that does not work.
  for (int field : needed) {
    const bool known = field >= 0 && field < kReplyFieldCount;
    if (result == 0 && (!known || replyFields[field].empty() || !whole[field])) return -2;
  }
  return result;
}

int ServerProtocol::CheckReply(bool statusOk, const std::string& reply, std::string& message) {
  std::string version;
  ExtractReplyValue(reply, "00:", version);
  if (version != "1.0") return -2;
  if (statusOk) return 0;

  size_t start = FindKey(reply, "98:");
  size_t end = FindKey(reply, "99:");
  if (start == std::string::npos || end == std::string::npos) return -2;
  // The message is the lines after the "98:" line, without the line break before "99:".
  while (start < reply.size() && start != end && reply[start] != '\0' && reply[start] != '\n')
    ++start;
  if (start < reply.size() && reply[start] == '\n') ++start;
  long length = static_cast<long>(end) - static_cast<long>(start) - 1;
  if (end >= 2 && reply[end - 2] == '\r') --length;
  if (length <= 0 || length > kMaxMessageLength) return -2;

  message = ReplyTextToPlain(std::string_view(reply).substr(start, static_cast<size_t>(length)));
  return ErrorNumberOf(message);
}

std::string ServerProtocol::ReplyTextToPlain(std::string_view text) {
  std::string lines;
  lines.reserve(text.size() + 16);
  for (char ch : text) {
    if (ch == '\n') lines.push_back('\r');
    lines.push_back(ch);
  }
  ReplaceAll(lines, "<br>", "\r\n");
  ReplaceAll(lines, "<p>", "\r\n");

  // Markup is what lies between a "<" and its ">". A "<" that is never closed opens no markup:
  // it is dropped, and the text after it is kept (a message "<b(3)" must not vanish whole).
  std::string plain;
  plain.reserve(lines.size());
  size_t from = 0;
  while (from < lines.size()) {
    int depth = 0;
    size_t opened = 0;
    for (size_t i = from; i < lines.size(); ++i) {
      const char ch = lines[i];
      if (ch == '<') {
        if (depth++ == 0) opened = i;
      } else if (depth > 0) {
        if (ch == '>') --depth;
      } else {
        plain.push_back(ch);
      }
    }
    if (depth == 0) break;
    from = opened + 1;
  }
  return plain;
}

void ServerProtocol::AdoptNetworkInfo() {
  std::string* const network[] = {&LoginID,     &LoginPasswd,  &PrimaryDNS,   &SecondaryDNS,
                                  &PhoneNumber, &PhoneNumber2, &PhoneNumber3, &E_mail,
                                  &Pop_id,      &Pop_host,     &Pop_password, &Smtp_host};
  // Reply fields 3..14 are keys "03:".."14:"; 17..20 are "17:", "18:", "19:", "32:".
  for (size_t i = 0; i < std::size(network); ++i) *network[i] = replyFields[3 + i];
  Comm_id = replyFields[17];
  Comm_data = replyFields[18];
  Comm_name = replyFields[19];
  Comm_data2 = replyFields[20];
}

std::string ServerProtocol::NormalizeLineBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (size_t i = 0; i < text.size(); ++i) {
    char ch = text[i];
    if (ch == '\r') {
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
      out += "\r\n";
    } else if (ch == '\n') {
      out += "\r\n";
    } else {
      out.push_back(ch);
    }
  }
  return out;
}
