// The completion page: the network summary, the hang-up, Finish in place of Next and no Cancel,
// and the mail-account dialog on Finish.
#include "pages/SignStep7End.h"

#include "app/SignApp.h"
#include "app/SignStart.h"
#include "netconfig/MailAccountDialog.h"

CSignStep7End::CSignStep7End() : CSignPage(IDD_COMPLETION_PAGE, IDB_COMPLETION) {}

void CSignStep7End::DoDataExchange(ui::DataExchange& dx) {
  dx.Bind(IDC_NETWORK_SUMMARY, summaryEdit);
}

bool CSignStep7End::OnInitDialog() {
  CSignPage::OnInitDialog();
  PlaceControls();
  SetDlgItemText(IDC_COMPLETION_MESSAGE, res::String(IDS_COMPLETION_MESSAGE));
  App()->FormatNetworkSummary(summaryEdit);
  return true;
}

bool CSignStep7End::OnSetActive() {
  ui::WaitCursor wait;
  CSignStart* sheet = Sheet();
  // The user notes the results down off-line.
  App()->HangUpDialup();
  sheet->SetStandardButtons();
  // Posted, so that it acts after the sheet's own handling of the page change.
  sheet->PostMessage(ui::PSM_SETWIZBUTTONS, 0, ui::PSWIZB_FINISH);
  sheet->ShowButton(ui::IDCANCEL, false);
  return CSignPage::OnSetActive();
}

bool CSignStep7End::OnWizardFinish() {
  CMailAccountDlg mail(nullptr);
  mail.DoModal();
  return CSignPage::OnWizardFinish();
}
