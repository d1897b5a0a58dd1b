// The wizard sheet with seven pages that have the real pages' templates and pictures but none of
// their behaviour, for tests of the sheet itself: Next and Back just move between them.
#pragma once

#include <array>

#include "app/SignStart.h"
#include "pages/SignPage.h"

namespace test {

class ShellWizard : public CSignStart {
 public:
  ShellWizard() : CSignStart(nullptr) {}
  void CopyUserInfoToPages() override {}

  std::array<CSignPage, kPageCount> pages{{
      {IDD_START_PAGE, IDB_START},
      {IDD_TERMS_PAGE, IDB_TERMS},
      {IDD_USER_PAGE, IDB_USER},
      {IDD_CONFIRM_PAGE, IDB_CONFIRM},
      {IDD_COMM_ID_PAGE, IDB_COMM_ID},
      {IDD_COMM_INFO_PAGE, IDB_COMM_INFO},
      {IDD_COMPLETION_PAGE, IDB_COMPLETION},
  }};

 protected:
  std::array<ui::PropertyPage*, kPageCount> WizardPages() override {
    std::array<ui::PropertyPage*, kPageCount> out{};
    for (size_t i = 0; i < pages.size(); ++i) out[i] = &pages[i];
    return out;
  }
};

}  // namespace test
