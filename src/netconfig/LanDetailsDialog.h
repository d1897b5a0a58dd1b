// The LAN details dialog (IDD_LAN_DETAILS): UDP, TCP or "connection method unknown", and for TCP a
// proxy server with optional user name and password; OK applies the choice and saves it.
#pragma once

#include <string>

#include "ui/framework.h"

class CLanDetailsDlg : public ui::Dialog {
 public:
  static constexpr int kTemplateId = IDD_LAN_DETAILS;
  static constexpr int kUdpBox = IDC_LAN_UDP;
  static constexpr int kTcpBox = IDC_LAN_TCP;
  static constexpr int kProxyBox = IDC_LAN_PROXY;
  static constexpr int kAddressEdit = IDC_LAN_ADDRESS;
  static constexpr int kPortEdit = IDC_LAN_PORT;
  static constexpr int kUserEdit = IDC_LAN_USER;
  static constexpr int kPasswordEdit = IDC_LAN_PASSWORD;
  static constexpr int kUnknownBox = IDC_LAN_UNKNOWN;

  // The start page opens it with its "詳細" button when LAN is chosen.
  explicit CLanDetailsDlg(ui::Window* parent = nullptr);

  // Dialog data.
  int udp = 0;
  int tcp = 0;
  int proxy = 0;
  int unknown = 0;
  std::string address;
  std::string port;
  std::string user;
  std::string password;

 protected:
  bool OnInitDialog() override;
  void DoDataExchange(ui::DataExchange& dx) override;
  // Applies the protocol and proxy as the LAN connection and saves the connection values.
  void OnOK() override;
  bool OnCommand(UINT code, int id) override;
  bool PreTranslateMessage(ui::Message& msg) override;

  void OnProxyClicked();
  void OnUnknownClicked();
  void OnUdpClicked();
  void OnTcpClicked();

 private:
  static const ui::MessageEntry<CLanDetailsDlg> kMessageMap[4];

  // The proxy box is usable with TCP; its fields only while it is checked as well.
  void EnableProxyGroup(bool tcpChosen, bool proxyOn);

  ui::ToolTip toolTip_;
};
