// Tests of the regtool command line: REGEDIT4 round trips, what the program then reads, and the
// exit codes other tests rely on.
#include "support/regtool.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/registry.h"
#include "support/test_support.h"

namespace {

std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }
std::string Sjis(const char8_t* s) { return test::Sjis(U8(s)); }

using Result = test::ProgramResult;

class RegtoolTest : public ::testing::Test {
 protected:
  // Runs regtool with args on the store named by SIGNUP_REGISTRY.
  Result Run(const std::vector<std::string>& args) { return test::RunRegtool(args); }

  std::string Import(const std::string& text) {
    std::string file = dir_.File("in.reg");
    test::WriteFile(file, text);
    Result r = Run({"import", file});
    EXPECT_EQ(r.exit, 0) << r.err;
    return r.err;
  }

  test::TempDir dir_;
  test::ScopedEnv env_{"SIGNUP_REGISTRY", dir_.File("registry.db")};
};

const std::string kSample =
    U8(u8R"(REGEDIT4

; settings of a signed-up user
[HKEY_CURRENT_USER\Software\Orvel\Lumipass\NetInfo]
"LoginID"="山田太郎"
"Quote"="a \"b\" c:\\dir\\"
@="既定"
"Proxy_enable"=dword:0000000a
"Path"=hex(2):25,54,45,4d,50,25,5c,78,00
"Blob"=hex:00,01,fe,\
  ff

[HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows NT\CurrentVersion]
"ProductID"="55274-OEM-0011903-00102"
)");

TEST_F(RegtoolTest, ExportOfAnImportImportsToTheSameExport) {
  Import(kSample);
  Result first = Run({"export"});
  ASSERT_EQ(first.exit, 0) << first.err;
  EXPECT_EQ(first.out.rfind("REGEDIT4\n", 0), 0u);
  for (const char* line :
       {"[HKEY_CURRENT_USER\\Software\\Orvel\\Lumipass\\NetInfo]\n",
        "\"Quote\"=\"a \\\"b\\\" c:\\\\dir\\\\\"\n", "\"Proxy_enable\"=dword:0000000a\n",
        "\"Path\"=hex(2):25,54,45,4d,50,25,5c,78,00\n", "\"Blob\"=hex:00,01,fe,ff\n"}) {
    EXPECT_NE(first.out.find(line), std::string::npos) << "missing " << line << " in\n"
                                                       << first.out;
  }
  EXPECT_NE(first.out.find(U8(u8"\"LoginID\"=\"山田太郎\"\n")), std::string::npos);
  EXPECT_NE(first.out.find(U8(u8"@=\"既定\"\n")), std::string::npos);

  test::ScopedEnv fresh("SIGNUP_REGISTRY", dir_.File("fresh.db"));
  test::WriteFile(dir_.File("first.reg"), first.out);
  ASSERT_EQ(Run({"import", dir_.File("first.reg")}).exit, 0);
  Result second = Run({"export"});
  EXPECT_EQ(second.out, first.out);

  // A line break in a string survives as hex(1).
  ASSERT_EQ(Run({"set", "HKCU\\Software\\T", "multi", "sz", "one\r\ntwo"}).exit, 0);
  Result withBreak = Run({"export", "HKEY_CURRENT_USER\\Software\\T"});
  EXPECT_NE(withBreak.out.find("\"multi\"=hex(1):6f,6e,65,0d,0a,74,77,6f,00"), std::string::npos)
      << withBreak.out;
  test::WriteFile(dir_.File("t.reg"), withBreak.out);
  ASSERT_EQ(Run({"delete", "HKCU\\Software\\T"}).exit, 0);
  ASSERT_EQ(Run({"import", dir_.File("t.reg")}).exit, 0);
  EXPECT_EQ(Run({"get", "HKCU\\Software\\T", "multi"}).out, "one\r\ntwo\n");
}

