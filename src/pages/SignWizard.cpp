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
  page3.Kana = app->Kana;
  page3.Kana2 = app->Kana2;
  page3.Name = app->Name;
  page3.Name2 = app->Name2;
  page3.Age = app->Age;
  page3.Age2 = app->Age2;
  page3.Age3 = app->Age3;
  page3.Address1 = app->Address1;
  page3.Address2 = app->Address2;
  page3.Tel = app->Tel;
  page3.Tel2 = app->Tel2;
  page3.Tel3 = app->Tel3;
  page3.Zip = app->Zip;
  page3.Zip2 = app->Zip2;
  page3.MekoID = app->MekoID;
  page3.MekoID2 = app->MekoID2;
  page3.MekoID3 = app->MekoID3;
  page3.EntryCode = app->EntryCode;
  page3.EntryCode2 = app->EntryCode2;
  page3.Sex = res::String(app->Sex == "male" ? IDS_SEX_MALE : IDS_SEX_FEMALE);
  page5.Comm_name = app->Comm_name;
  page5.LoginID = app->LoginID;
  page5.LoginPasswd = app->LoginPasswd;
}
