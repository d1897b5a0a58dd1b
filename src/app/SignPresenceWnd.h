// The hidden top-level window of class "Orvel_Signup_App" that marks a running signup.
#pragma once

class CSignPresenceWnd {
 public:
  // Registers the class and creates the never-shown window; false when either fails.
  bool Create();
  // A second start: the wizard of the copy whose presence window exists comes to the front.
  static void BringRunningCopyForward();
  void* GetHandle() const { return handle_; }

 private:
  void* handle_ = nullptr;
};
