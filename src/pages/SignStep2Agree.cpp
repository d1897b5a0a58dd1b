// The terms page: the download with its retry question, the chunk callback that shows the text as
// it grows, the agree and disagree buttons, and a Cancel during the download.
#include "pages/SignStep2Agree.h"

#include "app/SignApp.h"
#include "app/SignStart.h"
#include "net/Transport.h"

namespace {

// Message pumping after each chunk, so that the growing text is seen.
constexpr DWORD kChunkPumpMs = 50;
// The terms are a few kilobytes: a server that sends far more is broken, and showing all of it
// (the box is refilled with the whole text after each chunk) would hold the page for hours.
constexpr unsigned long long kMaxTermsSize = 256 * 1024;
// The result the wizard ends with when the user disagrees.
constexpr int kDisagreeResult = 2;

}  // namespace

const ui::MessageEntry<CSignStep2Agree> CSignStep2Agree::kMessageMap[1] = {
    {ui::EN_SETFOCUS, IDC_TERMS_TEXT, &CSignStep2Agree::OnTermsFocus},
};

CSignStep2Agree::CSignStep2Agree() : CSignPage(IDD_TERMS_PAGE, IDB_TERMS) {}

bool CSignStep2Agree::OnInitDialog() {
  CSignPage::OnInitDialog();
  termsBox = GetDlgItem(IDC_TERMS_TEXT);
  PlaceControls();
  return true;
}

void CSignStep2Agree::ShowStatus(const std::string& text) {
  SetDlgItemText(IDC_TERMS_STATUS, text);
}

bool CSignStep2Agree::OnSetActive() {
  ui::WaitCursor wait;
  CSignStart* sheet = Sheet();
  sheet->EnableBackNext(false);
  if (termsLoaded) {
    ShowStatus(res::String(IDS_TERMS_QUESTION));
    sheet->SetAgreeButtons();
  } else {
    if (termsBox != nullptr) termsBox->SetWindowText("");
    ShowStatus(res::String(IDS_TERMS_DOWNLOADING));
    // The download starts once the page has been painted.
    SetTimer(kDownloadTimer, kDownloadDelayMs);
  }
  return CSignPage::OnSetActive();
}

void CSignStep2Agree::OnTimer(UINT id) {
  KillTimer(kDownloadTimer);
  const bool loaded = DownloadWithRetry();
  // A Cancel during the download has ended the wizard: nothing of the page is touched any more.
  if (App()->DownloadCancelled()) return;
  CSignStart* sheet = Sheet();
  if (loaded) {
    ShowStatus(res::String(IDS_TERMS_QUESTION));
    sheet->SetAgreeButtons();
  } else {
    sheet->SetStandardButtons();
    sheet->DisableButton(ui::ID_WIZNEXT);
    sheet->EnableButton(ui::ID_WIZBACK, true);
  }
}

void CSignStep2Agree::OnCancel() {
  // Only a download in progress listens; otherwise the flag is reset by the next one.
  App()->CancelDownload();
  CSignPage::OnCancel();
}

bool CSignStep2Agree::DownloadWithRetry() {
  ui::WaitCursor wait;
  if (termsLoaded) return true;
  CSignApp* app = App();
  bool loaded = false;
  for (;;) {
    loaded = DownloadOnce();
    if (loaded || app->DownloadCancelled()) break;
    if (ui::MessageBox(IDS_TERMS_RETRY, ui::MB_YESNO) != ui::IDYES) break;
  }
  // The user reads the terms off-line, whether they arrived or not.
  app->HangUpDialup();
  termsLoaded = loaded;
  return loaded;
}

bool CSignStep2Agree::DownloadOnce() {
  CSignApp* app = App();
  const std::string url =
      net::Transport::CombineUrl(app->signupServerUrl, res::String(IDS_TERMS_PATH));
  termsText.clear();
  chunkCount = 0;
  pendingCr_ = false;
  std::string body;
  std::string statusText;
  const int result =
      app->DownloadDocument(
          url, body, statusText,
          [this](int status, std::string text) { OnChunk(status, std::move(text)); },
          kMaxTermsSize);
  if (app->DownloadCancelled()) return false;

  bool loaded = false;
  if (result != 0) {
    loaded = termsLoaded && chunkCount > 0;
    if (!loaded) termsLoaded = false;
  } else if (!statusText.empty() && termsBox != nullptr) {
    // The server answered with another status than 200: its status line says why.
    termsBox->SetWindowText(statusText);
  }
  if (!loaded) {
    std::string failure = res::String(IDS_TERMS_FAILED);
    // A read that failed after some of the text arrived has its code too.
    if (app->lastTransportError != 0) failure += ui::Format("(#%d)", app->lastTransportError);
    ShowStatus(failure);
  }
  return loaded;
}

void CSignStep2Agree::OnChunk(int status, std::string text) {
  ui::WaitCursor wait;
  CSignApp* app = CSignApp::Get();
  if (termsBox == nullptr || app == nullptr || app->DownloadCancelled()) {
    termsLoaded = false;
    return;
  }
  if (status == -1) termsLoaded = false;
  if (status == 0 || status == 1) {
    if (status == 1) termsLoaded = true;
    ++chunkCount;
    // A CR LF split between two chunks is one line end, not two.
    const bool joinsCr = pendingCr_ && !text.empty() && text.front() == '\n';
    if (joinsCr) text.erase(0, 1);
    if (joinsCr || !text.empty()) pendingCr_ = !text.empty() && text.back() == '\r';
    termsText += ServerProtocol::NormalizeLineBreaks(text);
    termsBox->SetWindowText(termsText);
  }
  ui::PumpMessagesFor(kChunkPumpMs);
}

void CSignStep2Agree::OnTermsFocus() {
  // The top of the terms, with nothing highlighted.
  if (termsBox == nullptr) return;
  termsBox->SetSel(0, 0);
  termsBox->ScrollCaret();
}

LRESULT CSignStep2Agree::OnWizardNext() {
  Sheet()->SetStandardButtons();
  if (App()->mode == WizardMode::ExistingAccount) {
    Sheet()->SetActivePage(CSignStart::kCommunicationIdPage);
    return -1;
  }
  return 0;
}

LRESULT CSignStep2Agree::OnWizardBack() {
  if (termsLoaded) {
    // "同意しない": the user disagrees, and the wizard ends.
    Sheet()->EndDialog(kDisagreeResult);
    return -1;
  }
  return 0;
}

bool CSignStep2Agree::OnCommand(UINT code, int id) {
  return ui::Dispatch(this, kMessageMap, code, id) || CSignPage::OnCommand(code, id);
}
