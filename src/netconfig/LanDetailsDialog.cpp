// The LAN details dialog: the three protocol boxes kept exclusive, the proxy fields enabled with
// TCP and the proxy box, the system's proxy offered for an empty address, and the save.
#include "netconfig/LanDetailsDialog.h"

#include "netconfig/ProxyDiscovery.h"

namespace {

constexpr int kAddressLimit = 512;
constexpr int kPortLimit = 5;
constexpr int kUserLimit = 32;
constexpr int kPasswordLimit = 32;

// The proxy box, then its eight labels and fields.
constexpr int kProxyGroup[] = {IDC_LAN_PROXY,         IDC_LAN_ADDRESS,        IDC_LAN_PORT,
                               IDC_LAN_ADDRESS_LABEL, IDC_LAN_PORT_LABEL,     IDC_LAN_USER_LABEL,
                               IDC_LAN_USER,          IDC_LAN_PASSWORD_LABEL, IDC_LAN_PASSWORD};

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
  const CSignSettings* settings = CSignSettings::Current();
  const uint16_t flags = settings->connectionFlags;
  bool tcpChosen = false;
  if (flags & CSignSettings::kConnProtocolAuto) {
    unknown = 1;
  } else {
    tcpChosen = (flags & CSignSettings::kConnProtocolTcp) != 0;
    tcp = tcpChosen ? 1 : 0;
    udp = tcpChosen ? 0 : 1;
  }
  address = settings->Proxy_host;
  port = settings->Proxy_port;
  proxy = (flags & CSignSettings::kConnProxyEnabled) ? 1 : 0;
  user = settings->Proxy_Data1;
  password = settings->Proxy_Data2;
  EnableProxyGroup(tcpChosen, proxy != 0);
  UpdateData(false);

  toolTip_.Create(this);
  toolTip_.Activate(true);
  toolTip_.AddTool(GetDlgItem(kUdpBox), IDS_TIP_UDP);
  toolTip_.AddTool(GetDlgItem(kTcpBox), IDS_TIP_TCP);
  toolTip_.AddTool(GetDlgItem(kProxyBox), IDS_TIP_PROXY);
  toolTip_.AddTool(GetDlgItem(kAddressEdit), IDS_TIP_PROXY_ADDRESS);
  toolTip_.AddTool(GetDlgItem(kPortEdit), IDS_TIP_PROXY_PORT);
  toolTip_.AddTool(GetDlgItem(kUnknownBox), IDS_TIP_METHOD_UNKNOWN);
  toolTip_.AddTool(GetDlgItem(kUserEdit), IDS_TIP_PROXY_LOGIN);
  toolTip_.AddTool(GetDlgItem(kPasswordEdit), IDS_TIP_PROXY_LOGIN);
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
      ProxyDiscovery::ReadSystemProxy(host, systemPort);
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
  CSignSettings* settings = CSignSettings::Current();
  // Also sets the LAN bit, turns an unusable port into "80" and drops a proxy without TCP or host.
  settings->ApplyConnectionConfig("Lan", protocol, proxy != 0, address, port, user, password);
  // The settings hold for this run even when they cannot be stored.
  if (!settings->SaveNetInfo("")) CSignSettings::ShowFailedSave(false);
  EndDialog(ui::IDOK);
}

bool CLanDetailsDlg::OnCommand(UINT code, int id) {
  return ui::Dispatch(this, kMessageMap, code, id) || ui::Dialog::OnCommand(code, id);
}

bool CLanDetailsDlg::PreTranslateMessage(ui::Message& msg) {
  toolTip_.RelayEvent(msg);
  return ui::Dialog::PreTranslateMessage(msg);
}
