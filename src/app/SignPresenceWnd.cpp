// The presence window of a running signup.
#include "app/SignPresenceWnd.h"

#include "ui/framework.h"

bool CSignPresenceWnd::Create() {
  static const char kClass[] = "Orvel_Signup_App";
  if (!ui::RegisterWindowClass(kClass)) return false;
  handle_ = ui::CreatePresenceWindow(kClass);
  return handle_ != nullptr;
}
