// Tests of reply parsing and URL encoding: the numbered reply lines, the result codes, the error
// message block and the clean-up of reply texts.
#include <gtest/gtest.h>

#include <string>

#include "net/Forms.h"
#include "support/protocol_seam.h"
#include "support/test_support.h"

namespace {

class ReplyTest : public ::testing::Test {
 protected:
  test::ProtocolSeam settings;
};

std::string ErrorReply(const std::string& lineEnd, const std::string& message) {
  return "00:1.0" + lineEnd + "01:NG" + lineEnd + "98:" + lineEnd + message + lineEnd +
         "99:" + lineEnd;
}

}  // namespace

TEST(UrlEncodeTest, KeepsTheUrlCharactersAndEscapesEverythingElse) {
  EXPECT_EQ(net::UrlEncode(""), "");
  EXPECT_EQ(net::UrlEncode("aZ09;/?:@&=+$,*-_."), "aZ09;/?:@&=+$,*-_.");
  EXPECT_EQ(net::UrlEncode(" ~%\r!'()#"), "%20%7E%25%0D%21%27%28%29%23");
  EXPECT_EQ(net::UrlEncode(std::string("\0\x7f\xff", 3)), "%00%7F%FF");
  EXPECT_EQ(net::UrlEncode(test::Sjis(u8"山田")), "%8ER%93c")
      << "Shift-JIS trail bytes that are letters stay letters";
}

TEST(ExtractReplyValueTest, TakesTheRestOfTheLineWithoutBlanks) {
  std::string value;
  EXPECT_EQ(test::ProtocolSeam::ExtractReplyValue("05:192.168. 1.\t1\r\n06:x", "05:", value), 11);
  EXPECT_EQ(value, "192.168.1.1");
  EXPECT_EQ(test::ProtocolSeam::ExtractReplyValue("05:a\n", "06:", value), 0);
  EXPECT_EQ(value, "") << "a missing key gives an empty value";
  EXPECT_EQ(test::ProtocolSeam::ExtractReplyValue(std::string("03:ab\0cd", 8), "03:", value), 2);
  EXPECT_EQ(value, "ab") << "a zero byte ends the value";
  EXPECT_EQ(test::ProtocolSeam::ExtractReplyValue("03:", "03:", value), 0)
      << "a key at the very end of the reply";
}

TEST(ExtractReplyValueTest, CutsValuesAt257Characters) {
  std::string value;
  std::string reply = "03:" + std::string(400, 'x') + "\n";
  EXPECT_EQ(test::ProtocolSeam::ExtractReplyValue(reply, "03:", value), 257);
  EXPECT_EQ(value, std::string(257, 'x'));
}

TEST_F(ReplyTest, AnOkReplyFillsTheFieldsAndSucceeds) {
  std::string reply =
      "00:1.0\r\n01:OK\r\n03:u1234\r\n04:pw\r\n05:10.0.0.1\r\n17:C9\r\n19:nick\r\n32:extra\r\n";
  EXPECT_EQ(settings.ParseReply(reply), 0);
  EXPECT_EQ(settings.replyFields[3], "u1234");
  EXPECT_EQ(settings.replyFields[17], "C9");
  EXPECT_EQ(settings.replyFields[20], "extra") << "the last field is key 32:";
  EXPECT_EQ(settings.replyFields[6], "") << "keys missing from an OK reply are empty";

  settings.AdoptNetworkInfo();
  EXPECT_EQ(settings.LoginID, "u1234");
  EXPECT_EQ(settings.PrimaryDNS, "10.0.0.1");
  EXPECT_EQ(settings.Comm_id, "C9");
  EXPECT_EQ(settings.Comm_name, "nick");
  EXPECT_EQ(settings.Comm_data2, "extra");
  EXPECT_EQ(settings.Smtp_host, "");
}

TEST_F(ReplyTest, AReplyWithoutVersionOneIsMalformed) {
  EXPECT_EQ(settings.ParseReply(""), -2);
  EXPECT_EQ(settings.ParseReply("01:OK\n"), -2);
  EXPECT_EQ(settings.ParseReply("00:1.1\n01:OK\n"), -2);
  EXPECT_EQ(settings.ParseReply("<html>Internal error</html>"), -2);
}

TEST_F(ReplyTest, AKeyIsTakenFromTheLineItStartsAndFromInsideAValueOnlyWithoutSuchALine) {
  EXPECT_EQ(settings.ParseReply("00:1.0\n02:x01:OK\n01:NG\n"), -2)
      << "01: inside the value of 02: is the server's text, the 01: line its status";
  EXPECT_EQ(settings.ParseReply("00:1.0\n02:x01:OK\n"), 0) << "without a 01: line it counts";
  EXPECT_EQ(settings.ParseReply("00:1.0\n01:ok\n"), -2) << "the status is case-sensitive";
}

