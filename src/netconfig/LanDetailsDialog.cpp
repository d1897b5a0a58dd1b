// The LAN details dialog: the three protocol boxes kept exclusive, the proxy fields enabled with
// TCP and the proxy box, the system's proxy offered for an empty address, and the save.
#include "netconfig/LanDetailsDialog.h"

#include "app/SignApp.h"

namespace {

constexpr int kAddressLimit = 512;
constexpr int kPortLimit = 5;
constexpr int kUserLimit = 32;
constexpr int kPasswordLimit = 32;

// The proxy box, then its eight labels and fields.
constexpr int kProxyGroup[] = {1113, 1114, 1115, 1116, 1117, 1324, 1325, 1326, 1327};

}  // namespace

const ui::MessageEntry<CLanDetailsDlg> CLanDetailsDlg::kMessageMap[4] = {
    {ui::BN_CLICKED, kProxyBox, &CLanDetailsDlg::OnProxyClicked},
    {ui::BN_CLICKED, kUnknownBox, &CLanDetailsDlg::OnUnknownClicked},
    {ui::BN_CLICKED, kUdpBox, &CLanDetailsDlg::OnUdpClicked},
    {ui::BN_CLICKED, kTcpBox, &CLanDetailsDlg::OnTcpClicked},
};

CLanDetailsDlg::CLanDetailsDlg(ui::Window* parent) : ui::Dialog(kTemplateId, parent) {}

void CLanDetailsDlg::DoDataExchange(ui::DataExchange& dx) {
  dx.Check(kUdpBox, udp);
  dx.Check(kTcpBox, tcp);
  dx.Check(kProxyBox, proxy);
  dx.Text(kAddressEdit, address, kAddressLimit);
  dx.Text(kPortEdit, port, kPortLimit);
  dx.Text(kUserEdit, user, kUserLimit);
  dx.Text(kPasswordEdit, password, kPasswordLimit);
  dx.Check(kUnknownBox, unknown);
}

bool CLanDetailsDlg::OnInitDialog() {
  ui::Dialog::OnInitDialog();
  const CSignApp* app = CSignApp::Get();
  const uint16_t flags = app->connectionFlags;
  bool tcpChosen = false;
  if (flags & CSignSettings::kConnProtocolAuto) {
    unknown = 1;
  } else {
    tcpChosen = (flags & CSignSettings::kConnProtocolTcp) != 0;
    tcp = tcpChosen ? 1 : 0;
    udp = tcpChosen ? 0 : 1;
  }
  address = app->Proxy_host;
  port = app->Proxy_port;
  proxy = (flags & CSignSettings::kConnProxyEnabled) ? 1 : 0;
  user = app->Proxy_Data1;
  password = app->Proxy_Data2;
  EnableProxyGroup(tcpChosen, proxy != 0);
  UpdateData(false);

  toolTip_.Create(this);
  toolTip_.Activate(true);
  toolTip_.AddTool(GetDlgItem(kUdpBox), 184);
  toolTip_.AddTool(GetDlgItem(kTcpBox), 185);
  toolTip_.AddTool(GetDlgItem(kProxyBox), 186);
  toolTip_.AddTool(GetDlgItem(kAddressEdit), 187);
  toolTip_.AddTool(GetDlgItem(kPortEdit), 188);
  toolTip_.AddTool(GetDlgItem(kUnknownBox), 189);
  toolTip_.AddTool(GetDlgItem(kUserEdit), 193);
  toolTip_.AddTool(GetDlgItem(kPasswordEdit), 193);
  return true;
}

void CLanDetailsDlg::EnableProxyGroup(bool tcpChosen, bool proxyOn) {
  for (int id : kProxyGroup) {
    if (ui::Control* c = GetDlgItem(id))
      c->EnableWindow(id == kProxyBox ? tcpChosen : tcpChosen && proxyOn);
  }
}

void CLanDetailsDlg::OnProxyClicked() {
  UpdateData(true);
  if (proxy) {
    // An empty address is offered the system's proxy server, even one switched off there; a
    // system without one leaves the typed port alone.
    if (address.empty()) {
      std::string host;
      std::string systemPort;
      CSignApp::Get()->ReadSystemProxy(host, systemPort);
      if (!host.empty()) {
        address = host;
        port = systemPort;
      }
    }
    UpdateData(false);
  }
  EnableProxyGroup(true, proxy != 0);
}

void CLanDetailsDlg::OnUnknownClicked() {
  UpdateData(true);
  tcp = 0;
  udp = 0;
  unknown = 1;
  EnableProxyGroup(false, false);
  UpdateData(false);
}

// UDP and TCP write the dialog's values back without reading the fields first.
void CLanDetailsDlg::OnUdpClicked() {
  udp = 1;
  tcp = 0;
  unknown = 0;
  EnableProxyGroup(false, false);
  UpdateData(false);
}

void CLanDetailsDlg::OnTcpClicked() {
  tcp = 1;
  udp = 0;
  unknown = 0;
  EnableProxyGroup(true, proxy != 0);
  UpdateData(false);
}

void CLanDetailsDlg::OnOK() {
  UpdateData(true);
  const char* protocol = unknown ? "auto" : tcp ? "tcp" : "udp";
  CSignApp* app = CSignApp::Get();
  // Also sets the LAN bit, turns an unusable port into "80" and drops a proxy without TCP or host.
  app->ApplyConnectionConfig("Lan", protocol, proxy != 0, address, port, user, password);
  app->SaveNetInfo("");
  EndDialog(ui::IDOK);
}

bool CLanDetailsDlg::OnCommand(UINT code, int id) {
  return ui::Dispatch(this, kMessageMap, code, id) || ui::Dialog::OnCommand(code, id);
}

bool CLanDetailsDlg::PreTranslateMessage(ui::Message& msg) {
  toolTip_.RelayEvent(msg);
  return ui::Dialog::PreTranslateMessage(msg);
}
