// The terms page: downloads the network terms of use from the signup server, shows them and asks
// the user to agree; disagreeing ends the wizard.
#pragma once

#include <string>

#include "pages/SignPage.h"

class CSignStep2Agree : public CSignPage {
 public:
  static constexpr UINT kDownloadTimer = 51;
  static constexpr UINT kDownloadDelayMs = 200;

  CSignStep2Agree();

  // Downloads the terms, asking whether to try again after each failure, then hangs up a
  // dial-up connection; true when the terms are loaded (at once when they were already).
  bool DownloadWithRetry();
  // One download into the terms box; true when the whole document arrived.
  bool DownloadOnce();

  // Kept for the run (the page is made once per run): once loaded, the terms are not downloaded
  // again.
  bool termsLoaded = false;
  std::string termsText;
  int chunkCount = 0;
  ui::Control* termsBox = nullptr;

 protected:
  bool OnInitDialog() override;
  bool OnSetActive() override;
  LRESULT OnWizardBack() override;
  LRESULT OnWizardNext() override;
  void OnTimer(UINT id) override;
  // The sheet's Cancel during a download stops it after the chunk being shown.
  void OnCancel() override;
  bool OnCommand(UINT code, int id) override;
  void OnTermsFocus();

 private:
  static const ui::MessageEntry<CSignStep2Agree> kMessageMap[1];
  // Receives the document piece by piece (DownloadCallback); runs on the user-interface thread.
  void OnChunk(int status, std::string text);
  // The previous chunk ended with a CR whose LF may open the next one.
  bool pendingCr_ = false;
  void ShowStatus(const std::string& text);
};
