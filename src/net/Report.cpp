// What the user sees of the server work: progress lines in a page's log and error boxes.
#include <cstdio>

#include "net/ServerProtocol.h"
#include "res/resources.h"
#include "ui/framework.h"

namespace {

// Error codes are appended to a text as "(#%d)", without a blank.
std::string WithCode(const std::string& text, int code) {
  if (code == 0) return text;
  char suffix[32];
  std::snprintf(suffix, sizeof(suffix), "(#%d)", code);
  return text + suffix;
}

}  // namespace

void ServerProtocol::ShowServerError(const std::string& text, int code) {
  ui::MessageBox(WithCode(text, code), ui::MB_ICONSTOP | ui::MB_OK);
}

void ServerProtocol::ShowServerError(UINT stringId, int code) {
  ShowServerError(res::String(stringId), code);
}

void ServerProtocol::AppendProgress(ui::Control* edit, const std::string& text, int code) {
  if (!edit) return;
  edit->SetWindowText(edit->GetWindowText() + WithCode(text, code) + "\r\n");
  // Scroll by the whole line count so that the newest line is in view.
  edit->LineScroll(edit->GetLineCount());
}
