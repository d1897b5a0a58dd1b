// What the pages folder offers: the seven wizard pages and the wizard that holds them, in wizard
// order (page indexes 0 to 6).
#pragma once

#include <memory>

#include "app/SignStart.h"
#include "pages/SignStep1Top.h"    // 0: what to do (new signup, existing account, recovery), how
                                   //    to connect (modem or LAN)
#include "pages/SignStep2Agree.h"  // 1: the network terms of use, agreed to or not
#include "pages/SignStep3User.h"   // 2: the user's personal data and wished account names
#include "pages/SignStep4User.h"   // 3: the entries confirmed, then the signup sent
#include "pages/SignStep5Rest.h"   // 4: login ID, password and the communication name
#include "pages/SignStep6Rest.h"   // 5: those confirmed, then verification and communication ID
#include "pages/SignStep7End.h"    // 6: the network information to note down; Finish

// The wizard sheet with its seven pages as members.
class CSignWizard : public CSignStart {
 public:
  // With addPages the pages are added at once; the application adds them later itself.
  CSignWizard(bool addPages, ui::Window* parent);

  // The application object's wizard factory: a wizard without parent whose pages are added later.
  static std::unique_ptr<CSignStart> Create();

  void CopyUserInfoToPages() override;

  CSignStep1Top page1;
  CSignStep2Agree page2;
  CSignStep3User page3;
  CSignStep4User page4;
  CSignStep5Rest page5;
  CSignStep6Rest page6;
  CSignStep7End page7;

 protected:
  std::array<ui::PropertyPage*, kPageCount> WizardPages() override;
};