TEST_F(RegtoolTest, TheProgramReadsImportedValuesInItsCodePage) {
  Import(kSample);
  HKEY key = nullptr;
  ASSERT_EQ(
      RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Orvel\\Lumipass\\NetInfo", 0, KEY_READ, &key),
      ERROR_SUCCESS);
  char buffer[64];
  DWORD size = sizeof buffer;
  DWORD type = 0;
  ASSERT_EQ(
      RegQueryValueExA(key, "LoginID", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size),
      ERROR_SUCCESS);
  EXPECT_EQ(std::string(buffer, size - 1), Sjis(u8"山田太郎"));
  DWORD v = 0;
  size = sizeof v;
  ASSERT_EQ(
      RegQueryValueExA(key, "Proxy_enable", nullptr, &type, reinterpret_cast<BYTE*>(&v), &size),
      ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(v, 10u);
  RegCloseKey(key);
}

TEST_F(RegtoolTest, GetSetAndDeleteReportWhatTheyFound) {
  const std::string key = "HKEY_CURRENT_USER\\Software\\Orvel\\Lumipass\\Servers";
  EXPECT_EQ(Run({"get", key, "SignupPage"}).exit, 1) << "no store yet";
  ASSERT_EQ(Run({"set", key, "SignupPage", "sz", U8(u8"http://例え.jp/")}).exit, 0);
  ASSERT_EQ(Run({"set", key, "Count", "dword", "0x1F"}).exit, 0);
  ASSERT_EQ(Run({"set", key, "Big", "dword", "4294967295"}).exit, 0);
  ASSERT_EQ(Run({"set", key, "Bytes", "binary", "00,ff,10"}).exit, 0);
  ASSERT_EQ(Run({"set", key, "Where", "expand_sz", "%HOME%\\x"}).exit, 0);

  EXPECT_EQ(Run({"get", key, "signuppage"}).out, U8(u8"http://例え.jp/\n"));
  EXPECT_EQ(Run({"get", "hkcu\\software\\orvel\\lumipass\\servers", "Count"}).out, "31\n");
  EXPECT_EQ(Run({"get", key, "Big"}).out, "4294967295\n");
  EXPECT_EQ(Run({"get", key, "Bytes"}).out, "00,ff,10\n");
  EXPECT_EQ(Run({"get", key, "Where"}).out, "%HOME%\\x\n");
  EXPECT_EQ(Run({"get", key, "Nothing"}).exit, 1);
  EXPECT_EQ(Run({"get", key + "\\Nope", "Count"}).exit, 1);

  EXPECT_EQ(Run({"delete", key, "Count"}).exit, 0);
  EXPECT_EQ(Run({"delete", key, "Count"}).exit, 1);
  EXPECT_EQ(Run({"delete", "HKEY_CURRENT_USER\\Software\\Orvel"}).exit, 0) << "the whole subtree";
  EXPECT_EQ(Run({"get", key, "SignupPage"}).exit, 1);
  EXPECT_EQ(Run({"export", key}).exit, 1);
  EXPECT_EQ(Run({"delete", "HKEY_CURRENT_USER\\Software\\Orvel"}).exit, 1);
}

TEST_F(RegtoolTest, MistakesExitWithTwoAndAMessage) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {},
           {"frobnicate"},
           {"get", "HKEY_CURRENT_USER\\X"},
           {"set", "HKEY_CURRENT_USER\\X", "n", "qword", "1"},
           {"set", "HKEY_CURRENT_USER\\X", "n", "dword", "4294967296"},
           {"set", "HKEY_CURRENT_USER\\X", "n", "dword", "12abc"},
           {"set", "HKEY_CURRENT_USER\\X", "n", "binary", "0g"},
           {"set", "HKEY_CLASSES_NOWHERE\\X", "n", "sz", "v"},
           {"import", "/nonexistent/file.reg"},
       }) {
    Result r = Run(args);
    std::string shown;
    for (const std::string& a : args) shown += a + " ";
    EXPECT_EQ(r.exit, 2) << shown;
    EXPECT_FALSE(r.err.empty()) << shown;
  }
}

TEST_F(RegtoolTest, ImportAppliesDeletionsAndIsAllOrNothing) {
  Import(kSample);
  Import(
      "REGEDIT4\n\n"
      "[HKEY_CURRENT_USER\\Software\\Orvel\\Lumipass\\NetInfo]\n"
      "\"Quote\"=-\n\n"
      "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft]\n");
  EXPECT_EQ(Run({"get", "HKCU\\Software\\Orvel\\Lumipass\\NetInfo", "Quote"}).exit, 1);
  EXPECT_EQ(Run({"get", "HKCU\\Software\\Orvel\\Lumipass\\NetInfo", "LoginID"}).exit, 0);
  EXPECT_EQ(Run({"export", "HKLM\\SOFTWARE\\Microsoft"}).exit, 1);

  std::string before = Run({"export"}).out;
  test::WriteFile(
      dir_.File("bad.reg"),
      "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\New]\n\"ok\"=\"1\"\n\"bad\"=dword:xyz\n");
  Result r = Run({"import", dir_.File("bad.reg")});
  EXPECT_EQ(r.exit, 2);
  EXPECT_NE(r.err.find("line 5"), std::string::npos) << r.err;
  EXPECT_EQ(Run({"export"}).out, before) << "nothing of a faulty file is imported";

  test::WriteFile(dir_.File("bad.reg"), "Windows Registry Editor Version 4.00\n");
  EXPECT_EQ(Run({"import", dir_.File("bad.reg")}).exit, 2);
}

