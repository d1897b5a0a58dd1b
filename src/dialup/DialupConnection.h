// What the dialup folder offers: the connection orchestration that the pages and start-up call
// (DialupConnection, a part of the application object), the one dial-up object it keeps (the
// progress dialog DialupDialog.h, which is also the library binding RasLibrary.h), and the
// dial-up details dialog (DialupDetailsDialog.h).
#pragma once

#include <memory>
#include <string>

#include "settings/SignSettings.h"

class DialupDialog;

namespace ui {
class Window;
}

// Destroys a dial-up object (defined with the dial-up code, which knows the type).
struct DialupDeleter {
  void operator()(DialupDialog* dialog) const;
};

class DialupConnection : public virtual CSignSettings {
 public:
  DialupConnection();
  ~DialupConnection() override;

  // Replaces the dial-up object with a new one; null (with a message when `report`, or for a lack
  // of memory always) when the library, its entry points or a modem are missing.
  DialupDialog* CreateDialupObject(bool report);
  // True when the machine is online for a transaction: LAN chosen, a dial-up connection up, or a
  // dial through the progress dialog that succeeded. Every failure has been shown.
  bool EnsureConnected(ui::Window* parent);
  // Dials the signup entry (asking first when `askFirst`, and offering to drop another
  // connection); true when connected. The phone-book entry is removed again in every case.
  bool ConnectForServer(bool askFirst, ui::Window* parent);
  // Unless LAN is chosen, ends every dial-up connection.
  void HangUpDialup();

  std::unique_ptr<DialupDialog, DialupDeleter> dialup;
  std::string signupEntryName;
};
