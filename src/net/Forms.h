// Form bodies of the server transactions: the URL encoding, the per-value encoding every form
// uses and the signup form's fixed-width address field.
#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

namespace net {

// The bytes UrlEncode keeps as they are: letters, digits and ";/?:@&=+$,*-_.".
bool IsUrlLiteral(unsigned char byte);

// The text with every byte that IsUrlLiteral does not keep written as "%XX" (upper-case hex).
// Called by EncodeForm for the format's own text.
std::string UrlEncode(std::string_view text);

// One form value, encoded as UrlEncode does and with "&", "=", "+" and ";" escaped as well, so
// that a value can neither split the form nor add keys to it.
std::string EncodeFormValue(std::string_view value);

// Fills a resource form format ("key=%s&key=%s") with values in order, each through
// EncodeFormValue; the format's own text (keys, separators) goes through UrlEncode. "%%" is a
// literal percent sign; a missing value is empty. Called by the signup, recovery and
// communication-ID transactions.
std::string EncodeForm(std::string_view format, std::initializer_list<std::string_view> values);
// The same, each "%s" filled with the value `valueOf` gives for the key before it ("lastname" in
// "&lastname=%s"). Called by the signup transaction, whose form takes the user's entries by key.
std::string EncodeForm(std::string_view format,
                       const std::function<std::string_view(std::string_view key)>& valueOf);

// The signup form's address: both lines joined by a blank, padded with blanks (or cut at a
// character boundary) to 93 bytes, then the 7-byte entry-code tag "#code-code". Always 100 bytes.
std::string SignupAddressField(std::string_view line1, std::string_view line2,
                               std::string_view entryCode, std::string_view entryCode2);

}  // namespace net
