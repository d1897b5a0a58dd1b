// The string table: every numbered text the program shows or sends, kept as UTF-8 here and
// served in the system code page.
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/codepage.h"
#include "res/deployment.h"
#include "res/resources.h"

namespace res {
namespace {

struct StringEntry {
  UINT id;
  std::string_view utf8;
};

// Ascending by number. Escapes are part of the texts: CR LF, tabs and U+3000 (the ideographic
// space) reach the program as such. Half-width katakana stay half-width (one byte each in CP932).
// 14006, 14018, 14029, 14030, the dial accounts and 179 are deployment data: the provider's
// toll-free access number, the server base URLs and the mail-account notice with the provider's
// mail domain. They are the values a machine uses unless its deployment source has others.
// clang-format off
constexpr StringEntry kStrings[] = {
    {IDS_WIZARD_CAPTION, "Wizard"},
    {IDS_BUTTON_AGREE, "同意する(&A)"},
    {IDS_BUTTON_BACK, "< 戻る(&B)"},
    {IDS_BUTTON_DISAGREE, "同意しない(&N)"},
    {IDS_BUTTON_NEXT, "次へ(&N) >"},
    {IDS_TERMS_QUESTION, "「ﾈｯﾄﾜｰｸ利用規約」を確認できましたか？\r\nこの「利用規約」に同意しますか？"},
    {IDS_CONFIRM_QUESTION, "登録情報に間違いがないかを確認してください.\r\nこの情報をｻｰﾊﾞｰに送信します.  よろしいですか？"},
    {IDS_COMPLETION_MESSAGE, "ｻｰﾊﾞｰに正しく接続できました\r\nORVELﾌﾟﾛﾊﾞｲﾀﾞｰのﾈｯﾄﾜｰｸ情報は以上の通りです\r\n【必ずﾒﾓして大切に保管してください】"},
    {IDS_SEX_MALE, "男"},
    {IDS_SEX_FEMALE, "女"},
    {IDS_USER_SUMMARY, "名前、生年月日、性別\r\n\u3000ﾌﾘｶﾞﾅ:\t %s %s\r\n\u3000名前:\t%s %s\r\n\u3000誕生日:\t %s年%s月%s日\r\n\u3000性別: \t%s\r\n\r\n住所と電話番号\r\n\u3000郵便番号: %s-%s\r\n\u3000住所: %s\r\n\u3000ｱﾊﾟｰﾄ・ﾏﾝｼｮﾝ名: %s\r\n\u3000電話番号: %s-%s-%s\r\n\r\n希望ｱｶｳﾝﾄ\r\n\u3000第一希望: %s\r\n\u3000第二希望: %s\r\n\u3000第三希望: %s\r\n\r\nｴﾝﾄﾘｰｺｰﾄﾞ\r\n\u3000%s\r\n"},
    {IDS_LAN_ONLY, "ﾀﾞｲﾔﾙｱｯﾌﾟに必要なﾓﾃﾞﾑまたはﾗｲﾌﾞﾗﾘが見つかりません\r\nLAN接続のみ有効となります"},
    {IDS_TERMS_FAILED, "「ﾈｯﾄﾜｰｸ利用規約」をﾀﾞｳﾝﾛｰﾄﾞできませんでした."},
    {IDS_SIGNUP_STARTING, "\r\nﾕｰｻﾞ登録を開始します..."},
    {IDS_SIGNUP_ERROR, "\r\nﾕｰｻﾞ登録中にｴﾗｰが発生しました"},
    {IDS_RECOVERY_STARTING, "\r\n接続情報の復旧（再設定）を開始します..."},
    {IDS_COMM_ID_REQUESTING, "\r\nｺﾐｭﾆｹｰｼｮﾝIDを取得中..."},
    {IDS_ACCOUNT_CHECKING, "\r\n登録情報を確認しています..."},
    {IDS_COMM_ID_FAILED, "ｺﾐｭﾆｹｰｼｮﾝIDを獲得できませんでした."},
    {IDS_BUTTON_YES, "はい(&Y) >"},
    {IDS_BUTTON_NO, "< いいえ(&N)"},
    {IDS_COMM_SUMMARY, " ﾛｸﾞｲﾝID: %s\r\n ﾊﾟｽﾜｰﾄﾞ: %s\r\n ｺﾐｭﾆｹｰｼｮﾝ名: %s"},
    {IDS_SIGNUP_DONE, "ｻｲﾝｱｯﾌﾟが終了しました\r\n引き続きｺﾐｭﾆｹｰｼｮﾝIDの登録を行います"},
    {IDS_RECOVERY_QUESTION, "登録情報に間違いがないかを確認してください.\r\n接続情報の復旧（再設定）を行います. よろしいですか？"},
    {IDS_RECOVERY_NOTICE, "登録情報の復旧(再設定)を行います"},
    {IDS_RECOVERY_ERROR, "\r\n情報復旧(再設定)中にｴﾗｰが発生しました"},
    {IDS_COMMUNICATION_ERROR, "通信ｴﾗｰが発生しました"},
    {IDS_NO_RESOURCES, "ｼｽﾃﾑﾘｿｰｽの獲得に失敗しました"},
    {IDS_MAIL_ACCOUNT_FORMAT, "ﾒｰﾙｱﾄﾞﾚｽ: \t%s\r\nﾒｰﾙｱｶｳﾝﾄ:\t%s\r\nﾒｰﾙﾊﾟｽﾜｰﾄﾞ:\t%s\r\nPOPﾎｽﾄ名:\t%s\r\nSMTPﾎｽﾄ名:\t%s"},
    {IDS_MAIL_NOTICE, "ｻｲﾝｱｯﾌﾟと同時に、ORVELﾒｰﾙｻｰﾋﾞｽ(mail.example.com)の\r\nﾒｰﾙｱｶｳﾝﾄが発行されました.\r\n\r\nmail.example.comからはｲﾍﾞﾝﾄ情報やﾌﾟﾚｾﾞﾝﾄ情報を\r\nお送りします.\r\n\r\n今すぐﾒｰﾙｿﾌﾄの設定を変更してください."},
    {IDS_LAN_ITEM, "<LAN接続>"},
    {IDS_TERMS_DOWNLOADING, "「ﾈｯﾄﾜｰｸ利用規約」をﾀﾞｳﾝﾛｰﾄﾞしています...\r\nしばらくお待ちください."},
    {IDS_TERMS_RETRY, "「ﾈｯﾄﾜｰｸ利用規約」をﾀﾞｳﾝﾛｰﾄﾞできませんでした.\r\n再試行しますか？"},
    {IDS_TIP_DIALUP_DETAILS, "ﾀﾞｲﾔﾙｱｯﾌﾟの詳細設定を指定します"},
    {IDS_TIP_UDP, "UDPﾌﾟﾛﾄｺﾙを使用する場合ﾁｪｯｸしてください"},
    {IDS_TIP_TCP, "TCPﾌﾟﾛﾄｺﾙを使用する場合ﾁｪｯｸしてください"},
    {IDS_TIP_PROXY, "ﾌﾟﾛｷｼｻｰﾊﾞｰを使用する場合ﾁｪｯｸしてください"},
    {IDS_TIP_PROXY_ADDRESS, "ﾌﾟﾛｷｼｻｰﾊﾞｰのｱﾄﾞﾚｽを入力してください"},
    {IDS_TIP_PROXY_PORT, "ﾌﾟﾛｷｼｻｰﾊﾞｰのﾎﾟｰﾄ番号入力してください"},
    {IDS_TIP_METHOD_UNKNOWN, "接続方法が不明な場合ﾁｪｯｸしてください"},
    {IDS_TIP_PROXY_LOGIN, "ﾕｰｻﾞｰ認証が必要場合ﾕｰｻﾞｰとﾊﾟｽﾜｰﾄﾞを入力してください"},
    {IDS_REGISTRATION_KEY_NT, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion"},
    {IDS_REGISTRATION_KEY_9X, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion"},
    {IDS_TERMS_PATH, "/signup_pc/kiyaku.txt"},
    {IDS_FREE_ACCESS_NUMBER, "0120-345-678"},
    {IDS_SIGNUP_DIAL_USER, "pcsignup"},
    {IDS_SIGNUP_DIAL_PASSWORD, "tqwmzhle"},
    {IDS_USER_AGENT, "Mozilla/4.0 (SignupClient/1.1; ORVEL/Windows/Signup)"},
    {IDS_HEADER_CONTENT_TYPE, "Content-Type: application/x-www-form-urlencoded\r\n"},
    {IDS_HEADER_CONTENT_LENGTH, "Content-Length: %d\r\n"},
    {IDS_SIGNUP_CGI, "/signup_pc/signup_pc.cgi"},
    {IDS_SIGNUP_FORM, "qxid=%s&lastname=%s&firtname=%s&kana_lastname=%s&kana_firstname=%s&zipcode1=%s&zipcode2=%s&address=%s&T1=%s&T2=%s&T3=%s&sex=%s&year=%s&month=%s&day=%s&1st_acc=%s&2nd_acc=%s&3rd_acc=%s"},
    {IDS_RECOVERY_CGI, "/profile_pc/rst/QXSRst_PCEIA.cgi"},
    {IDS_RECOVERY_FORM, "user_id=%s&login_password=%s"},
    {IDS_PROFILE_SERVER_URL, "https://profile.example.net/"},
    {IDS_COMM_ID_FORM, "s_id=%s&comm_id=%s&comm_password=%s&login_id=%s&login_password=%s&n_name=%s"},
    {IDS_COMM_ID_CGI, "/cmtool/menu/PC_IDGetEIA.cgi"},
    {IDS_NETWORK_SUMMARY, " ﾛｸﾞｲﾝID:\t\t%s\r\n ﾊﾟｽﾜｰﾄﾞ:\t\t%s\r\n ﾌﾟﾗｲﾏﾘDNS:\t%s\r\n ｾｶﾝﾀﾞﾘDNS:\t%s\r\n ｱｸｾｽﾎﾟｲﾝﾄ1:\t%s\r\n ｱｸｾｽﾎﾟｲﾝﾄ2:\t%s\r\n ｱｸｾｽﾎﾟｲﾝﾄ3:\t%s\r\n ﾒｰﾙｱﾄﾞﾚｽ:\t%s\r\n ﾒｰﾙｱｶｳﾝﾄ:\t%s\r\n ﾒｰﾙﾊﾟｽﾜｰﾄﾞ:\t%s\r\n POPﾎｽﾄ名:\t%s\r\n SMTPﾎｽﾄ名:\t%s\r\n ｺﾐｭﾆｹｰｼｮﾝID:\t%s\r\n ｺﾐｭﾆｹｰｼｮﾝ名:\t%s"},
    {IDS_RECOVERY_DIAL_USER, "pcrecover"},
    {IDS_RECOVERY_DIAL_PASSWORD, "plomvakri"},
    {IDS_SIGNUP_SERVER_URL, "https://signup.example.com/"},
    {IDS_SEARCH_SERVER_URL, "https://search.example.org/"},
    {IDS_DIAL_PLACEHOLDER, "xx-xxxx-xxxx"},
    {IDS_NUMBER_FIXED, "電話番号の変更はできません"},
    {IDS_NO_PREFIX, "(なし)"},
    {IDS_RAS_STATE_UNKNOWN, "未定義のｴﾗｰを検出しました."},
    {IDS_RAS_STATE_FIRST, "ﾎﾟｰﾄをｵｰﾌﾟﾝ中です..."},
    {IDS_RAS_STATE_FIRST + 1, "ﾎﾟｰﾄが正常にｵｰﾌﾟﾝできました."},
    {IDS_RAS_STATE_FIRST + 2, "ﾓﾃﾞﾑに接続しています..."},
    {IDS_RAS_STATE_FIRST + 3, "ﾓﾃﾞﾑの接続が完了しました."},
    {IDS_RAS_STATE_FIRST + 4, "ﾓﾃﾞﾑの接続が完了しました."},
    {IDS_RAS_STATE_FIRST + 5, "ﾕｰｻﾞ名とﾊﾟｽﾜｰﾄﾞを確認しています..."},
    {IDS_RAS_STATE_FIRST + 6, "ﾛｸﾞｲﾝしました."},
    {IDS_RAS_STATE_FIRST + 7, "Requested another validation attempt with a new user."},
    {IDS_RAS_STATE_FIRST + 8, "Server has requested a callback number."},
    {IDS_RAS_STATE_FIRST + 9, "The client has requested to change the password"},
    {IDS_RAS_STATE_FIRST + 10, "ﾈｯﾄﾜｰｸに接続しています..."},
    {IDS_RAS_STATE_FIRST + 11, "The link-speed calculation phase is starting..."},
    {IDS_RAS_STATE_FIRST + 12, "An authentication request is being acknowledged."},
    {IDS_RAS_STATE_FIRST + 13, "Reauthentication (after callback) is starting. "},
    {IDS_RAS_STATE_FIRST + 14, "ｸﾗｲｱﾝﾄ認証が成功しました."},
    {IDS_RAS_STATE_FIRST + 15, "The line is about to disconnect for callback."},
    {IDS_RAS_STATE_FIRST + 16, "Delaying to give the modem time to reset for callback."},
    {IDS_RAS_STATE_FIRST + 17, "Waiting for an incoming call from server."},
    {IDS_RAS_STATE_FIRST + 18, "ﾈｯﾄﾜｰｸに接続しました."},
    {IDS_RAS_STATE_FIRST + 19, "User authentication is being initiated or retried."},
    {IDS_RAS_STATE_FIRST + 20, "Client has been called back and is about to resume authentication."},
    {IDS_RAS_STATE_FIRST + 21, "ﾈｯﾄﾜｰｸにﾛｸﾞｲﾝ中..."},
    {IDS_RAS_STATE_FIRST + 22, "Subentry has been connected"},
    {IDS_RAS_STATE_FIRST + 23, "Subentry has been disconnected"},
    {IDS_RAS_STATE_INTERACTIVE, "Terminal state supported by RASPHONE.EXE."},
    {IDS_RAS_STATE_INTERACTIVE + 1, "Retry authentication state supported by RASPHONE.EXE."},
    {IDS_RAS_STATE_INTERACTIVE + 2, "Callback state supported by RASPHONE.EXE."},
    {IDS_RAS_STATE_INTERACTIVE + 3, "Change password state supported by RASPHONE.EXE."},
    {IDS_RAS_STATE_CONNECTED, "ﾈｯﾄﾜｰｸに接続しました."},
    {IDS_RAS_STATE_DISCONNECTED, "切断しました."},
    {IDS_NO_MODEM_FOUND, "接続可能なﾓﾃﾞﾑが見つかりません\r\nﾓﾃﾞﾑのｾｯﾄｱｯﾌﾟを行ってください"},
    {IDS_DROP_AND_CONNECT, "現在接続中の'%s'を切断し、'%s'に接続します.\r\nよろしいですか？ "},
    {IDS_CONNECT_QUESTION, "%sに接続します.\r\nよろしいですか？"},
    {IDS_SIGNUP_ENTRY_NAME, "ORVEL parlanza signup"},
    {IDS_SIGNUP_SERVER_NAME, "ORVEL parlanzaｻｲﾝｱｯﾌﾟｻｰﾊﾞｰ"},
    {IDS_MODEM_MISSING, "ﾓﾃﾞﾑ'%s'の情報取得でｴﾗｰが発生しました\r\nﾓﾃﾞﾑの確認を行ってください"},
    {IDS_TIP_MODEM, "接続ﾓﾃﾞﾑを選択してください"},
    {IDS_TIP_DIAL_MODE, "ﾀﾞｲﾔﾙ方式を選択してください"},
    {IDS_TIP_PREFIX, "外線発信番号を入力してください"},
    {IDS_TIP_ACCESS_POINT, "接続するｱｸｾｽﾎﾟｲﾝﾄを選択してください"},
    {IDS_NO_MODEM_ITEM, "ﾓﾃﾞﾑがありません"},
    {IDS_NO_DIALUP_LIBRARY, "ﾀﾞｲﾔﾙｱｯﾌﾟ(RAS)に必要なﾗｲﾌﾞﾗﾘがありません"},
    {IDS_STORE_UNREADABLE, "保存されている設定を読み込めません.\r\n保存先: %s\r\n理由: %s\r\n\r\n保存されている設定は使わずに続けます.\r\nこの保存先には何も書き込みません."},
    {IDS_STORE_NOT_OURS, "このﾌﾟﾛｸﾞﾗﾑの設定ではないか、壊れています"},
    {IDS_STORE_DENIED, "読み取りが許可されていません"},
    {IDS_STORE_CANT_READ, "読み取りができません"},
    {IDS_ISSUED_NOT_STORED, "ｻｰﾊﾞｰから受け取った情報をこのｺﾝﾋﾟｭｰﾀｰに保存できませんでした.\r\nこのあと表示される情報を必ずﾒﾓして大切に保管してください."},
    {IDS_SETTINGS_NOT_STORED, "設定を保存できませんでした.\r\n変更した設定は今回だけ使われます."},
    {IDS_DEPLOY_REFUSED, "ﾌﾟﾛﾊﾞｲﾀﾞｰの設定に使用できない値があります.\r\nこれらの値には組み込みの値を使用します.\r\n"},
    {IDS_DEPLOY_NOT_URL, "http:// または https:// で始まるｱﾄﾞﾚｽではありません"},
    {IDS_DEPLOY_NOT_DIALABLE, "ﾓﾃﾞﾑでﾀﾞｲﾔﾙできない文字があります"},
    {IDS_DEPLOY_EMPTY, "空です"},
    {IDS_DEPLOY_TOO_LONG, "長すぎます"},
    {IDS_DEPLOY_CONTROL, "制御文字があります"},
    {IDS_DEPLOY_NOT_DOMAIN, "ﾄﾞﾒｲﾝ名ではありません"},
    {IDS_DEPLOY_UNKNOWN, "この名前の設定はありません"},
    {IDS_DEPLOY_MALFORMED, "「名前=値」の形ではありません"},
    {IDS_DEPLOY_NOT_TEXT, "文字列の値ではありません"},
    {IDS_DEPLOY_DUPLICATE, "同じ名前の設定がすでにあります"},
    {IDS_DEPLOY_UNREADABLE, "読み込めません"},
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
  if (DeployedString(id, out)) return true;
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
