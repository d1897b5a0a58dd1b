// The wizard sheet with its seven pages, and the copy of the stored user information into them.
#include "app/SignApp.h"
#include "pages/SignPages.h"

CSignWizard::CSignWizard(bool addPages, ui::Window* parent) : CSignStart(parent) {
  if (addPages) {
    for (ui::PropertyPage* page : WizardPages()) AddPage(page);
    SetWizardMode();
  }
}

std::unique_ptr<CSignStart> CSignWizard::Create() {
  return std::make_unique<CSignWizard>(false, nullptr);
}

std::array<ui::PropertyPage*, CSignStart::kPageCount> CSignWizard::WizardPages() {
  return {&page1, &page2, &page3, &page4, &page5, &page6, &page7};
}

void CSignWizard::CopyUserInfoToPages() {
  CSignApp* app = CSignApp::Get();
  if (app == nullptr) return;
  page3.entries = *app;
  page3.entries.Sex = ShownSex(app->Sex);
  page5.Comm_name = app->Comm_name;
  page5.LoginID = app->LoginID;
  page5.LoginPasswd = app->LoginPasswd;
}
