// The string table: every numbered text the program shows or sends, kept as UTF-8 here and
// served in the system code page.
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage.h"
#include "res/resources.h"

namespace res {
namespace {

struct StringEntry {
  UINT id;
  std::string_view utf8;
};

// Ascending by number. Escapes are part of the texts: CR LF, tabs and U+3000 (the ideographic
// space) reach the program as such. Half-width katakana stay half-width (one byte each in CP932).
// 14006, 14018, 14029, 14030 and 179 are deployment data: the provider's toll-free access number,
// the server base URLs and the mail-account notice with the provider's mail domain.
// clang-format off
constexpr StringEntry kStrings[] = {
    {103, "Wizard"},
    {104, "同意する(&A)"},
    {106, "< 戻る(&B)"},
    {107, "同意しない(&N)"},
    {109, "次へ(&N) >"},
    {110, "「ﾈｯﾄﾜｰｸ利用規約」を確認できましたか？\r\nこの「利用規約」に同意しますか？"},
    {114, "登録情報に間違いがないかを確認してください.\r\nこの情報をｻｰﾊﾞｰに送信します.  よろしいですか？"},
    {120, "ｻｰﾊﾞｰに正しく接続できました\r\nORVELﾌﾟﾛﾊﾞｲﾀﾞｰのﾈｯﾄﾜｰｸ情報は以上の通りです\r\n【必ずﾒﾓして大切に保管してください】"},
    {121, "男"},
    {122, "女"},
    {123, "名前、生年月日、性別\r\n\u3000ﾌﾘｶﾞﾅ:\t %s %s\r\n\u3000名前:\t%s %s\r\n\u3000誕生日:\t %s年%s月%s日\r\n\u3000性別: \t%s\r\n\r\n住所と電話番号\r\n\u3000郵便番号: %s-%s\r\n\u3000住所: %s\r\n\u3000ｱﾊﾟｰﾄ・ﾏﾝｼｮﾝ名: %s\r\n\u3000電話番号: %s-%s-%s\r\n\r\n希望ｱｶｳﾝﾄ\r\n\u3000第一希望: %s\r\n\u3000第二希望: %s\r\n\u3000第三希望: %s\r\n\r\nｴﾝﾄﾘｰｺｰﾄﾞ\r\n\u3000%s\r\n"},
    {125, "ﾀﾞｲﾔﾙｱｯﾌﾟに必要なﾓﾃﾞﾑまたはﾗｲﾌﾞﾗﾘが見つかりません\r\nLAN接続のみ有効となります"},
    {139, "「ﾈｯﾄﾜｰｸ利用規約」をﾀﾞｳﾝﾛｰﾄﾞできませんでした."},
    {142, "\r\nﾕｰｻﾞ登録を開始します..."},
    {143, "\r\nﾕｰｻﾞ登録中にｴﾗｰが発生しました"},
    {147, "\r\n接続情報の復旧（再設定）を開始します..."},
    {155, "\r\nｺﾐｭﾆｹｰｼｮﾝIDを取得中..."},
    {156, "\r\n登録情報を確認しています..."},
    {157, "ｺﾐｭﾆｹｰｼｮﾝIDを獲得できませんでした."},
    {162, "はい(&Y) >"},
    {163, "< いいえ(&N)"},
    {167, " ﾛｸﾞｲﾝID: %s\r\n ﾊﾟｽﾜｰﾄﾞ: %s\r\n ｺﾐｭﾆｹｰｼｮﾝ名: %s"},
    {168, "ｻｲﾝｱｯﾌﾟが終了しました\r\n引き続きｺﾐｭﾆｹｰｼｮﾝIDの登録を行います"},
    {171, "登録情報に間違いがないかを確認してください.\r\n接続情報の復旧（再設定）を行います. よろしいですか？"},
    {172, "登録情報の復旧(再設定)を行います"},
    {175, "\r\n情報復旧(再設定)中にｴﾗｰが発生しました"},
    {176, "通信ｴﾗｰが発生しました"},
    {177, "ｼｽﾃﾑﾘｿｰｽの獲得に失敗しました"},
    {178, "ﾒｰﾙｱﾄﾞﾚｽ: \t%s\r\nﾒｰﾙｱｶｳﾝﾄ:\t%s\r\nﾒｰﾙﾊﾟｽﾜｰﾄﾞ:\t%s\r\nPOPﾎｽﾄ名:\t%s\r\nSMTPﾎｽﾄ名:\t%s"},
    {179, "ｻｲﾝｱｯﾌﾟと同時に、ORVELﾒｰﾙｻｰﾋﾞｽ(mail.example.com)の\r\nﾒｰﾙｱｶｳﾝﾄが発行されました.\r\n\r\nmail.example.comからはｲﾍﾞﾝﾄ情報やﾌﾟﾚｾﾞﾝﾄ情報を\r\nお送りします.\r\n\r\n今すぐﾒｰﾙｿﾌﾄの設定を変更してください."},
    {180, "<LAN接続>"},
    {181, "「ﾈｯﾄﾜｰｸ利用規約」をﾀﾞｳﾝﾛｰﾄﾞしています...\r\nしばらくお待ちください."},
    {182, "「ﾈｯﾄﾜｰｸ利用規約」をﾀﾞｳﾝﾛｰﾄﾞできませんでした.\r\n再試行しますか？"},
    {183, "ﾀﾞｲﾔﾙｱｯﾌﾟの詳細設定を指定します"},
    {184, "UDPﾌﾟﾛﾄｺﾙを使用する場合ﾁｪｯｸしてください"},
    {185, "TCPﾌﾟﾛﾄｺﾙを使用する場合ﾁｪｯｸしてください"},
    {186, "ﾌﾟﾛｷｼｻｰﾊﾞｰを使用する場合ﾁｪｯｸしてください"},
    {187, "ﾌﾟﾛｷｼｻｰﾊﾞｰのｱﾄﾞﾚｽを入力してください"},
    {188, "ﾌﾟﾛｷｼｻｰﾊﾞｰのﾎﾟｰﾄ番号入力してください"},
    {189, "接続方法が不明な場合ﾁｪｯｸしてください"},
    {193, "ﾕｰｻﾞｰ認証が必要場合ﾕｰｻﾞｰとﾊﾟｽﾜｰﾄﾞを入力してください"},
    {14002, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"},
    {14003, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion"},
    {14004, "/signup_pc/kiyaku.txt"},
    {14006, "0120-345-678"},
    {14007, "pcsignup"},
    {14008, "tqwmzhle"},
    {14009, "Mozilla/4.0 (SignupClient/1.1; ORVEL/Windows/Signup)"},
    {14010, "Content-Type: application/x-www-form-urlencoded\r\n"},
    {14011, "Content-Length: %d\r\n"},
    {14013, "/signup_pc/signup_pc.cgi"},
    {14014, "qxid=%s&lastname=%s&firtname=%s&kana_lastname=%s&kana_firstname=%s&zipcode1=%s&zipcode2=%s&address=%s&T1=%s&T2=%s&T3=%s&sex=%s&year=%s&month=%s&day=%s&1st_acc=%s&2nd_acc=%s&3rd_acc=%s"},
    {14016, "/profile_pc/rst/QXSRst_PCEIA.cgi"},
    {14017, "user_id=%s&login_password=%s"},
    {14018, "https://profile.example.net/"},
    {14019, "s_id=%s&comm_id=%s&comm_password=%s&login_id=%s&login_password=%s&n_name=%s"},
    {14020, "/cmtool/menu/PC_IDGetEIA.cgi"},
    {14021, " ﾛｸﾞｲﾝID:\t\t%s\r\n ﾊﾟｽﾜｰﾄﾞ:\t\t%s\r\n ﾌﾟﾗｲﾏﾘDNS:\t%s\r\n ｾｶﾝﾀﾞﾘDNS:\t%s\r\n ｱｸｾｽﾎﾟｲﾝﾄ1:\t%s\r\n ｱｸｾｽﾎﾟｲﾝﾄ2:\t%s\r\n ｱｸｾｽﾎﾟｲﾝﾄ3:\t%s\r\n ﾒｰﾙｱﾄﾞﾚｽ:\t%s\r\n ﾒｰﾙｱｶｳﾝﾄ:\t%s\r\n ﾒｰﾙﾊﾟｽﾜｰﾄﾞ:\t%s\r\n POPﾎｽﾄ名:\t%s\r\n SMTPﾎｽﾄ名:\t%s\r\n ｺﾐｭﾆｹｰｼｮﾝID:\t%s\r\n ｺﾐｭﾆｹｰｼｮﾝ名:\t%s"},
    {14023, "pcrecover"},
    {14024, "plomvakri"},
    {14029, "https://signup.example.com/"},
    {14030, "https://search.example.org/"},
    {14058, "xx-xxxx-xxxx"},
    {14059, "電話番号の変更はできません"},
    {14061, "(なし)"},
    {14500, "未定義のｴﾗｰを検出しました."},
    {14501, "ﾎﾟｰﾄをｵｰﾌﾟﾝ中です..."},
    {14502, "ﾎﾟｰﾄが正常にｵｰﾌﾟﾝできました."},
    {14503, "ﾓﾃﾞﾑに接続しています..."},
    {14504, "ﾓﾃﾞﾑの接続が完了しました."},
    {14505, "ﾓﾃﾞﾑの接続が完了しました."},
    {14506, "ﾕｰｻﾞ名とﾊﾟｽﾜｰﾄﾞを確認しています..."},
    {14507, "ﾛｸﾞｲﾝしました."},
    {14508, "Requested another validation attempt with a new user."},
    {14509, "Server has requested a callback number."},
    {14510, "The client has requested to change the password"},
    {14511, "ﾈｯﾄﾜｰｸに接続しています..."},
    {14512, "The link-speed calculation phase is starting..."},
    {14513, "An authentication request is being acknowledged."},
    {14514, "Reauthentication (after callback) is starting. "},
    {14515, "ｸﾗｲｱﾝﾄ認証が成功しました."},
    {14516, "The line is about to disconnect for callback."},
    {14517, "Delaying to give the modem time to reset for callback."},
    {14518, "Waiting for an incoming call from server."},
    {14519, "ﾈｯﾄﾜｰｸに接続しました."},
    {14520, "User authentication is being initiated or retried."},
    {14521, "Client has been called back and is about to resume authentication."},
    {14522, "ﾈｯﾄﾜｰｸにﾛｸﾞｲﾝ中..."},
    {14523, "Subentry has been connected"},
    {14524, "Subentry has been disconnected"},
    {14525, "Terminal state supported by RASPHONE.EXE."},
    {14526, "Retry authentication state supported by RASPHONE.EXE."},
    {14527, "Callback state supported by RASPHONE.EXE."},
    {14528, "Change password state supported by RASPHONE.EXE."},
    {14529, "ﾈｯﾄﾜｰｸに接続しました."},
    {14530, "切断しました."},
    {14603, "接続可能なﾓﾃﾞﾑが見つかりません\r\nﾓﾃﾞﾑのｾｯﾄｱｯﾌﾟを行ってください"},
    {14608, "現在接続中の'%s'を切断し、'%s'に接続します.\r\nよろしいですか？ "},
    {14611, "%sに接続します.\r\nよろしいですか？"},
    {14613, "ORVEL parlanza signup"},
    {14615, "ORVEL parlanzaｻｲﾝｱｯﾌﾟｻｰﾊﾞｰ"},
    {14618, "ﾓﾃﾞﾑ'%s'の情報取得でｴﾗｰが発生しました\r\nﾓﾃﾞﾑの確認を行ってください"},
    {14619, "接続ﾓﾃﾞﾑを選択してください"},
    {14620, "ﾀﾞｲﾔﾙ方式を選択してください"},
    {14621, "外線発信番号を入力してください"},
    {14622, "接続するｱｸｾｽﾎﾟｲﾝﾄを選択してください"},
    {14623, "ﾓﾃﾞﾑがありません"},
    {14624, "ﾀﾞｲﾔﾙｱｯﾌﾟ(RAS)に必要なﾗｲﾌﾞﾗﾘがありません"},
};
// clang-format on

// The whole table in CP932, converted once on first use (thread-safe static initialisation).
const std::map<UINT, std::string>& Table() {
  static const std::map<UINT, std::string> table = [] {
    std::map<UINT, std::string> converted;
    for (const StringEntry& e : kStrings) converted.emplace(e.id, platform::Utf8ToAnsi(e.utf8));
    return converted;
  }();
  return table;
}

}  // namespace

bool LoadString(UINT id, std::string& out) {
  const auto& table = Table();
  auto it = table.find(id);
  if (it == table.end()) {
    out.clear();
    return false;
  }
  out = it->second;
  return true;
}

std::string String(UINT id) {
  std::string text;
  LoadString(id, text);
  return text;
}

std::vector<UINT> StringIds() {
  std::vector<UINT> ids;
  for (const auto& [id, text] : Table()) ids.push_back(id);
  return ids;
}

}  // namespace res
