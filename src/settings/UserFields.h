// The user's registration entries and the one table that says, for each, where it is stored, how
// the user information page takes it, and where the signup form and the summary put it.
#pragma once

#include <string>
#include <string_view>

#include "res/resource_ids.h"

// The entries as the settings record holds them (CSignSettings derives from this) and as the user
// information page holds its fields (there Sex is the word the list shows).
struct UserInfo {
  std::string Kana, Kana2, Name, Name2, Age, Age2, Age3, Sex, Address1, Address2, Tel, Tel2, Tel3,
      Zip, Zip2, MekoID, MekoID2, MekoID3, EntryCode, EntryCode2;
  bool operator==(const UserInfo&) const = default;
};

// How the user information page's field takes its text.
enum class UserFieldKind {
  Japanese,  // the input method opens when the field gets the focus
  Digits,    // direct keys only
  Date,      // direct keys only; a stored empty value loads as the default, Next corrects it
  Direct,    // direct keys only: account names and the entry code
  Choice,    // the sex list: the record's "male" or "fema", shown as IDS_SEX_MALE / IDS_SEX_FEMALE
};

// What the field has to do with the page's Next button.
enum class UserFieldNext { Ignores, Updates, Requires };

// One entry of the table.
struct UserField {
  const char* key;  // the registry value in the Signup profile
  std::string UserInfo::*member;
  const char* fallback;  // loaded when the value is missing (a date's also when it is empty)
  int limit;             // byte limit of the page's field (none on the list)
  int control;           // the page's control
  UserFieldKind kind;
  UserFieldNext next;
  const char* formKey;  // its key in the signup form; null: it goes into the address field
  int summarySlot;      // which "%s" of the summary (IDS_USER_SUMMARY) shows it; entries that
                        // share one are joined by "-"
};

// In the order of the stored values. The signup form takes its order from its own format
// (IDS_SIGNUP_FORM, keys looked up here), the summary from the slots.
inline constexpr UserField kUserFields[] = {
    {"Kana", &UserInfo::Kana, "", 16, IDC_KANA, UserFieldKind::Japanese, UserFieldNext::Requires,
     "kana_lastname", 0},
    {"Kana2", &UserInfo::Kana2, "", 16, IDC_KANA2, UserFieldKind::Japanese, UserFieldNext::Requires,
     "kana_firstname", 1},
    {"Name", &UserInfo::Name, "", 16, IDC_NAME, UserFieldKind::Japanese, UserFieldNext::Requires,
     "lastname", 2},
    {"Name2", &UserInfo::Name2, "", 16, IDC_NAME2, UserFieldKind::Japanese, UserFieldNext::Requires,
     "firtname", 3},
    {"Age", &UserInfo::Age, "2000", 4, IDC_AGE, UserFieldKind::Date, UserFieldNext::Updates, "year",
     4},
    {"Age2", &UserInfo::Age2, "1", 2, IDC_AGE2, UserFieldKind::Date, UserFieldNext::Ignores,
     "month", 5},
    {"Age3", &UserInfo::Age3, "1", 2, IDC_AGE3, UserFieldKind::Date, UserFieldNext::Ignores, "day",
     6},
    {"Sex", &UserInfo::Sex, "male", 0, IDC_SEX, UserFieldKind::Choice, UserFieldNext::Ignores,
     "sex", 7},
    {"Address1", &UserInfo::Address1, "", 50, IDC_ADDRESS1, UserFieldKind::Japanese,
     UserFieldNext::Requires, nullptr, 10},
    {"Address2", &UserInfo::Address2, "", 42, IDC_ADDRESS2, UserFieldKind::Japanese,
     UserFieldNext::Ignores, nullptr, 11},
    {"Tel", &UserInfo::Tel, "", 6, IDC_TEL, UserFieldKind::Digits, UserFieldNext::Requires, "T1",
     12},
    {"Tel2", &UserInfo::Tel2, "", 5, IDC_TEL2, UserFieldKind::Digits, UserFieldNext::Requires, "T2",
     13},
    {"Tel3", &UserInfo::Tel3, "", 5, IDC_TEL3, UserFieldKind::Digits, UserFieldNext::Requires, "T3",
     14},
    {"Zip", &UserInfo::Zip, "", 3, IDC_ZIP, UserFieldKind::Digits, UserFieldNext::Requires,
     "zipcode1", 8},
    {"Zip2", &UserInfo::Zip2, "", 4, IDC_ZIP2, UserFieldKind::Digits, UserFieldNext::Requires,
     "zipcode2", 9},
    {"MekoID", &UserInfo::MekoID, "", 8, IDC_MEKOID, UserFieldKind::Direct, UserFieldNext::Requires,
     "1st_acc", 15},
    {"MekoID2", &UserInfo::MekoID2, "", 8, IDC_MEKOID2, UserFieldKind::Direct,
     UserFieldNext::Requires, "2nd_acc", 16},
    {"MekoID3", &UserInfo::MekoID3, "", 8, IDC_MEKOID3, UserFieldKind::Direct,
     UserFieldNext::Requires, "3rd_acc", 17},
    {"EntryCode", &UserInfo::EntryCode, "", 2, IDC_ENTRYCODE, UserFieldKind::Direct,
     UserFieldNext::Ignores, nullptr, 18},
    {"EntryCode2", &UserInfo::EntryCode2, "", 3, IDC_ENTRYCODE2, UserFieldKind::Direct,
     UserFieldNext::Ignores, nullptr, 18},
};

// The number of "%s" in the summary.
inline constexpr int kUserSummarySlots = 19;

// The entry whose signup form key is `formKey`; null when none is.
const UserField* FindUserFieldByFormKey(std::string_view formKey);

// The sex as the list and the summary show it: IDS_SEX_MALE for "male", IDS_SEX_FEMALE for any
// other value; and back: "male" for IDS_SEX_MALE, "fema" for anything else (nothing selected too).
std::string ShownSex(const std::string& stored);
std::string StoredSex(const std::string& shown);
