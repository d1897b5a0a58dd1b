// The settings record's stored values: loading, saving, scrambling of the secrets and the
// derivation of the connection flag word.
#include "settings/SignSettings.h"

#include <cstdlib>

#include "platform/library.h"
#include "res/resources.h"
#include "ui/framework.h"

namespace {

constexpr unsigned char kScrambleKey[8] = {0x5D, 0x1E, 0x93, 0x48, 0xC6, 0x27, 0x7A, 0xB0};

ui::Application& App() { return *ui::Application::Current(); }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

CSignSettings::CSignSettings() {
  // Only the presence of the library is of interest here: nothing is resolved, and the library
  // is released at once.
  HMODULE library = LoadLibraryA("rasapi32.dll");
  if (library != nullptr) {
    statusFlags |= kStatusDialupAvailable;
    FreeLibrary(library);
  }
}

CSignSettings::~CSignSettings() = default;

CSignSettings* CSignSettings::Current() {
  return dynamic_cast<CSignSettings*>(ui::Application::Current());
}

void CSignSettings::SelectProfile(ui::Application& app, const std::string& name) {
  app.appName = name.empty() ? "Signup" : name;
  app.SetRegistryKey("Orvel");
  app.registryKey = "Orvel\\Lumipass";
}

std::string CSignSettings::ScrambleText(std::string_view text, int direction) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  if (direction == 1) {
    out.reserve(text.size() * 2);
    for (size_t i = 0; i < text.size(); ++i) {
      auto b = static_cast<unsigned char>(text[i]);
      b ^= static_cast<unsigned char>((kScrambleKey[i % 8] + i) & 0xFF);
      out += kHex[b >> 4];
      out += kHex[b & 0x0F];
    }
    return out;
  }
  // A value that is not hexadecimal pairs was not written by us: it reads as empty rather than
  // as garbage bytes.
  if (text.size() % 2 != 0) return {};
  out.reserve(text.size() / 2);
  for (size_t i = 0; i < text.size(); i += 2) {
    int hi = HexValue(text[i]), lo = HexValue(text[i + 1]);
    if (hi < 0 || lo < 0) return {};
    const size_t index = i / 2;
    auto b = static_cast<unsigned char>((hi << 4) | lo);
    b ^= static_cast<unsigned char>((kScrambleKey[index % 8] + index) & 0xFF);
    out += static_cast<char>(b);
  }
  return out;
}

std::string CSignSettings::ReadScrambled(const std::string& section, const std::string& key) {
  std::string stored = App().GetProfileString(section, key, "");
  if (stored.empty()) return {};
  // The secret is text: it ends at a zero byte, as the C string it is used as would.
  std::string plain = ScrambleText(stored, 0);
  if (const size_t zero = plain.find('\0'); zero != std::string::npos) plain.resize(zero);
  return plain;
}

void CSignSettings::WriteScrambled(const std::string& section, const std::string& key,
                                   const std::string& value) {
  App().WriteProfileString(section, key, ScrambleText(value, 1));
}

void CSignSettings::LoadSettings(const std::string& userSection, const std::string& netSection) {
  ui::Application& app = App();
  auto user = [&](const char* key, const char* def = "") {
    return app.GetProfileString(userSection, key, def);
  };
  Kana = user("Kana");
  Kana2 = user("Kana2");
  Name = user("Name");
  Name2 = user("Name2");
  Age = user("Age");
  Age2 = user("Age2");
  Age3 = user("Age3");
  if (Age.empty()) Age = "2000";
  if (Age2.empty()) Age2 = "1";
  if (Age3.empty()) Age3 = "1";
  Sex = user("Sex", "male");
  Address1 = user("Address1");
  Address2 = user("Address2");
  Tel = user("Tel");
  Tel2 = user("Tel2");
  Tel3 = user("Tel3");
  Zip = user("Zip");
  Zip2 = user("Zip2");
  MekoID = user("MekoID");
  MekoID2 = user("MekoID2");
  MekoID3 = user("MekoID3");
  EntryCode = user("EntryCode");
  EntryCode2 = user("EntryCode2");

  SelectProfile(app, "NetInfo");
  auto net = [&](const char* key, const std::string& def = "") {
    return app.GetProfileString(netSection, key, def);
  };
  LoginID = net("LoginID");
  LoginPasswd = ReadScrambled(netSection, "LoginPasswd");
  PrimaryDNS = net("PrimaryDNS");
  SecondaryDNS = net("SecondaryDNS");
  PhoneNumber = net("PhoneNumber");
  PhoneNumber2 = net("PhoneNumber2");
  PhoneNumber3 = net("PhoneNumber3");
  E_mail = net("E_mail");
  Pop_id = net("Pop_id");
  Pop_host = net("Pop_host");
  Pop_password = ReadScrambled(netSection, "Pop_password");
  Smtp_host = net("Smtp_host");
  Comm_id = net("Comm_id");
  Comm_data = ReadScrambled(netSection, "Comm_data");
  Comm_name = net("Comm_name");
  Comm_data2 = net("Comm_data2");
  RasEntryName = net("RasEntryName");
  ModemName = net("ModemName");
  DialMode = net("DialMode", "T");
  OutsideLine = net("OutsideLine");
  PreFixNumber = net("PreFixNumber", res::String(IDS_DIAL_PLACEHOLDER));
  const std::string connectType = net("ConnectType", "Dialup");
  const bool proxyEnabled = app.GetProfileInt(netSection, "Proxy_enable", 0) != 0;
  const std::string proxyHost = net("Proxy_host");
  const std::string proxyPort = net("Proxy_port", "80");
  const std::string protocol = net("Protocol", "udp");
  const std::string proxyUser = net("Proxy_Data1");
  const std::string proxyPassword = ReadScrambled(netSection, "Proxy_Data2");
  ProtocolVer = static_cast<uint16_t>(app.GetProfileInt(netSection, "ProtocolVer", 0));
  ApplyConnectionConfig(connectType, protocol, proxyEnabled, proxyHost, proxyPort, proxyUser,
                        proxyPassword);
  FreeAP = net("FreeAP", res::String(IDS_FREE_ACCESS_NUMBER));
  SelectProfile(app, "");
}

