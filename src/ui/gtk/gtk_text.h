// Text conversions between the framework's CP932 captions and what GTK widgets show (UTF-8).
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ui::gtk {

// Caption with "&" mnemonics as a GTK mnemonic label: "&N" -> "_N", "&&" -> "&", "_" -> "__".
std::string MnemonicLabel(std::string_view utf8);
// Caption with the "&" markers removed ("&&" -> "&"), for widgets that show no mnemonic.
std::string StripMnemonic(std::string_view utf8);
// Windows line breaks (CR LF, lone CR) to GTK's LF, and back.
std::string ToLf(std::string_view text);
std::string ToCrLf(std::string_view text);
// Longest prefix of `utf8`, in whole characters, whose CP932 form takes at most `bytes` bytes.
std::string FitCp932Bytes(std::string_view utf8, int bytes);
// CP932 byte count of UTF-8 text.
int Cp932Length(std::string_view utf8);
// The runs of half-width (semi-)voiced sound marks, U+FF9E and U+FF9F, in UTF-8 text, as
// [start, end) byte offsets.
std::vector<std::pair<int, int>> SoundMarkRuns(std::string_view utf8);

}  // namespace ui::gtk
