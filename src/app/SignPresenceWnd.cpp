// The presence window of a running signup.
#include "app/SignPresenceWnd.h"

#include "ui/framework.h"

namespace {
constexpr char kClass[] = "Orvel_Signup_App";
}  // namespace

bool CSignPresenceWnd::Create() {
  if (!ui::RegisterWindowClass(kClass)) return false;
  handle_ = ui::CreatePresenceWindow(kClass);
  return handle_ != nullptr;
}

void CSignPresenceWnd::BringRunningCopyForward() { ui::BringPresenceOwnerForward(kClass); }
