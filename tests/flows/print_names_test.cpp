// What a screen reader is told, played headless: `print names` on the start page (the words of
// its picture, the sheet's captions) and in the LAN details dialog (captions and the labels
// before the fields).
#include <gtest/gtest.h>

#include <string>

#include "support/flow_fixture.h"

namespace {

TEST(PrintNamesFlowTest, NamesTheStartPageControlsAndTheLanDialogFieldsForScreenReaders) {
  test::FlowRun run;
  const test::FlowResult r = run.Play(R"(
wait message "ﾀﾞｲﾔﾙｱｯﾌﾟに必要な"
answer ok
wait page 0
print names
click 1100
wait dialog 159
print names
click 2
click 2
wait end
)");
  ASSERT_EQ(r.exitCode, 0) << r.stderrText << r.transcript;
  // Without a dial-up library the wizard opens in LAN mode; the details button opens 159.
  const std::string startPage =
      "page 0\n"
      "name 1086 \"新規にサインアップする\" \"行う手続きを選んでください\"\n"
      "name 1087 \"既存のアカウントでコミュニケーションIDを取得する\" "
      "\"行う手続きを選んでください\"\n"
      "name 1088 \"接続情報を復旧（再設定）する\" "
      "\"ログインIDとパスワードから、以前の接続情報を取り戻します\"\n"
      "name 1089 \"接続方法の選択\" "
      "\"モデムを選ぶとダイヤルアップ、<LAN接続>ではLANで接続します\"\n"
      "name 1090 \"ダイヤル方式 トーン\"\n"
      "name 1091 \"ダイヤル方式 パルス\"\n"
      "name 1100 \"詳細\" \"「詳細」で接続の詳しい設定を変更できます\"\n"
      "name 12323 \"< 戻る(B)\"\n"
      "name 12324 \"次へ(N) >\"\n"
      "name 2 \"ｷｬﾝｾﾙ\"\n"
      "dialog 159 open\n";
  EXPECT_NE(r.transcript.find(startPage), std::string::npos) << r.transcript;
  // A field without words of its own is named by the label before it, without the colon.
  for (const char* line : {
           "name 1073 \"UDP\" \"UDPﾌﾟﾛﾄｺﾙを使用する場合ﾁｪｯｸしてください\"\n",
           "name 1113 \"ﾌﾟﾛｷｼｻｰﾊﾞｰを使用する(X)\" \"ﾌﾟﾛｷｼｻｰﾊﾞｰを使用する場合ﾁｪｯｸしてください\"\n",
           "name 1114 \"ｱﾄﾞﾚｽ\" \"ﾌﾟﾛｷｼｻｰﾊﾞｰのｱﾄﾞﾚｽを入力してください\"\n",
           "name 1115 \"ﾎﾟｰﾄ\" \"ﾌﾟﾛｷｼｻｰﾊﾞｰのﾎﾟｰﾄ番号入力してください\"\n",
           "name 1327 \"ﾊﾟｽﾜｰﾄﾞ\" \"ﾕｰｻﾞｰ認証が必要場合ﾕｰｻﾞｰとﾊﾟｽﾜｰﾄﾞを入力してください\"\n",
           "name 1 \"OK\"\nname 2 \"ｷｬﾝｾﾙ\"\ndialog 159 close 2\n",
       })
    EXPECT_NE(r.transcript.find(line), std::string::npos) << line << r.transcript;
}

}  // namespace
