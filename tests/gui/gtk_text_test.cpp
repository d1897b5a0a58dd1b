// Caption and text conversions of the GTK backend: mnemonics, line breaks, byte limits.
#include "ui/gtk/gtk_text.h"

#include <gtest/gtest.h>

namespace {

using namespace ui::gtk;

TEST(GtkTextTest, AmpersandMnemonicsBecomeGtkMnemonics) {
  EXPECT_EQ(MnemonicLabel("次へ(&N) >"), "次へ(_N) >") << "marker before a letter";
  EXPECT_EQ(MnemonicLabel("A&&B"), "A&B") << "a doubled ampersand is a literal one";
  EXPECT_EQ(MnemonicLabel("a_b"), "a__b") << "a literal underscore is not a mnemonic";
  EXPECT_EQ(MnemonicLabel("end&"), "end") << "a trailing marker marks nothing";
  EXPECT_EQ(StripMnemonic("ﾘﾀﾞｲﾔﾙ(&R) && more"), "ﾘﾀﾞｲﾔﾙ(R) & more");
}

TEST(GtkTextTest, LineBreaksConvertBothWays) {
  EXPECT_EQ(ToLf("a\r\nb\rc\nd"), "a\nb\nc\nd") << "CR LF, lone CR and LF all become LF";
  EXPECT_EQ(ToCrLf("a\nb\r\nc"), "a\r\nb\r\nc") << "no doubled CR";
}

TEST(GtkTextTest, ByteLimitCutsAtWholeCharacters) {
  EXPECT_EQ(Cp932Length("あa"), 3) << "a kanji takes two bytes, ASCII one";
  EXPECT_EQ(Cp932Length("ｱ"), 1) << "half-width kana takes one byte";
  EXPECT_EQ(FitCp932Bytes("あいう", 5), "あい") << "never half a character";
  EXPECT_EQ(FitCp932Bytes("ｱｲｳ", 2), "ｱｲ");
  EXPECT_EQ(FitCp932Bytes("abc", 10), "abc") << "short text stays whole";
  EXPECT_EQ(FitCp932Bytes("abc", 0), "") << "no room";
}

}  // namespace
