// Tests of the dialog templates: every template and control the program addresses exists with
// the right kind and style, and the dialogs shown as they are keep their controls inside and apart.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "res/resources.h"
#include "res/styles.h"

namespace {

using res::ControlKind;

const res::ControlTemplate* FindControl(const res::DialogTemplate& t, int id) {
  for (const auto& c : t.controls) {
    if (c.id == id) return &c;
  }
  return nullptr;
}

struct Expected {
  int id;
  ControlKind kind;
};

// Every control id the program addresses, by template.
const std::map<int, std::vector<Expected>>& ExpectedControls() {
  static const std::map<int, std::vector<Expected>> expected = {
      {142,
       {{1035, ControlKind::Edit},
        {1038, ControlKind::DefPushButton},
        {2, ControlKind::PushButton},
        {1037, ControlKind::PushButton}}},
      {143, {{1083, ControlKind::Edit}, {1082, ControlKind::Edit}}},
      {145, {{1092, ControlKind::Edit}, {1093, ControlKind::Edit}}},
      {146,
       {{1086, ControlKind::RadioButton},
        {1087, ControlKind::RadioButton},
        {1088, ControlKind::RadioButton},
        {1089, ControlKind::ComboDropList},
        {1090, ControlKind::CheckBox},
        {1091, ControlKind::CheckBox},
        {1100, ControlKind::PushButton}}},
      {147,
       {{1101, ControlKind::Edit},
        {1097, ControlKind::Edit},
        {1, ControlKind::DefPushButton},
        {2, ControlKind::PushButton}}},
      {151, {{1059, ControlKind::Edit}, {1060, ControlKind::Edit}}},
      {152, {{1040, ControlKind::Edit},          {1041, ControlKind::Edit},
             {1042, ControlKind::ComboDropList}, {1043, ControlKind::Edit},
             {1044, ControlKind::Edit},          {1045, ControlKind::Edit},
             {1046, ControlKind::ComboDropDown}, {1047, ControlKind::ComboDropDown},
             {1048, ControlKind::Edit},          {1049, ControlKind::Edit},
             {1050, ControlKind::Edit},          {1051, ControlKind::Edit},
             {1052, ControlKind::Edit},          {1053, ControlKind::Edit},
             {1054, ControlKind::Edit},          {1055, ControlKind::Edit},
             {1056, ControlKind::Edit},          {1057, ControlKind::Edit},
             {1058, ControlKind::Edit},          {1099, ControlKind::Edit},
             {1100, ControlKind::Edit}}},
      {153,
       {{1072, ControlKind::Edit},
        {1073, ControlKind::Edit},
        {1062, ControlKind::Edit},
        {1061, ControlKind::Edit}}},
      {154, {{1063, ControlKind::Edit}, {1064, ControlKind::Edit}}},
      {157,
       {{1102, ControlKind::ComboDropList},
        {1103, ControlKind::CheckBox},
        {1104, ControlKind::CheckBox},
        {1108, ControlKind::ComboDropDown},
        {1105, ControlKind::ComboDropList},
        {1109, ControlKind::Edit},
        {1, ControlKind::DefPushButton},
        {2, ControlKind::PushButton}}},
      {159,
       {{1073, ControlKind::CheckBox},
        {1131, ControlKind::CheckBox},
        {1113, ControlKind::CheckBox},
        {1116, ControlKind::Static},
        {1114, ControlKind::Edit},
        {1117, ControlKind::Static},
        {1115, ControlKind::Edit},
        {1324, ControlKind::Static},
        {1325, ControlKind::Edit},
        {1326, ControlKind::Static},
        {1327, ControlKind::Edit},
        {1124, ControlKind::CheckBox},
        {1, ControlKind::DefPushButton},
        {2, ControlKind::PushButton}}},
  };
  return expected;
}

bool Has(DWORD style, DWORD bits) { return (style & bits) == bits; }

TEST(DialogTemplates, EveryTemplateExistsAndNoOtherIsListed) {
  std::vector<int> ids = res::DialogIds();
  EXPECT_EQ(ids, (std::vector<int>{142, 143, 145, 146, 147, 151, 152, 153, 154, 157, 159}));
  EXPECT_EQ(res::FindDialog(150), nullptr) << "150 is a bitmap, not a dialog";
  for (int id : ids) {
    const res::DialogTemplate* t = res::FindDialog(id);
    ASSERT_NE(t, nullptr) << id;
    EXPECT_EQ(t->id, id);
    EXPECT_STREQ(t->font, "ＭＳ Ｐゴシック") << id;
    EXPECT_EQ(t->pointSize, 9) << id;
    EXPECT_GT(t->cx, 0) << id;
    EXPECT_GT(t->cy, 0) << id;
  }
}

TEST(DialogTemplates, EveryAddressedControlExistsWithItsKind) {
  for (const auto& [dialog, controls] : ExpectedControls()) {
    const res::DialogTemplate* t = res::FindDialog(dialog);
    ASSERT_NE(t, nullptr) << dialog;
    for (const Expected& e : controls) {
      const res::ControlTemplate* c = FindControl(*t, e.id);
      ASSERT_NE(c, nullptr) << "template " << dialog << " lacks control " << e.id;
      EXPECT_EQ(c->kind, e.kind) << "template " << dialog << " control " << e.id;
      EXPECT_TRUE(Has(c->style, res::WS_CHILD)) << dialog << "/" << e.id << " is a child";
    }
  }
}

TEST(DialogTemplates, ControlIdsAreUniqueExceptLabels) {
  for (int id : res::DialogIds()) {
    std::set<int> seen;
    for (const auto& c : res::FindDialog(id)->controls) {
      if (c.id == res::IDC_STATIC) continue;
      EXPECT_TRUE(seen.insert(c.id).second) << "template " << id << " repeats id " << c.id;
    }
  }
}

// The box of a control as it is seen closed: a combo box's cy counts its dropped list.
struct Box {
  int left, top, right, bottom;
};
Box ClosedBox(const res::ControlTemplate& c) {
  bool combo = c.kind == ControlKind::ComboDropDown || c.kind == ControlKind::ComboDropList;
  return {c.x, c.y, c.x + c.cx, c.y + (combo ? 12 : c.cy)};
}
bool Inside(const Box& inner, const Box& outer) {
  return inner.left >= outer.left && inner.right <= outer.right && inner.top >= outer.top &&
         inner.bottom <= outer.bottom;
}

TEST(DialogTemplates, ControlsLieInsideTheirDialog) {
  for (int id : res::DialogIds()) {
    const res::DialogTemplate* t = res::FindDialog(id);
    for (const auto& c : t->controls) {
      EXPECT_GE(c.x, 0) << id << "/" << c.id;
      EXPECT_GE(c.y, 0) << id << "/" << c.id;
      EXPECT_GT(c.cx, 0) << id << "/" << c.id;
      EXPECT_GT(c.cy, 0) << id << "/" << c.id;
      // A page's drop-down list may open past the page; the closed field may not.
      Box box = ClosedBox(c);
      EXPECT_LE(box.right, t->cx) << "template " << id << " control " << c.id << " too wide";
      EXPECT_LE(box.bottom, t->cy) << "template " << id << " control " << c.id << " too low";
      bool shown = id == 142 || id == 147 || id == 157 || id == 159;
      if (shown) {
        EXPECT_LE(c.y + c.cy, t->cy) << "list of " << id << "/" << c.id << " too long";
      }
    }
  }
}

TEST(DialogTemplates, ShownDialogsKeepTheirControlsApart) {
  for (int id : {142, 147, 157, 159}) {
    const res::DialogTemplate* t = res::FindDialog(id);
    const auto& cs = t->controls;
    for (size_t i = 0; i < cs.size(); ++i) {
      for (size_t j = i + 1; j < cs.size(); ++j) {
        if (cs[i].kind == ControlKind::GroupBox || cs[j].kind == ControlKind::GroupBox) continue;
        Box a = ClosedBox(cs[i]), b = ClosedBox(cs[j]);
        bool overlap = a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
        EXPECT_FALSE(overlap) << "template " << id << ": controls " << cs[i].id << " and "
                              << cs[j].id << " overlap";
      }
    }
  }
}

TEST(DialogTemplates, GroupBoxesHoldTheInputControls) {
  for (int id : {157, 159}) {
    const res::DialogTemplate* t = res::FindDialog(id);
    const res::ControlTemplate* group = nullptr;
    for (const auto& c : t->controls) {
      if (c.kind == ControlKind::GroupBox) group = &c;
    }
    ASSERT_NE(group, nullptr) << id;
    for (const auto& c : t->controls) {
      if (c.kind == ControlKind::GroupBox || c.id == 1 || c.id == 2) continue;
      EXPECT_TRUE(Inside(ClosedBox(c), ClosedBox(*group)))
          << "template " << id << ": control " << c.id << " outside the group box";
    }
  }
  const res::DialogTemplate* mail = res::FindDialog(IDD_MAIL_ACCOUNT);
  const res::ControlTemplate* group = nullptr;
  for (const auto& c : mail->controls) {
    if (c.kind == ControlKind::GroupBox) group = &c;
  }
  ASSERT_NE(group, nullptr);
  EXPECT_STREQ(group->text, "ﾒｰﾙｱｶｳﾝﾄ情報:");
  EXPECT_TRUE(Inside(ClosedBox(*FindControl(*mail, IDC_MAIL_ACCOUNT)), ClosedBox(*group)));
}

TEST(DialogTemplates, ShownDialogsFitTheirStatedSizes) {
  struct Size {
    int id, cx, cy;
  };
  for (Size s :
       {Size{142, 199, 48}, Size{147, 220, 158}, Size{157, 195, 120}, Size{159, 179, 119}}) {
    const res::DialogTemplate* t = res::FindDialog(s.id);
    EXPECT_EQ(t->cx, s.cx) << s.id;
    EXPECT_EQ(t->cy, s.cy) << s.id;
    EXPECT_TRUE(Has(t->style, res::DS_MODALFRAME | res::WS_POPUP | res::WS_CAPTION)) << s.id;
  }
  EXPECT_TRUE(Has(res::FindDialog(IDD_PROGRESS)->style, res::DS_SETFOREGROUND | res::WS_SYSMENU));
  EXPECT_STREQ(res::FindDialog(IDD_PROGRESS)->caption, "ｻｰﾊﾞｰに接続中(ﾌﾘｰﾀﾞｲﾔﾙ)...");
  EXPECT_STREQ(res::FindDialog(IDD_MAIL_ACCOUNT)->caption, "ﾒｰﾙｱｶｳﾝﾄ確認");
  EXPECT_STREQ(res::FindDialog(IDD_DIALUP_DETAILS)->caption, "ﾀﾞｲﾔﾙｱｯﾌﾟ詳細");
  EXPECT_STREQ(res::FindDialog(IDD_LAN_DETAILS)->caption, "LAN接続詳細");
}

TEST(DialogTemplates, PageTemplatesHoldThePagePictureArea) {
  // The page area is 448 x 310 pixels at 1.5 and 1.625 pixels per unit.
  for (int id : {143, 145, 146, 151, 152, 153, 154}) {
    const res::DialogTemplate* t = res::FindDialog(id);
    EXPECT_TRUE(Has(t->style, res::WS_CHILD | res::WS_CAPTION)) << id;
    EXPECT_NEAR(t->cx * 1.5, 448, 2) << id;
    EXPECT_NEAR(t->cy * 1.625, 310, 2) << id;
  }
  EXPECT_STREQ(res::FindDialog(IDD_START_PAGE)->caption, "ORVELサインアップ");
  EXPECT_STREQ(res::FindDialog(IDD_COMPLETION_PAGE)->caption, "サインアップの完了");
}

TEST(DialogTemplates, ProgressDialogButtonsAreAsTheDialDescribes) {
  const res::DialogTemplate* t = res::FindDialog(IDD_PROGRESS);
  const res::ControlTemplate* status = FindControl(*t, IDC_DIAL_STATUS);
  EXPECT_TRUE(Has(status->style, res::ES_MULTILINE | res::ES_READONLY | res::ES_CENTER));
  const res::ControlTemplate* hangUp = FindControl(*t, IDC_DIAL_HANGUP);
  EXPECT_FALSE(hangUp->style & res::WS_VISIBLE) << "1037 is created hidden";
  EXPECT_TRUE(hangUp->style & res::WS_DISABLED) << "1037 is created disabled";
  EXPECT_STREQ(FindControl(*t, IDC_DIAL_REDIAL)->text, "ﾘﾀﾞｲﾔﾙ(&R)");
  EXPECT_EQ(FindControl(*t, IDC_DIAL_REDIAL)->style & res::kButtonTypeMask, res::BS_DEFPUSHBUTTON);
  EXPECT_TRUE(FindControl(*t, 2)->style & res::WS_VISIBLE);
}

TEST(DialogTemplates, EditStylesMatchTheirUse) {
  auto style = [](int dialog, int id) { return FindControl(*res::FindDialog(dialog), id)->style; };
  const DWORD scrolledLog = res::ES_MULTILINE | res::ES_READONLY | res::WS_VSCROLL;
  for (auto [dialog, id] :
       {std::pair{151, 1059}, {143, 1083}, {145, 1092}, {154, 1063}, {154, 1064}}) {
    EXPECT_TRUE(Has(style(dialog, id), scrolledLog)) << dialog << "/" << id;
  }
  for (auto [dialog, id] :
       {std::pair{151, 1060}, {143, 1082}, {145, 1093}, {153, 1061}, {152, 1058}, {147, 1097}}) {
    EXPECT_TRUE(Has(style(dialog, id), res::ES_MULTILINE | res::ES_READONLY))
        << dialog << "/" << id;
  }
  EXPECT_FALSE(style(IDD_TERMS_PAGE, IDC_TERMS_STATUS) & res::WS_VSCROLL)
      << "the question box has no scroll bar";
  EXPECT_TRUE(Has(style(IDD_MAIL_ACCOUNT, IDC_MAIL_NOTICE),
                  res::ES_MULTILINE | res::ES_READONLY | res::ES_CENTER));
  EXPECT_TRUE(style(IDD_COMM_ID_PAGE, IDC_LOGIN_PASSWORD) & res::ES_PASSWORD)
      << "login password is masked";
  EXPECT_TRUE(style(IDD_LAN_DETAILS, IDC_LAN_PASSWORD) & res::ES_PASSWORD)
      << "proxy password is masked";
  EXPECT_TRUE(style(IDD_DIALUP_DETAILS, IDC_DETAILS_NUMBER) & res::ES_READONLY)
      << "the resulting number is display only";
  EXPECT_FALSE(style(IDD_MAIL_ACCOUNT, 2) & res::WS_VISIBLE) << "the mail dialog shows only OK";
}

TEST(DialogTemplates, ListsCarryTheirInitialItems) {
  auto items = [](int dialog, int id) { return FindControl(*res::FindDialog(dialog), id)->items; };
  auto text = [](const std::vector<const char*>& v) {
    std::string joined;
    for (const char* s : v) joined += std::string(s) + "|";
    return joined;
  };
  EXPECT_EQ(text(items(IDD_DIALUP_DETAILS, IDC_DETAILS_PREFIX)), "(なし)|0,|9,|8,|");
  EXPECT_EQ(text(items(IDD_USER_PAGE, IDC_SEX)), "男|女|");
  ASSERT_EQ(items(IDD_USER_PAGE, IDC_AGE2).size(), 12u);
  EXPECT_STREQ(items(IDD_USER_PAGE, IDC_AGE2).front(), "1");
  EXPECT_STREQ(items(IDD_USER_PAGE, IDC_AGE2).back(), "12");
  ASSERT_EQ(items(IDD_USER_PAGE, IDC_AGE3).size(), 31u);
  EXPECT_STREQ(items(IDD_USER_PAGE, IDC_AGE3).back(), "31");
  EXPECT_TRUE(items(IDD_START_PAGE, IDC_CONNECTION_LIST).empty())
      << "the connection list is filled at run time";
}

TEST(DialogTemplates, LanDialogLabelsAndCaptions) {
  const res::DialogTemplate* t = res::FindDialog(IDD_LAN_DETAILS);
  EXPECT_STREQ(FindControl(*t, IDC_LAN_ADDRESS_LABEL)->text, "ｱﾄﾞﾚｽ:");
  EXPECT_STREQ(FindControl(*t, IDC_LAN_PORT_LABEL)->text, "ﾎﾟｰﾄ:");
  EXPECT_STREQ(FindControl(*t, IDC_LAN_USER_LABEL)->text, "ﾕｰｻﾞｰ:");
  EXPECT_STREQ(FindControl(*t, IDC_LAN_PASSWORD_LABEL)->text, "ﾊﾟｽﾜｰﾄﾞ:");
  EXPECT_STREQ(FindControl(*t, IDC_LAN_UDP)->text, "&UDP");
  EXPECT_STREQ(FindControl(*t, IDC_LAN_UNKNOWN)->text, "接続方法が不明な場合(&P)");
  // Each label sits left of its edit on the same row.
  for (auto [label, edit] : {std::pair{1116, 1114}, {1117, 1115}, {1324, 1325}, {1326, 1327}}) {
    const auto* l = FindControl(*t, label);
    const auto* e = FindControl(*t, edit);
    EXPECT_LE(l->x + l->cx, e->x) << label;
    EXPECT_LT(l->y, e->y + e->cy) << label;
    EXPECT_GT(l->y + l->cy, e->y) << label;
  }
}

}  // namespace
