// The page pictures' layout: control rectangles, the lettering of each picture and the accessible
// names taken from the same words.
#include "res/page_art.h"

#include <algorithm>

#include "platform/codepage.h"

namespace res {
namespace {

// ---- The words of the pictures ------------------------------------------------------------------
// Names and pictures share these, so a screen reader says what the picture shows.
namespace words {
// Start page.
constexpr const char* kWelcome = "ORVELサインアップへようこそ";
constexpr const char* kWelcomeNote = "ネットワークへの登録と、コミュニケーションIDの取得を行います";
constexpr const char* kChooseMode = "行う手続きを選んでください:";
constexpr const char* kModeNew = "新規にサインアップする";
constexpr const char* kModeExisting = "既存のアカウントでコミュニケーションIDを取得する";
constexpr const char* kModeRecovery = "接続情報を復旧（再設定）する";
constexpr const char* kModeRecoveryNote =
    "ログインIDとパスワードから、以前の接続情報を取り戻します";
constexpr const char* kConnection = "接続方法の選択:";
constexpr const char* kConnectionNote =
    "モデムを選ぶとダイヤルアップ、<LAN接続>ではLANで接続します";
constexpr const char* kDialMode = "ダイヤル方式:";
constexpr const char* kTone = "トーン";
constexpr const char* kPulse = "パルス";
constexpr const char* kDetailsNote = "「詳細」で接続の詳しい設定を変更できます";

// User information page.
constexpr const char* kReading = "フリガナ";
constexpr const char* kReadingFamily = "セイ";
constexpr const char* kReadingGiven = "メイ";
constexpr const char* kName = "名前";
constexpr const char* kFamily = "姓";
constexpr const char* kGiven = "名";
constexpr const char* kSex = "性別";
constexpr const char* kBirth = "生年月日（西暦）";
constexpr const char* kYear = "年";
constexpr const char* kMonth = "月";
constexpr const char* kDay = "日";
constexpr const char* kPostal = "郵便番号 〒";
constexpr const char* kHyphen = "-";
constexpr const char* kAddress = "住所（番地まで）";
constexpr const char* kBuilding = "建物名・部屋番号";
constexpr const char* kTelephone = "電話番号";
constexpr const char* kWished = "希望アカウント";
constexpr const char* kFirstChoice = "第一希望";
constexpr const char* kSecondChoice = "第二希望";
constexpr const char* kThirdChoice = "第三希望";
constexpr const char* kAccountRule = "英数字\n6～8文字";
constexpr const char* kEntryCode = "エントリーコード";
constexpr const char* kEntryCodeNote = "（お持ちの方のみ）";

// Communication-ID page.
constexpr const char* kCommIntro =
    "ORVELのログインIDとパスワード、チャットで使う名前を入力してください";
constexpr const char* kLoginPrompt = "ログインIDを入力してください（例: taro@example.com）";
constexpr const char* kLoginId = "ログインID:";
constexpr const char* kPasswordPrompt = "ログインパスワードを入力してください";
constexpr const char* kPassword = "パスワード:";
constexpr const char* kCommNamePrompt =
    "チャットで表示される名前（ニックネーム）を入力してください";
constexpr const char* kCommName = "コミュニケーション名:";
constexpr const char* kCommNameNote = "全角8文字・半角16文字まで";
}  // namespace words

using namespace words;

// ---- Where the controls go ----------------------------------------------------------------------

const std::vector<PageLayout>& Layouts() {
  static const std::vector<PageLayout> layouts = {
      {IDD_START_PAGE,
       IDB_START,
       1,
       {{IDC_MODE_NEW, 49, 98, 15, 15},
        {IDC_MODE_EXISTING, 49, 114, 15, 15},
        {IDC_MODE_RECOVERY, 49, 141, 15, 15},
        {IDC_CONNECTION_LIST, 66, 222, 282, 100},
        {IDC_TONE, 156, 247, 15, 15},
        {IDC_PULSE, 238, 247, 15, 15},
        {IDC_DETAILS, 350, 222, 40, 24}}},
      {IDD_TERMS_PAGE,
       IDB_TERMS,
       2,
       {{IDC_TERMS_TEXT, 14, 20, 422, 232}, {IDC_TERMS_STATUS, 14, 254, 422, 48}}},
      {IDD_USER_PAGE,
       IDB_USER,
       3,
       {{IDC_KANA, 83, 40, 70, 20},        {IDC_KANA2, 160, 40, 70, 20},
        {IDC_SEX, 277, 38, 45, 80},        {IDC_NAME, 83, 74, 70, 20},
        {IDC_NAME2, 160, 74, 70, 20},      {IDC_AGE, 278, 74, 45, 20},
        {IDC_AGE2, 332, 74, 45, 180},      {IDC_AGE3, 386, 74, 45, 180},
        {IDC_ZIP, 135, 99, 45, 20},        {IDC_ZIP2, 197, 99, 45, 20},
        {IDC_ADDRESS1, 134, 120, 297, 20}, {IDC_ADDRESS2, 134, 141, 297, 20},
        {IDC_TEL, 134, 162, 45, 20},       {IDC_TEL2, 197, 162, 45, 20},
        {IDC_TEL3, 263, 162, 45, 20},      {IDC_MEKOID, 134, 203, 70, 20},
        {IDC_MEKOID2, 220, 203, 70, 20},   {IDC_MEKOID3, 306, 203, 70, 20},
        {IDC_ENTRYCODE, 134, 228, 46, 20}, {IDC_ENTRYCODE2, 198, 228, 46, 20},
        {IDC_USER_LOG, 14, 254, 422, 48}}},
      {IDD_CONFIRM_PAGE,
       IDB_CONFIRM,
       4,
       {{IDC_CONFIRM_SUMMARY, 14, 20, 422, 232}, {IDC_CONFIRM_LOG, 14, 254, 422, 48}}},
      {IDD_COMM_ID_PAGE,
       IDB_COMM_ID,
       5,
       {{IDC_LOGIN_ID, 153, 70, 209, 22},
        {IDC_LOGIN_PASSWORD, 153, 129, 132, 22},
        {IDC_COMM_NAME, 153, 188, 132, 22},
        {IDC_COMM_ID_LOG, 14, 254, 422, 48}}},
      {IDD_COMM_INFO_PAGE,
       IDB_COMM_INFO,
       6,
       {{IDC_COMM_SUMMARY, 14, 20, 422, 232}, {IDC_COMM_INFO_LOG, 14, 254, 422, 48}}},
      {IDD_COMPLETION_PAGE,
       IDB_COMPLETION,
       7,
       {{IDC_NETWORK_SUMMARY, 15, 20, 422, 234}, {IDC_COMPLETION_MESSAGE, 15, 254, 422, 48}}},
  };
  return layouts;
}

// ---- What each picture says --------------------------------------------------------------------

const std::vector<PagePicture>& Pictures() {
  using A = Anchor;
  using T = TypeSize;
  static const std::vector<PagePicture> pictures = {
      {IDB_START,
       "ORVELサインアップ",
       {
           {kWelcome, A::At, 0, 0, 24, 28},
           {kWelcomeNote, A::At, 0, 0, 24, 46, T::Small},
           {kChooseMode, A::At, 0, 0, 24, 76},
           {kModeNew, A::RightOf, IDC_MODE_NEW},
           {kModeExisting, A::RightOf, IDC_MODE_EXISTING},
           {kModeRecovery, A::RightOf, IDC_MODE_RECOVERY},
           {kModeRecoveryNote, A::At, 0, 0, 68, 158, T::Small},
           {kConnection, A::Above, IDC_CONNECTION_LIST},
           {kConnectionNote, A::At, 0, 0, 66, 266, T::Small},
           {kDialMode, A::LeftOf, IDC_TONE},
           {kTone, A::RightOf, IDC_TONE},
           {kPulse, A::RightOf, IDC_PULSE},
           {kDetailsNote, A::At, 0, 0, 66, 282, T::Small},
       }},
      {IDB_TERMS, "ネットワーク利用規約", {}},
      {IDB_USER,
       "ユーザ情報の入力",
       {
           {kReadingFamily, A::AboveCentred, IDC_KANA, 0, 0, 0, T::Small},
           {kReadingGiven, A::AboveCentred, IDC_KANA2, 0, 0, 0, T::Small},
           {kReading, A::LeftOf, IDC_KANA},
           {kSex, A::LeftOf, IDC_SEX},
           {kFamily, A::AboveCentred, IDC_NAME, 0, 0, 0, T::Small},
           {kGiven, A::AboveCentred, IDC_NAME2, 0, 0, 0, T::Small},
           {kName, A::LeftOf, IDC_NAME},
           {kBirth, A::Above, IDC_AGE, 0, 0, 0, T::Small},
           {kYear, A::BelowCentred, IDC_AGE, 0, 0, 0, T::Small},
           {kMonth, A::BelowCentred, IDC_AGE2, 0, 0, 0, T::Small},
           {kDay, A::BelowCentred, IDC_AGE3, 0, 0, 0, T::Small},
           {kPostal, A::LeftOf, IDC_ZIP},
           {kHyphen, A::Between, IDC_ZIP, IDC_ZIP2},
           {kAddress, A::LeftOf, IDC_ADDRESS1},
           {kBuilding, A::LeftOf, IDC_ADDRESS2},
           {kTelephone, A::LeftOf, IDC_TEL},
           {kHyphen, A::Between, IDC_TEL, IDC_TEL2},
           {kHyphen, A::Between, IDC_TEL2, IDC_TEL3},
           {kFirstChoice, A::AboveCentred, IDC_MEKOID, 0, 0, 0, T::Small},
           {kSecondChoice, A::AboveCentred, IDC_MEKOID2, 0, 0, 0, T::Small},
           {kThirdChoice, A::AboveCentred, IDC_MEKOID3, 0, 0, 0, T::Small},
           {kWished, A::LeftOf, IDC_MEKOID},
           {kAccountRule, A::RightOf, IDC_MEKOID3, 0, 0, 0, T::Small},
           {kEntryCode, A::LeftOf, IDC_ENTRYCODE},
           {kHyphen, A::Between, IDC_ENTRYCODE, IDC_ENTRYCODE2},
           {kEntryCodeNote, A::RightOf, IDC_ENTRYCODE2, 0, 0, 0, T::Small},
       }},
      {IDB_CONFIRM, "登録情報の確認", {}},
      // The confirmation picture again, with the communication page's own heading and step.
      {IDB_COMM_INFO, "コミュニケーション情報の確認", {}},
      {IDB_COMM_ID,
       "コミュニケーションIDの入力",
       {
           {kCommIntro, A::At, 0, 0, 24, 26, T::Small},
           {kLoginPrompt, A::At, 0, 0, 40, 52},
           {kLoginId, A::LeftOf, IDC_LOGIN_ID},
           {kPasswordPrompt, A::At, 0, 0, 40, 111},
           {kPassword, A::LeftOf, IDC_LOGIN_PASSWORD},
           {kCommNamePrompt, A::At, 0, 0, 40, 170},
           {kCommName, A::LeftOf, IDC_COMM_NAME},
           {kCommNameNote, A::RightOf, IDC_COMM_NAME, 0, 0, 0, T::Small},
       }},
      {IDB_COMPLETION, "サインアップの完了", {}},
  };
  return pictures;
}

// ---- Accessible names ---------------------------------------------------------------------------

struct NameEntry {
  int templateId;
  int id;
  std::vector<const char*> name;  // words joined by a space, a closing ":" dropped
  const char* description = "";
};

const std::vector<NameEntry>& Names() {
  static const std::vector<NameEntry> names = {
      {IDD_START_PAGE, IDC_MODE_NEW, {kModeNew}, kChooseMode},
      {IDD_START_PAGE, IDC_MODE_EXISTING, {kModeExisting}, kChooseMode},
      {IDD_START_PAGE, IDC_MODE_RECOVERY, {kModeRecovery}, kModeRecoveryNote},
      {IDD_START_PAGE, IDC_CONNECTION_LIST, {kConnection}, kConnectionNote},
      {IDD_START_PAGE, IDC_TONE, {kDialMode, kTone}},
      {IDD_START_PAGE, IDC_PULSE, {kDialMode, kPulse}},
      {IDD_START_PAGE, IDC_DETAILS, {"詳細"}, kDetailsNote},

      {IDD_TERMS_PAGE, IDC_TERMS_TEXT, {"ネットワーク利用規約"}},
      {IDD_TERMS_PAGE, IDC_TERMS_STATUS, {"状況"}},

      {IDD_USER_PAGE, IDC_KANA, {kReading, kReadingFamily}},
      {IDD_USER_PAGE, IDC_KANA2, {kReading, kReadingGiven}},
      {IDD_USER_PAGE, IDC_SEX, {kSex}},
      {IDD_USER_PAGE, IDC_NAME, {kName, kFamily}},
      {IDD_USER_PAGE, IDC_NAME2, {kName, kGiven}},
      {IDD_USER_PAGE, IDC_AGE, {kBirth, kYear}},
      {IDD_USER_PAGE, IDC_AGE2, {kBirth, kMonth}},
      {IDD_USER_PAGE, IDC_AGE3, {kBirth, kDay}},
      {IDD_USER_PAGE, IDC_ZIP, {kPostal, "（上3桁）"}},
      {IDD_USER_PAGE, IDC_ZIP2, {kPostal, "（下4桁）"}},
      {IDD_USER_PAGE, IDC_ADDRESS1, {kAddress}},
      {IDD_USER_PAGE, IDC_ADDRESS2, {kBuilding}},
      {IDD_USER_PAGE, IDC_TEL, {kTelephone, "（市外局番）"}},
      {IDD_USER_PAGE, IDC_TEL2, {kTelephone, "（市内局番）"}},
      {IDD_USER_PAGE, IDC_TEL3, {kTelephone, "（番号）"}},
      {IDD_USER_PAGE, IDC_MEKOID, {kWished, kFirstChoice}, kAccountRule},
      {IDD_USER_PAGE, IDC_MEKOID2, {kWished, kSecondChoice}, kAccountRule},
      {IDD_USER_PAGE, IDC_MEKOID3, {kWished, kThirdChoice}, kAccountRule},
      {IDD_USER_PAGE, IDC_ENTRYCODE, {kEntryCode, "（前半）"}, kEntryCodeNote},
      {IDD_USER_PAGE, IDC_ENTRYCODE2, {kEntryCode, "（後半）"}, kEntryCodeNote},
      {IDD_USER_PAGE, IDC_USER_LOG, {"メッセージ"}},

      {IDD_CONFIRM_PAGE, IDC_CONFIRM_SUMMARY, {"入力した登録情報"}},
      {IDD_CONFIRM_PAGE, IDC_CONFIRM_LOG, {"メッセージ"}},

      {IDD_COMM_ID_PAGE, IDC_LOGIN_ID, {kLoginId}, kLoginPrompt},
      {IDD_COMM_ID_PAGE, IDC_LOGIN_PASSWORD, {kPassword}, kPasswordPrompt},
      {IDD_COMM_ID_PAGE, IDC_COMM_NAME, {kCommName}, kCommNamePrompt},
      {IDD_COMM_ID_PAGE, IDC_COMM_ID_LOG, {"メッセージ"}},

      {IDD_COMM_INFO_PAGE, IDC_COMM_SUMMARY, {"コミュニケーション情報"}},
      {IDD_COMM_INFO_PAGE, IDC_COMM_INFO_LOG, {"メッセージ"}},

      {IDD_COMPLETION_PAGE, IDC_NETWORK_SUMMARY, {"ネットワーク情報"}},
      {IDD_COMPLETION_PAGE, IDC_COMPLETION_MESSAGE, {"メッセージ"}},

      // Dialog controls with neither a text of their own nor a label before them.
      {IDD_PROGRESS, IDC_DIAL_STATUS, {"接続状況"}},
      {IDD_MAIL_ACCOUNT, IDC_MAIL_NOTICE, {"お知らせ"}},
  };
  return names;
}

// A word as a name: line breaks become spaces, a closing ":" goes.
std::string NameWord(const char* utf8) {
  std::string word = utf8;
  std::replace(word.begin(), word.end(), '\n', ' ');
  if (!word.empty() && word.back() == ':') word.pop_back();
  return word;
}

}  // namespace

const std::vector<PageLayout>& PageLayouts() { return Layouts(); }
const std::vector<PagePicture>& PagePictures() { return Pictures(); }

const PageLayout* FindPageLayout(int templateId) {
  for (const PageLayout& l : Layouts())
    if (l.templateId == templateId) return &l;
  return nullptr;
}

const PagePicture* FindPagePicture(int bitmap) {
  for (const PagePicture& p : Pictures())
    if (p.bitmap == bitmap) return &p;
  return nullptr;
}

std::vector<int> PictureSteps(int bitmap) {
  std::vector<int> steps;
  for (const PageLayout& l : Layouts())
    if (l.bitmap == bitmap) steps.push_back(l.step);
  return steps;
}

std::string PageTitle(int templateId) {
  const PageLayout* layout = FindPageLayout(templateId);
  const PagePicture* picture = layout != nullptr ? FindPagePicture(layout->bitmap) : nullptr;
  return picture != nullptr ? platform::Utf8ToAnsi(picture->heading) : std::string();
}

PixelRect ShownRect(const PageLayout& layout, const PixelRect& control) {
  PixelRect r = control;
  if (const DialogTemplate* t = FindDialog(layout.templateId)) {
    for (const ControlTemplate& c : t->controls) {
      const bool combo =
          c.kind == ControlKind::ComboDropDown || c.kind == ControlKind::ComboDropList;
      if (c.id == control.id && combo) r.h = std::min(r.h, kComboClosedHeight);
    }
  }
  return r;
}

ControlNames FindControlNames(int templateId, int controlId) {
  for (const NameEntry& e : Names()) {
    if (e.templateId != templateId || e.id != controlId) continue;
    std::string name;
    for (const char* w : e.name) {
      const std::string word = NameWord(w);
      if (!name.empty() && word.rfind("（", 0) != 0) name += ' ';
      name += word;
    }
    return {platform::Utf8ToAnsi(name), platform::Utf8ToAnsi(NameWord(e.description))};
  }
  return {};
}

std::vector<std::pair<int, int>> NamedControls() {
  std::vector<std::pair<int, int>> all;
  for (const NameEntry& e : Names()) all.emplace_back(e.templateId, e.id);
  return all;
}

}  // namespace res