TEST_F(RegtoolTest, AStoreFileOfGarbageIsLeftAlone) {
  std::string garbage = "this is not a database, just some text that happens to be here\n";
  test::WriteFile(dir_.File("registry.db"), garbage);
  EXPECT_EQ(Run({"set", "HKCU\\Software\\X", "n", "sz", "v"}).exit, 2);
  test::WriteFile(dir_.File("in.reg"), kSample);
  Result r = Run({"import", dir_.File("in.reg")});
  EXPECT_EQ(r.exit, 2);
  EXPECT_NE(r.err.find("not a registry database"), std::string::npos) << r.err;
  EXPECT_EQ(Run({"get", "HKCU\\Software\\X", "n"}).exit, 2) << "damage is no emptiness";
  EXPECT_EQ(test::ReadFile(dir_.File("registry.db")), garbage);
}

TEST_F(RegtoolTest, AnExportWithHostileNamesImportsBackToTheSameStore) {
  Import(kSample);
  const std::string hostile = "HKEY_CURRENT_USER\\Software\\x\n[-HKEY_CURRENT_USER]";
  ASSERT_EQ(Run({"set", hostile, "a\"b\\c\nd", "sz", "v"}).exit, 0);
  Import("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Z]\n\"zero\"=hex(1):61,00,62,00\n");
  Result first = Run({"export"});
  ASSERT_EQ(first.exit, 0) << first.err;
  EXPECT_NE(first.out.find("\"zero\"=hex(1):61,00,62,00\n"), std::string::npos)
      << "a string with a zero inside is kept whole:\n"
      << first.out;

  test::ScopedEnv fresh("SIGNUP_REGISTRY", dir_.File("fresh.db"));
  Import(kSample);
  test::WriteFile(dir_.File("first.reg"), first.out);
  Result imported = Run({"import", dir_.File("first.reg")});
  ASSERT_EQ(imported.exit, 0) << imported.err;
  EXPECT_EQ(Run({"export"}).out, first.out);
  EXPECT_EQ(Run({"get", "HKCU\\Software\\Orvel\\Lumipass\\NetInfo", "LoginID"}).exit, 0)
      << "the rest of the hive is still there";
}

TEST_F(RegtoolTest, RefusalsLeaveTheStoreAsItWas) {
  Import(kSample);
  const std::string before = Run({"export"}).out;
  std::string deep = "HKEY_CURRENT_USER";
  for (int level = 0; level < 513; ++level) deep += "\\d";
  test::WriteFile(dir_.File("root.reg"),
                  "REGEDIT4\n\n[HKEY_CURRENT_USER\\New]\n\"a\"=\"1\"\n\n[-HKEY_CURRENT_USER]\n");
  const struct {
    std::vector<std::string> args;
    const char* message;
  } refusals[] = {
      {{"import", dir_.File("root.reg")}, "line 6: a root key cannot be deleted"},
      {{"delete", "HKEY_CURRENT_USER"}, "a root key cannot be deleted"},
      {{"delete", "HKLM\\"}, "a root key cannot be deleted"},
      {{"set", "HKCU\\" + std::string(256, 'k'), "n", "sz", "v"}, "limits"},
      {{"set", deep, "n", "sz", "v"}, "limits"},
      {{"set", "HKCU\\Software", std::string(16384, 'n'), "sz", "v"}, "limits"},
  };
  for (const auto& [args, message] : refusals) {
    Result r = Run(args);
    EXPECT_EQ(r.exit, 2) << args[0] << " " << args[1].substr(0, 40);
    EXPECT_NE(r.err.find(message), std::string::npos) << r.err.substr(0, 200);
  }
  EXPECT_EQ(Run({"export"}).out, before);
}

TEST_F(RegtoolTest, OnlyRegularFilesOfAtMost64MiBAreImported) {
  const std::string pipe = dir_.File("pipe.reg");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  const std::string large = dir_.File("large.reg");
  ASSERT_TRUE(test::WriteFile(large, "REGEDIT4\n"));
  ASSERT_EQ(truncate(large.c_str(), (64 << 20) + 1), 0);
  const struct {
    std::string file;
    const char* problem;
  } inputs[] = {
      {"/dev/zero", "not a regular file"},
      {dir_.path(), "not a regular file"},
      {pipe, "not a regular file"},
      {large, "larger than 67108864 bytes"},
      {dir_.File("missing.reg"), "no such file"},
  };
  for (const auto& [file, problem] : inputs) {
    Result r = Run({"import", file});
    EXPECT_EQ(r.exit, 2) << file;
    EXPECT_EQ(r.err, "regtool: cannot read " + file + ": " + problem + "\n");
  }
  EXPECT_NE(access(dir_.File("registry.db").c_str(), F_OK), 0) << "no store was made";
}

}  // namespace
