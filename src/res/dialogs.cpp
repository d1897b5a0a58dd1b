// The dialog templates: the progress, dial-up details, LAN details and mail-account dialogs, and
// the seven wizard pages, with every control, its style and its place in dialog units.
#include <algorithm>
#include <cmath>
#include <vector>

#include "res/page_art.h"
#include "res/resources.h"
#include "res/styles.h"

namespace res {
namespace {

constexpr const char* kFont = "ＭＳ Ｐゴシック";
constexpr int kPointSize = 9;

constexpr DWORD kModal =
    DS_SETFONT | DS_MODALFRAME | DS_3DLOOK | WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kPage = DS_SETFONT | DS_3DLOOK | WS_CHILD | WS_DISABLED | WS_CAPTION;

// A page's template only has to hold its controls: the sheet resizes every page to the 448 x 310
// pixels of the page pictures, which these units come to at 1.5 and 1.625 pixels per unit.
constexpr short kPageWidth = 299;
constexpr short kPageHeight = 191;

constexpr DWORD kShown = WS_CHILD | WS_VISIBLE;
constexpr DWORD kEditBox = kShown | WS_BORDER | WS_TABSTOP;
constexpr DWORD kReadOnlyLog = kShown | WS_BORDER | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL;
constexpr DWORD kReadOnlyScroll = kReadOnlyLog | WS_VSCROLL;

ControlTemplate Control(int id, ControlKind kind, const char* text, DWORD style, short x, short y,
                        short cx, short cy, std::vector<const char*> items = {}) {
  return ControlTemplate{id, kind, text, style, x, y, cx, cy, std::move(items)};
}

ControlTemplate Label(const char* text, short x, short y, short cx) {
  return Control(IDC_STATIC, ControlKind::Static, text, kShown | SS_LEFT, x, y, cx, 8);
}

// Pages place their controls by pixels when they start (res/page_art.h); the template holds the
// same places in dialog units (6 x 13 base units: 1.5 pixels across, 1.625 down per unit).
ControlTemplate PageControl(int page, int id, ControlKind kind, const char* text, DWORD style,
                            std::vector<const char*> items = {}) {
  PixelRect r{id, 0, 0, 0, 0};
  if (const PageLayout* layout = FindPageLayout(page)) {
    for (const PixelRect& c : layout->controls)
      if (c.id == id) r = c;
  }
  auto across = [](int pixels) { return static_cast<short>(std::lround(pixels / 1.5)); };
  auto down = [](int pixels) { return static_cast<short>(std::lround(pixels / 1.625)); };
  return Control(id, kind, text, style, across(r.x), down(r.y), across(r.w), down(r.h),
                 std::move(items));
}

std::vector<const char*> Numbers(int first, int last) {
  static const char* const kDigits[] = {"1",  "2",  "3",  "4",  "5",  "6",  "7",  "8",
                                        "9",  "10", "11", "12", "13", "14", "15", "16",
                                        "17", "18", "19", "20", "21", "22", "23", "24",
                                        "25", "26", "27", "28", "29", "30", "31"};
  return std::vector<const char*>(kDigits + first - 1, kDigits + last);
}

// 142: the dial progress dialog. Redial is the default button so that Enter never cancels.
DialogTemplate Progress() {
  return DialogTemplate{
      IDD_PROGRESS,
      "ｻｰﾊﾞｰに接続中(ﾌﾘｰﾀﾞｲﾔﾙ)...",
      kModal | DS_SETFOREGROUND,
      0,
      0,
      199,
      48,
      kFont,
      kPointSize,
      {
          Control(IDC_DIAL_STATUS, ControlKind::Edit, "",
                  kShown | WS_BORDER | ES_MULTILINE | ES_READONLY | ES_CENTER, 7, 6, 185, 17),
          Control(IDC_DIAL_HANGUP, ControlKind::PushButton, "切断(&U)",
                  WS_CHILD | WS_DISABLED | WS_TABSTOP | BS_PUSHBUTTON, 7, 28, 50, 14),
          Control(IDC_DIAL_REDIAL, ControlKind::DefPushButton, "ﾘﾀﾞｲﾔﾙ(&R)",
                  kShown | WS_TABSTOP | BS_DEFPUSHBUTTON, 87, 28, 50, 14),
          Control(2, ControlKind::PushButton, "ｷｬﾝｾﾙ", kShown | WS_TABSTOP | BS_PUSHBUTTON, 142, 28,
                  50, 14),
      }};
}

// 147: the mail-account notice shown on Finish; only OK is visible.
DialogTemplate MailAccount() {
  return DialogTemplate{
      IDD_MAIL_ACCOUNT,
      "ﾒｰﾙｱｶｳﾝﾄ確認",
      kModal,
      0,
      0,
      220,
      158,
      kFont,
      kPointSize,
      {
          Control(IDC_MAIL_NOTICE, ControlKind::Edit, "",
                  kShown | ES_MULTILINE | ES_READONLY | ES_CENTER | ES_AUTOVSCROLL, 7, 7, 206, 62),
          Control(IDC_STATIC, ControlKind::GroupBox, "ﾒｰﾙｱｶｳﾝﾄ情報:", kShown | BS_GROUPBOX, 7, 72,
                  206, 60),
          Control(IDC_MAIL_ACCOUNT, ControlKind::Edit, "", kReadOnlyLog | WS_TABSTOP, 14, 84, 192,
                  44),
          Control(2, ControlKind::PushButton, "ｷｬﾝｾﾙ", WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON, 108,
                  138, 50, 14),
          Control(1, ControlKind::DefPushButton, "OK", kShown | WS_TABSTOP | BS_DEFPUSHBUTTON, 163,
                  138, 50, 14),
      }};
}

// 157: the dial-up details dialog; labels left of their fields, OK and Cancel bottom right.
DialogTemplate DialupDetails() {
  constexpr DWORD kList = kShown | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
  return DialogTemplate{
      IDD_DIALUP_DETAILS,
      "ﾀﾞｲﾔﾙｱｯﾌﾟ詳細",
      kModal,
      0,
      0,
      195,
      120,
      kFont,
      kPointSize,
      {
          Control(IDC_STATIC, ControlKind::GroupBox,
                  "ORVEL parlanzaｻｲﾝｱｯﾌﾟｻｰﾊﾞｰの設定:", kShown | BS_GROUPBOX, 7, 5, 181, 88),
          Label("ﾓﾃﾞﾑの選択:", 14, 20, 56),
          Control(IDC_DETAILS_MODEM, ControlKind::ComboDropList, "", kList | WS_GROUP, 72, 18, 110,
                  60),
          Label("ﾀﾞｲﾔﾙ方式:", 14, 35, 56),
          Control(IDC_DETAILS_TONE, ControlKind::CheckBox, "ﾄｰﾝ(&T)",
                  kShown | WS_TABSTOP | WS_GROUP | BS_AUTOCHECKBOX, 72, 34, 45, 10),
          Control(IDC_DETAILS_PULSE, ControlKind::CheckBox, "ﾊﾟﾙｽ(&P)",
                  kShown | WS_TABSTOP | BS_AUTOCHECKBOX, 122, 34, 45, 10),
          Label("外線発信番号:", 14, 50, 56),
          Control(IDC_DETAILS_PREFIX, ControlKind::ComboDropDown, "",
                  kShown | WS_TABSTOP | WS_GROUP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, 72,
                  48, 60, 48, {"(なし)", "0,", "9,", "8,"}),
          Label("ｱｸｾｽﾎﾟｲﾝﾄ選択:", 14, 65, 56),
          Control(IDC_DETAILS_ACCESS_POINT, ControlKind::ComboDropList, "", kList, 72, 63, 110, 52),
          Label("電話番号:", 14, 80, 56),
          Control(IDC_DETAILS_NUMBER, ControlKind::Edit, "",
                  kEditBox | ES_READONLY | ES_AUTOHSCROLL, 72, 78, 110, 12),
          Control(1, ControlKind::DefPushButton, "OK",
                  kShown | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, 83, 100, 50, 14),
          Control(2, ControlKind::PushButton, "ｷｬﾝｾﾙ", kShown | WS_TABSTOP | BS_PUSHBUTTON, 138,
                  100, 50, 14),
      }};
}

// 159: the LAN details dialog; the proxy fields sit indented under the proxy check box.
DialogTemplate LanDetails() {
  constexpr DWORD kCheck = kShown | WS_TABSTOP | BS_AUTOCHECKBOX;
  constexpr DWORD kField = kEditBox | ES_AUTOHSCROLL;
  return DialogTemplate{
      IDD_LAN_DETAILS,
      "LAN接続詳細",
      kModal,
      0,
      0,
      179,
      119,
      kFont,
      kPointSize,
      {
          Control(IDC_STATIC, ControlKind::GroupBox, "ｲﾝﾀｰﾈｯﾄ(LAN)接続設定:", kShown | BS_GROUPBOX,
                  7, 5, 165, 93),
          Control(IDC_LAN_UDP, ControlKind::CheckBox, "&UDP", kCheck | WS_GROUP, 14, 16, 34, 10),
          Label("(parlanza推奨ﾌﾟﾛﾄｺﾙ)", 50, 17, 100),
          Control(IDC_LAN_TCP, ControlKind::CheckBox, "&TCP", kCheck, 14, 29, 34, 10),
          Control(IDC_LAN_PROXY, ControlKind::CheckBox, "ﾌﾟﾛｷｼｻｰﾊﾞｰを使用する(&X)", kCheck, 24, 42,
                  120, 10),
          Control(IDC_LAN_ADDRESS_LABEL, ControlKind::Static, "ｱﾄﾞﾚｽ:", kShown | SS_LEFT, 32, 57,
                  24, 8),
          Control(IDC_LAN_ADDRESS, ControlKind::Edit, "", kField, 58, 55, 60, 12),
          Control(IDC_LAN_PORT_LABEL, ControlKind::Static, "ﾎﾟｰﾄ:", kShown | SS_LEFT, 122, 57, 20,
                  8),
          Control(IDC_LAN_PORT, ControlKind::Edit, "", kField, 144, 55, 26, 12),
          Control(IDC_LAN_USER_LABEL, ControlKind::Static, "ﾕｰｻﾞｰ:", kShown | SS_LEFT, 32, 72, 24,
                  8),
          Control(IDC_LAN_USER, ControlKind::Edit, "", kField, 58, 70, 40, 12),
          Control(IDC_LAN_PASSWORD_LABEL, ControlKind::Static, "ﾊﾟｽﾜｰﾄﾞ:", kShown | SS_LEFT, 102,
                  72, 28, 8),
          Control(IDC_LAN_PASSWORD, ControlKind::Edit, "", kField | ES_PASSWORD, 132, 70, 38, 12),
          Control(IDC_LAN_UNKNOWN, ControlKind::CheckBox, "接続方法が不明な場合(&P)", kCheck, 14,
                  85, 120, 10),
          Control(1, ControlKind::DefPushButton, "OK",
                  kShown | WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, 67, 101, 50, 14),
          Control(2, ControlKind::PushButton, "ｷｬﾝｾﾙ", kShown | WS_TABSTOP | BS_PUSHBUTTON, 122,
                  101, 50, 14),
      }};
}

DialogTemplate Page(int id, const char* caption, std::vector<ControlTemplate> controls) {
  return DialogTemplate{id,         caption,     kPage, 0,          0,
                        kPageWidth, kPageHeight, kFont, kPointSize, std::move(controls)};
}

// 146: the start page. The labels of the modes, the list, tone and pulse are in picture 149.
DialogTemplate StartPage() {
  constexpr DWORD kRadio = kShown | BS_AUTORADIOBUTTON;
  constexpr DWORD kCheck = kShown | WS_TABSTOP | BS_AUTOCHECKBOX;
  return Page(
      IDD_START_PAGE, "ORVELサインアップ",
      {
          PageControl(IDD_START_PAGE, IDC_MODE_NEW, ControlKind::RadioButton, "",
                      kRadio | WS_GROUP | WS_TABSTOP),
          PageControl(IDD_START_PAGE, IDC_MODE_EXISTING, ControlKind::RadioButton, "", kRadio),
          PageControl(IDD_START_PAGE, IDC_MODE_RECOVERY, ControlKind::RadioButton, "", kRadio),
          PageControl(IDD_START_PAGE, IDC_CONNECTION_LIST, ControlKind::ComboDropList, "",
                      kShown | WS_GROUP | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST),
          PageControl(IDD_START_PAGE, IDC_TONE, ControlKind::CheckBox, "", kCheck),
          PageControl(IDD_START_PAGE, IDC_PULSE, ControlKind::CheckBox, "", kCheck),
          PageControl(IDD_START_PAGE, IDC_DETAILS, ControlKind::PushButton, "詳細",
                      kShown | WS_TABSTOP | BS_PUSHBUTTON),
      });
}

// 151: the terms page.
DialogTemplate TermsPage() {
  return Page(
      IDD_TERMS_PAGE, "ネットワーク利用規約",
      {
          PageControl(IDD_TERMS_PAGE, IDC_TERMS_TEXT, ControlKind::Edit, "",
                      kReadOnlyScroll | WS_TABSTOP),
          PageControl(IDD_TERMS_PAGE, IDC_TERMS_STATUS, ControlKind::Edit, "", kReadOnlyLog),
      });
}

// 152: the user information page, in the order the fields are visited.
DialogTemplate UserPage() {
  constexpr DWORD kField = kEditBox | ES_AUTOHSCROLL;
  constexpr DWORD kNumberList = kShown | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL;
  return Page(IDD_USER_PAGE, "ユーザ情報の入力",
              {
                  PageControl(IDD_USER_PAGE, IDC_KANA, ControlKind::Edit, "", kField),
                  PageControl(IDD_USER_PAGE, IDC_KANA2, ControlKind::Edit, "", kField),
                  PageControl(IDD_USER_PAGE, IDC_SEX, ControlKind::ComboDropList, "",
                              kShown | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, {"男", "女"}),
                  PageControl(IDD_USER_PAGE, IDC_NAME, ControlKind::Edit, "", kField),
                  PageControl(IDD_USER_PAGE, IDC_NAME2, ControlKind::Edit, "", kField),
                  PageControl(IDD_USER_PAGE, IDC_AGE, ControlKind::Edit, "", kField),
                  PageControl(IDD_USER_PAGE, IDC_AGE2, ControlKind::ComboDropDown, "", kNumberList,
                              Numbers(1, 12)),
                  PageControl(IDD_USER_PAGE, IDC_AGE3, ControlKind::ComboDropDown, "", kNumberList,
                              Numbers(1, 31)),
                  PageControl(IDD_USER_PAGE, IDC_ZIP, ControlKind::Edit, "", kField),
                  PageControl(IDD_USER_PAGE, IDC_ZIP2, ControlKind::Edit, "", kField),
                  PageControl(IDD_USER_PAGE, IDC_ADDRESS1, ControlKind::Edit, "", kField),
                  PageControl(IDD_USER_PAGE, IDC_ADDRESS2, ControlKind::Edit, "", kField),
                  PageControl(IDD_USER_PAGE, IDC_TEL, ControlKind::Edit, "", kField),
                  PageControl(IDD_USER_PAGE, IDC_TEL2, ControlKind::Edit, "", kField),
                  PageControl(IDD_USER_PAGE, IDC_TEL3, ControlKind::Edit, "", kField),
                  PageControl(IDD_USER_PAGE, IDC_MEKOID, ControlKind::Edit, "", kField),
                  PageControl(IDD_USER_PAGE, IDC_MEKOID2, ControlKind::Edit, "", kField),
                  PageControl(IDD_USER_PAGE, IDC_MEKOID3, ControlKind::Edit, "", kField),
                  PageControl(IDD_USER_PAGE, IDC_ENTRYCODE, ControlKind::Edit, "", kField),
                  PageControl(IDD_USER_PAGE, IDC_ENTRYCODE2, ControlKind::Edit, "", kField),
                  PageControl(IDD_USER_PAGE, IDC_USER_LOG, ControlKind::Edit, "", kReadOnlyLog),
              });
}

// 143: the signup confirmation page.
DialogTemplate ConfirmPage() {
  return Page(
      IDD_CONFIRM_PAGE, "サインアップ情報確認",
      {
          PageControl(IDD_CONFIRM_PAGE, IDC_CONFIRM_SUMMARY, ControlKind::Edit, "",
                      kReadOnlyScroll | WS_TABSTOP),
          PageControl(IDD_CONFIRM_PAGE, IDC_CONFIRM_LOG, ControlKind::Edit, "", kReadOnlyLog),
      });
}

// 153: the communication-ID page.
DialogTemplate CommunicationIdPage() {
  constexpr DWORD kField = kEditBox | ES_AUTOHSCROLL;
  return Page(
      IDD_COMM_ID_PAGE, "コミュニケーションIDの入力",
      {
          PageControl(IDD_COMM_ID_PAGE, IDC_LOGIN_ID, ControlKind::Edit, "", kField),
          PageControl(IDD_COMM_ID_PAGE, IDC_LOGIN_PASSWORD, ControlKind::Edit, "",
                      kField | ES_PASSWORD),
          PageControl(IDD_COMM_ID_PAGE, IDC_COMM_NAME, ControlKind::Edit, "", kField),
          PageControl(IDD_COMM_ID_PAGE, IDC_COMM_ID_LOG, ControlKind::Edit, "", kReadOnlyLog),
      });
}

// 145: the communication information page.
DialogTemplate CommunicationInfoPage() {
  return Page(
      IDD_COMM_INFO_PAGE, "コミュニケーション情報の確認",
      {
          PageControl(IDD_COMM_INFO_PAGE, IDC_COMM_SUMMARY, ControlKind::Edit, "",
                      kReadOnlyScroll | WS_TABSTOP),
          PageControl(IDD_COMM_INFO_PAGE, IDC_COMM_INFO_LOG, ControlKind::Edit, "", kReadOnlyLog),
      });
}

// 154: the completion page.
DialogTemplate CompletionPage() {
  return Page(IDD_COMPLETION_PAGE, "サインアップの完了",
              {
                  PageControl(IDD_COMPLETION_PAGE, IDC_NETWORK_SUMMARY, ControlKind::Edit, "",
                              kReadOnlyScroll | WS_TABSTOP),
                  PageControl(IDD_COMPLETION_PAGE, IDC_COMPLETION_MESSAGE, ControlKind::Edit, "",
                              kReadOnlyScroll),
              });
}

const std::vector<DialogTemplate>& Templates() {
  static const std::vector<DialogTemplate> templates = [] {
    std::vector<DialogTemplate> all = {
        Progress(),   ConfirmPage(), CommunicationInfoPage(), StartPage(),      MailAccount(),
        TermsPage(),  UserPage(),    CommunicationIdPage(),   CompletionPage(), DialupDetails(),
        LanDetails(),
    };
    std::sort(all.begin(), all.end(),
              [](const DialogTemplate& a, const DialogTemplate& b) { return a.id < b.id; });
    return all;
  }();
  return templates;
}

}  // namespace

const DialogTemplate* FindDialog(int id) {
  for (const DialogTemplate& t : Templates()) {
    if (t.id == id) return &t;
  }
  return nullptr;
}

std::vector<int> DialogIds() {
  std::vector<int> ids;
  for (const DialogTemplate& t : Templates()) ids.push_back(t.id);
  return ids;
}

}  // namespace res
