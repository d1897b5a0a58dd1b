// The user's registration entries: the look-up by form key and the sex as shown.
#include "settings/UserFields.h"

#include "res/resources.h"

const UserField* FindUserFieldByFormKey(std::string_view formKey) {
  for (const UserField& field : kUserFields)
    if (field.formKey != nullptr && formKey == field.formKey) return &field;
  return nullptr;
}

std::string ShownSex(const std::string& stored) {
  return res::String(stored == "male" ? IDS_SEX_MALE : IDS_SEX_FEMALE);
}

std::string StoredSex(const std::string& shown) {
  return shown == res::String(IDS_SEX_MALE) ? "male" : "fema";
}
