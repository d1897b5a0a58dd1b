// Tests of the device and phone-book operations of the dial-up library binding.
#include <gtest/gtest.h>

#include "dial_helpers.h"

namespace {

using PhonebookTest = dialtest::RasTest;

TEST_F(PhonebookTest, ModemsAreModemAndIsdnDevicesInAnyLetterCase) {
  ASSERT_TRUE(ras.AddDevice("VPN adapter", "vpn"));
  ASSERT_TRUE(ras.AddDevice("Line B", "Modem"));
  ASSERT_TRUE(ras.AddDevice("ISDN C", "ISDN"));
  ASSERT_TRUE(ras.AddDevice("X25 D", "x25"));

  EXPECT_EQ(library->CountModems(), 3) << "Modem A, Line B and ISDN C";
  std::vector<std::string> names{"kept"};
  ASSERT_TRUE(library->EnumModems(names));
  EXPECT_EQ(names, (std::vector<std::string>{"kept", "Modem A", "Line B", "ISDN C"}))
      << "names are appended in enumeration order";

  std::string name, type;
  EXPECT_TRUE(library->FindModem("line b", name, type)) << "names compare ignoring case";
  EXPECT_EQ(name, "Line B");
  EXPECT_EQ(type, "Modem");
  EXPECT_FALSE(library->FindModem("VPN adapter", name, type)) << "a VPN device is no modem";
}

TEST_F(PhonebookTest, DeviceIndexesOutsideTheEnumerationAreRefused) {
  ASSERT_TRUE(ras.AddDevice("VPN adapter", "vpn"));
  std::string name, type;
  EXPECT_TRUE(library->GetDeviceAt(1, name, type));
  EXPECT_EQ(name, "VPN adapter") << "every device counts for the index, modem or not";
  EXPECT_FALSE(library->GetDeviceAt(2, name, type)) << "index equal to the device count";
  EXPECT_FALSE(library->GetDeviceAt(-1, name, type));
}

TEST_F(PhonebookTest, CreateEntryWritesOnlyTheGivenFieldsAndNeverOverwrites) {
  ASSERT_EQ(library->CreateEntry("net", "modem", "Modem A", RASNP_Ip, RASFP_Ppp, "0120", ""), 0u);
  auto entry = ras.Entry("net");
  ASSERT_TRUE(entry.has_value());
  EXPECT_EQ(entry->phone, "0120");
  EXPECT_EQ(entry->device_name, "Modem A");
  EXPECT_EQ(entry->net_protocols, static_cast<DWORD>(RASNP_Ip));
  EXPECT_EQ(entry->framing, static_cast<DWORD>(RASFP_Ppp));
  EXPECT_EQ(entry->options, 0u);
  EXPECT_EQ(entry->country_code, 0u);
  EXPECT_EQ(entry->area_code, "");

  EXPECT_EQ(library->CreateEntry("NET", "modem", "Modem A", RASNP_Ip, RASFP_Ppp, "999", ""),
            static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(ras.Entry("net")->phone, "0120") << "the existing entry is left alone";
}

TEST_F(PhonebookTest, EntryPropertiesOfAMissingEntryAre755) {
  RASENTRYA record{};
  EXPECT_EQ(library->GetEntryProperties("nowhere", record, ""), 755u);
  EXPECT_EQ(library->SetEntryOptions("nowhere", 0x618, true, "", 0, ""), 755u);
}

TEST_F(PhonebookTest, EntryOptionsTouchCountryAndAreaOnlyWithTheirOwnBit) {
  ASSERT_EQ(library->CreateEntry("net", "modem", "Modem A", RASNP_Ip, RASFP_Ppp, "0120", ""), 0u);
  ASSERT_EQ(library->SetEntryOptions("net", 0x618, true, "03", 81, ""), 0u);
  auto entry = ras.Entry("net");
  EXPECT_EQ(entry->options, 0x618u);
  EXPECT_EQ(entry->country_code, 0u) << "mask without RASEO_UseCountryAndAreaCodes";
  EXPECT_EQ(entry->area_code, "");

  ASSERT_EQ(library->SetEntryOptions("net", RASEO_UseCountryAndAreaCodes, true, "03", 81, ""), 0u);
  entry = ras.Entry("net");
  EXPECT_EQ(entry->options, 0x619u);
  EXPECT_EQ(entry->country_id, 81u);
  EXPECT_EQ(entry->country_code, 81u);
  EXPECT_EQ(entry->area_code, "03");

  ASSERT_EQ(library->SetEntryOptions("net", 0x18, false, "", 0, ""), 0u);
  entry = ras.Entry("net");
  EXPECT_EQ(entry->options, 0x601u) << "clearing removes only the mask's bits";
  EXPECT_EQ(entry->country_code, 81u);
}

TEST_F(PhonebookTest, UniqueNamesCountUpFromOne) {
  std::string out = "untouched";
  EXPECT_EQ(library->MakeUniqueEntryName("net", out, ""), 0u);
  EXPECT_EQ(out, "net") << "a free base name is used as it is";

  ASSERT_EQ(library->CreateEntry("net", "modem", "Modem A", RASNP_Ip, RASFP_Ppp, "1", ""), 0u);
  ASSERT_EQ(library->CreateEntry("net1", "modem", "Modem A", RASNP_Ip, RASFP_Ppp, "1", ""), 0u);
  EXPECT_EQ(library->MakeUniqueEntryName("net", out, ""), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_EQ(out, "net2");

  library->DeleteEntry("NET", "");
  EXPECT_FALSE(ras.Entry("net").has_value()) << "deletion ignores letter case";
  EXPECT_TRUE(ras.Entry("net1").has_value());
}

}  // namespace