TEST_F(ReplyTest, ARefusalReturnsTheNumberInParenthesesAndKeepsTheMessage) {
  std::string message = test::Sjis(u8"希望のｱｶｳﾝﾄは使用されています(102)");
  EXPECT_EQ(settings.ParseReply(ErrorReply("\n", message)), 102);
  EXPECT_EQ(settings.serverMessage, message);

  EXPECT_EQ(settings.ParseReply(ErrorReply("\r\n", message)), 102);
  EXPECT_EQ(settings.serverMessage, message) << "CR LF replies give the same one-line message";

  EXPECT_EQ(settings.ParseReply(ErrorReply("\n", "no number")), 9999);
  EXPECT_EQ(settings.ParseReply(ErrorReply("\n", "zero (0)")), 9999);
  EXPECT_EQ(settings.ParseReply(ErrorReply("\n", "negative (-2)")), 9999)
      << "a server number must not pass for a transport or format failure";
  EXPECT_EQ(settings.ParseReply(ErrorReply("\n", "huge (99999999999)")), 9999);
  EXPECT_EQ(settings.ParseReply(ErrorReply("\n", "<b>word</b>(7)")), 7);
  EXPECT_EQ(settings.serverMessage, "word(7)");
}

TEST_F(ReplyTest, ABrokenMessageBlockIsMalformed) {
  EXPECT_EQ(settings.ParseReply("00:1.0\n01:NG\n"), -2) << "no 98:/99:";
  EXPECT_EQ(settings.ParseReply("00:1.0\n01:NG\n98:\nmsg (4)\n"), -2) << "no 99:";
  EXPECT_EQ(settings.ParseReply("00:1.0\n01:NG\n98:\n99:\n"), -2) << "empty message";
  EXPECT_EQ(settings.ParseReply("00:1.0\n01:NG\n98:\r\n\r\n99:\r\n"), -2) << "empty line only";
  EXPECT_EQ(settings.ParseReply("00:1.0\n01:NG\n99:\nmsg (4)\n98:\n"), -2) << "markers reversed";
  EXPECT_EQ(settings.ParseReply("00:1.0\n01:NG\n98:msg (4)99:"), -2) << "all on one line";
  EXPECT_EQ(settings.ParseReply("99:00:1.0\n01:NG\n98:\nx\n"), -2) << "99: at the very start";
  EXPECT_EQ(settings.ParseReply(ErrorReply("\n", std::string(513, 'x'))), -2) << "513 bytes";
  EXPECT_EQ(settings.ParseReply(ErrorReply("\n", std::string(512, 'x'))), 9999) << "512 bytes";
  EXPECT_EQ(settings.serverMessage.size(), 512u);
}

TEST_F(ReplyTest, OnlyARefusalWithAValidBlockReplacesTheMessageWhileEveryReplyRefillsTheFields) {
  EXPECT_EQ(settings.ParseReply(ErrorReply("\n", "first (3)")), 3);
  EXPECT_EQ(settings.ParseReply("00:1.0\n01:OK\n03:u1\n"), 0);
  EXPECT_EQ(settings.serverMessage, "first (3)") << "a success keeps the last message";
  EXPECT_EQ(settings.ParseReply("00:1.0\n01:NG\n98:\n99:\n"), -2);
  EXPECT_EQ(settings.serverMessage, "first (3)") << "a broken block keeps it too";
  EXPECT_EQ(settings.replyFields[3], "") << "but the fields are those of the last reply";
  EXPECT_EQ(settings.ParseReply(ErrorReply("\n", "second (4)")), 4);
  EXPECT_EQ(settings.serverMessage, "second (4)");
}

TEST_F(ReplyTest, AMessageOfSeveralLinesKeepsItsLineBreaks) {
  EXPECT_EQ(settings.ParseReply(ErrorReply("\n", "one\ntwo (5)")), 5);
  EXPECT_EQ(settings.serverMessage, "one\r\ntwo (5)");
  EXPECT_EQ(settings.ParseReply(ErrorReply("\r\n", "one\r\ntwo (5)")), 5);
  EXPECT_EQ(settings.serverMessage, "one\r\r\ntwo (5)") << "as the reply text rules give it";
}

TEST(ReplyTextToPlainTest, TurnsBreaksIntoLinesAndDropsMarkup) {
  EXPECT_EQ(test::ProtocolSeam::ReplyTextToPlain("a<br>b<p>c"), "a\r\nb\r\nc");
  EXPECT_EQ(test::ProtocolSeam::ReplyTextToPlain("<font color=\"red\">x</font> > y"), "x > y");
  EXPECT_EQ(test::ProtocolSeam::ReplyTextToPlain("a<<b>c>d"), "ad") << "nested markup";
  EXPECT_EQ(test::ProtocolSeam::ReplyTextToPlain("a<unclosed"), "aunclosed") << "no markup";
  EXPECT_EQ(test::ProtocolSeam::ReplyTextToPlain("<b(3)<<i>!"), "b(3)!") << "the outer < unclosed";
  EXPECT_EQ(test::ProtocolSeam::ReplyTextToPlain("<BR>"), "") << "tags are case-sensitive";
}

TEST(NormalizeLineBreaksTest, MakesEveryLineEndCrLf) {
  EXPECT_EQ(ServerProtocol::NormalizeLineBreaks("a\rb\nc\r\nd\n\re"), "a\r\nb\r\nc\r\nd\r\n\r\ne");
  EXPECT_EQ(ServerProtocol::NormalizeLineBreaks("\r"), "\r\n");
  EXPECT_EQ(ServerProtocol::NormalizeLineBreaks(std::string("x\0y", 3)), std::string("x\0y", 3));
}
