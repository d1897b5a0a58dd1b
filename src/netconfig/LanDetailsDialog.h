// The LAN details dialog (template 159): UDP, TCP or "connection method unknown", and for TCP a
// proxy server with optional user name and password; OK applies the choice and saves it.
#pragma once

#include <string>

#include "ui/framework.h"

class CLanDetailsDlg : public ui::Dialog {
 public:
  static constexpr int kTemplateId = 159;
  static constexpr int kUdpBox = 1073;
  static constexpr int kTcpBox = 1131;
  static constexpr int kProxyBox = 1113;
  static constexpr int kAddressEdit = 1114;
  static constexpr int kPortEdit = 1115;
  static constexpr int kUserEdit = 1325;
  static constexpr int kPasswordEdit = 1327;
  static constexpr int kUnknownBox = 1124;

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