void CSignSettings::SaveUserInfo(const std::string& section) {
  ui::Application& app = App();
  const std::pair<const char*, const std::string*> values[] = {{"Kana", &Kana},
                                                               {"Kana2", &Kana2},
                                                               {"Name", &Name},
                                                               {"Name2", &Name2},
                                                               {"Age", &Age},
                                                               {"Age2", &Age2},
                                                               {"Age3", &Age3},
                                                               {"Sex", &Sex},
                                                               {"Address1", &Address1},
                                                               {"Address2", &Address2},
                                                               {"Tel", &Tel},
                                                               {"Tel2", &Tel2},
                                                               {"Tel3", &Tel3},
                                                               {"Zip", &Zip},
                                                               {"Zip2", &Zip2},
                                                               {"MekoID", &MekoID},
                                                               {"MekoID2", &MekoID2},
                                                               {"MekoID3", &MekoID3},
                                                               {"EntryCode", &EntryCode},
                                                               {"EntryCode2", &EntryCode2}};
  for (const auto& [key, value] : values) app.WriteProfileString(section, key, *value);
}

void CSignSettings::SaveNetInfo(const std::string& section) {
  ui::Application& app = App();
  SelectProfile(app, "NetInfo");
  auto put = [&](const char* key, const std::string& value) {
    app.WriteProfileString(section, key, value);
  };
  put("LoginID", LoginID);
  WriteScrambled(section, "LoginPasswd", LoginPasswd);
  put("PrimaryDNS", PrimaryDNS);
  put("SecondaryDNS", SecondaryDNS);
  put("PhoneNumber", PhoneNumber);
  put("PhoneNumber2", PhoneNumber2);
  put("PhoneNumber3", PhoneNumber3);
  put("E_mail", E_mail);
  put("Pop_id", Pop_id);
  put("Pop_host", Pop_host);
  WriteScrambled(section, "Pop_password", Pop_password);
  put("Smtp_host", Smtp_host);
  put("Comm_id", Comm_id);
  WriteScrambled(section, "Comm_data", Comm_data);
  put("Comm_name", Comm_name);
  put("Comm_data2", Comm_data2);
  app.WriteProfileInt(section, "Proxy_enable", (connectionFlags & kConnProxyEnabled) ? 1 : 0);
  put("Proxy_host", Proxy_host);
  put("Proxy_port", Proxy_port);
  put("Protocol", Protocol);
  put("RasEntryName", RasEntryName);
  put("ModemName", ModemName);
  put("DialMode", DialMode);
  put("OutsideLine", OutsideLine);
  put("ConnectType", ConnectType);
  put("PreFixNumber", PreFixNumber);
  put("Proxy_Data1", Proxy_Data1);
  WriteScrambled(section, "Proxy_Data2", Proxy_Data2);
  SelectProfile(app, "");
}

void CSignSettings::ApplyConnectionConfig(const std::string& connectType,
                                          const std::string& protocol, bool proxyEnabled,
                                          const std::string& proxyHost,
                                          const std::string& proxyPort,
                                          const std::string& proxyUser,
                                          const std::string& proxyPassword) {
  ConnectType = connectType;
  Protocol = protocol;
  Proxy_host = proxyHost;
  Proxy_port = proxyPort;
  Proxy_Data1 = proxyUser;
  Proxy_Data2 = proxyPassword;
  connectionFlags = 0;
  if (connectType == "Lan") connectionFlags |= kConnLan;
  if (protocol == "auto")
    connectionFlags |= kConnProtocolAuto;
  else if (protocol == "tcp")
    connectionFlags |= kConnProtocolTcp | kConnTcp;
  // A port that is no number from 1 to 65535 becomes the HTTP port.
  const long port = std::strtol(Proxy_port.c_str(), nullptr, 10);
  if (port <= 0 || port > 65535) Proxy_port = "80";
  if (proxyEnabled) connectionFlags |= kConnProxyEnabled;
  if ((connectionFlags & kConnProxyEnabled) && (connectionFlags & kConnTcp) &&
      !Proxy_host.empty()) {
    connectionFlags |= kConnProxyInEffect;
    effectiveProxyHost = Proxy_host;
    effectiveProxyPort = Proxy_port;
  } else {
    connectionFlags &= static_cast<uint16_t>(~kConnProxyEnabled);
  }
}

void CSignSettings::SetConnectType(bool lan) {
  if (lan) {
    connectionFlags |= kConnLan;
    ConnectType = "Lan";
  } else {
    connectionFlags &= static_cast<uint16_t>(~kConnLan);
    ConnectType = "Dialup";
  }
}

void CSignSettings::SetModem(const std::string& modemName, const std::string& dialMode) {
  ModemName = modemName;
  if (dialMode.empty() || dialMode == "T" || dialMode == "P") DialMode = dialMode;
}

void CSignSettings::FormatNetworkSummary(ui::Window* window) {
  if (window == nullptr) return;
  window->SetWindowText(ui::Format(res::String(IDS_NETWORK_SUMMARY), LoginID, LoginPasswd,
                                   PrimaryDNS, SecondaryDNS, PhoneNumber, PhoneNumber2,
                                   PhoneNumber3, E_mail, Pop_id, Pop_password, Pop_host, Smtp_host,
                                   Comm_id, Comm_name));
}
