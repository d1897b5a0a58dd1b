// The Windows build as people install it: the programs' version information, icon and manifest
// read back from the files, the MSI's tables and its signing; and under Wine the MSI installed
// silently with deployment properties, used by a signup over LAN and one over dial-up, upgraded
// by a newer one and removed again, the user's own settings left as they were.
#include <gtest/gtest.h>

#include <filesystem>

#include "res/deployment.h"
#include "support/flow_fixture.h"
#include "support/provider_fixture.h"
#include "wine_run.h"

namespace {

namespace fs = std::filesystem;

#define SKIP_WITHOUT(...)                                                                  \
  do {                                                                                     \
    if (const std::string why = wine::MissingTool({__VA_ARGS__}); !why.empty())            \
      GTEST_SKIP() << "Wine tests skipped: " << why;                                       \
    if (!fs::exists(Msi()))                                                                \
      GTEST_SKIP() << "Wine tests skipped: no " << Msi() << " (make windows-if-possible)"; \
  } while (0)

const fs::path kBuild = fs::path(wine::BinPath("signup.exe")).parent_path().parent_path();

std::string Msi() {
  return kBuild / ("signup-" SIGNUP_VERSION + std::string(wine::Win64() ? "-x64" : "") + ".msi");
}

std::string Shell(const std::string& command) {
  const test::ProgramResult r = test::RunProgram({"sh", "-c", command});
  EXPECT_EQ(r.exit, 0) << command << "\n" << r.err;
  return r.out;
}

// The value of a VERSIONINFO string, from the resource's UTF-16 turned into UTF-8.
std::string VersionString(const std::string& info, const std::string& key) {
  size_t at = info.find(key + '\0');
  if (at == std::string::npos) return "<none>";
  at = info.find_first_not_of('\0', at + key.size());
  return info.substr(at, info.find('\0', at) - at);
}

TEST(WinePackageTest, TheProgramsCarryTheirVersionIconAndManifest) {
  SKIP_WITHOUT("wrestool", "icotool", "iconv");
  const test::TempDir dir;
  for (const char* program : {"signup", "regtool"}) {
    const std::string exe = wine::BinPath(std::string(program) + ".exe");
    const std::string info =
        Shell("wrestool -x --raw -t 16 '" + exe + "' | iconv -c -f UTF-16LE -t UTF-8");
    EXPECT_EQ(VersionString(info, "FileVersion"), SIGNUP_VERSION) << program;
    EXPECT_EQ(VersionString(info, "ProductVersion"), SIGNUP_VERSION) << program;
    EXPECT_EQ(VersionString(info, "CompanyName"), "ORVEL") << program;
    EXPECT_EQ(VersionString(info, "ProductName"), "ORVEL Signup") << program;
    EXPECT_EQ(VersionString(info, "OriginalFilename"), std::string(program) + ".exe");
    const std::string manifest = Shell("wrestool -x --raw -t 24 '" + exe + "'");
    for (const char* part :
         {"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"", "<dpiAwareness",
          ">PerMonitorV2<", ">true</dpiAware>", "level=\"asInvoker\"",
          "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
      EXPECT_NE(manifest.find(part), std::string::npos) << program << ": " << part;
    EXPECT_EQ(manifest.find("activeCodePage"), std::string::npos) << "the program's own CP932";
  }
  EXPECT_EQ(VersionString(Shell("wrestool -x --raw -t 16 '" + wine::BinPath("signup.exe") +
                                "' | iconv -c -f UTF-16LE -t UTF-8"),
                          "FileDescription"),
            "ORVELサインアップ");
  Shell("wrestool -x -t 14 -n 128 -o '" + dir.File("icon.ico") + "' '" +
        wine::BinPath("signup.exe") + "'");
  EXPECT_EQ(Shell("icotool -l '" + dir.File("icon.ico") + "' | grep -o 'width=[0-9]*'"),
            "width=256\nwidth=48\nwidth=32\nwidth=16\n");
}

TEST(WinePackageTest, TheInstallerHoldsTheProgramsTheDeploymentValuesAndNoCode) {
  SKIP_WITHOUT("msiinfo", "msiextract", "osslsigncode", "openssl");
  auto table = [](const std::string& msi, const char* name) {
    return Shell("msiinfo export '" + msi + "' " + name);
  };
  const std::string properties = table(Msi(), "Property");
  for (const std::string row : {"ProductVersion\t" SIGNUP_VERSION "\r", "Manufacturer\tORVEL\r",
                                "ARPPRODUCTICON\tsignup.ico\r", "ProductName\tORVELサインアップ\r"})
    EXPECT_NE(properties.find(row), std::string::npos) << row << properties;
  const std::string registry = table(Msi(), "Registry");
  for (const res::DeploymentName& n : res::DeploymentNames()) {
    EXPECT_NE(registry.find(std::string("\t") + n.name + "\t[" + n.property + "]\t"),
              std::string::npos)
        << n.name << " set from its property\n"
        << registry;
    EXPECT_NE(properties.find(std::string(";") + n.property), std::string::npos) << "secure";
  }
  EXPECT_EQ(Shell("msiinfo export '" + Msi() + "' CustomAction | tail -n +4 | cut -f2 | sort -u"),
            "2099\n")
      << "the custom actions only set properties (type 51)";
  // Signed with a certificate made for this run: the installer and the programs inside it.
  const test::TempDir dir;
  Shell("cd '" + dir.path() + "' && openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem " +
        "-out cert.pem -subj /CN=Test -days 1 -addext extendedKeyUsage=codeSigning 2>/dev/null");
  Shell("SIGN_CERT='" + dir.File("cert.pem") + "' SIGN_KEY='" + dir.File("key.pem") + "' '" +
        SIGNUP_SOURCE_DIR "/scripts/make-msi.sh' '" + (kBuild / "release").string() + "' " +
        (wine::Win64() ? "x64" : "x86") + " " SIGNUP_VERSION " ORVEL '" + dir.File("s.msi") + "'");
  Shell("msiextract -C '" + dir.File("x") + "' '" + dir.File("s.msi") + "'");
  EXPECT_EQ(Shell("cd '" + dir.File("x") + "' && find . -type f -printf '%f\\n' | sort"),
            "regtool.exe\nsignup.exe\n")
      << "no simulated dial-up library, no tests";
  for (const std::string& file :
       {dir.File("s.msi"), Shell("find '" + dir.File("x") + "' -name signup.exe | tr -d '\\n'")})
    EXPECT_NE(Shell("osslsigncode verify -CAfile '" + dir.File("cert.pem") + "' -in '" + file + "'")
                  .find("Succeeded"),
              std::string::npos)
        << file;
}

// Where the installer put a file, or "" (Program Files, or Program Files (x86) for the 32-bit
// installer in a 64-bit prefix).
std::string Installed(const std::string& name) {
  for (const char* folder : {"Program Files", "Program Files (x86)"}) {
    const fs::path p = fs::path(SIGNUP_WINE_PREFIX) / "drive_c" / folder / "ORVEL Signup" / name;
    if (fs::exists(p)) return p;
  }
  return {};
}

bool HasShortcut() {
  for (const auto& e : fs::recursive_directory_iterator(fs::path(SIGNUP_WINE_PREFIX) / "drive_c"))
    if (e.path().filename() == "ORVELサインアップ.lnk") return true;
  return false;
}

TEST(WineInstallTest, TheMsiInstallsWithItsPropertiesUpgradesAndRemovesEverything) {
  SKIP_WITHOUT_WINE();
  SKIP_WITHOUT("msiinfo");
  test::ProviderFixture provider;
  ASSERT_TRUE(provider.ok()) << provider.error();
  wine::WineRun run;
  ASSERT_TRUE(run.AddModem("Wine Modem"));
  const char* view = wine::Win64() ? "/reg:64" : "/reg:32";
  auto uninstallEntries = [&] {
    const std::string all = run.Run("reg", {"query",
                                            "HKLM\\Software\\Microsoft\\Windows\\"
                                            "CurrentVersion\\Uninstall",
                                            "/s", view})
                                .out;
    return test::TranscriptLines(all, "    Publisher    REG_SZ    ORVEL").size();
  };
  ASSERT_EQ(run.Run("msiexec",
                    {"/i", wine::WindowsPath(Msi()), "SIGNUPSERVER=" + provider.HttpUrl(),
                     "PROFILESERVER=" + provider.HttpUrl(), "ACCESSNUMBER=0120-111-222", "/qn"})
                .exit,
            0);
  ASSERT_NE(Installed("signup.exe"), "");
  EXPECT_NE(Installed("regtool.exe"), "");
  EXPECT_TRUE(HasShortcut()) << "in the Start menu";
  EXPECT_EQ(uninstallEntries(), 1u) << "in Apps & features";

  // The installed program signs up at the servers the properties named (no Servers key), and
  // dials the number the third one named.
  run.SetProgram(Installed("signup.exe"));
  // Wine's own dial-up library is off: the build's simulated one stands in for the system's.
  run.SetEnv("SIGNUP_RASAPI32", wine::WindowsPath(wine::BinPath("rasapi32.dll")));
  const wine::FlowResult lan = run.Play(wine::NewSignup("<LAN接続>", false));
  ASSERT_EQ(lan.exitCode, 0) << lan.stderrText << lan.transcript;
  wine::ExpectStoredSignup(run);
  ASSERT_EQ(run.Regtool({"delete", "HKEY_CURRENT_USER\\Software\\Orvel\\Lumipass\\NetInfo"}).exit,
            0);
  const wine::FlowResult dial = run.Play(wine::NewSignup("Wine Modem", true));
  ASSERT_EQ(dial.exitCode, 0) << dial.stderrText << dial.transcript;
  EXPECT_NE(run.Rassim({"last-dial"}).out.find("T0120-111-222"), std::string::npos)
      << run.Rassim({"last-dial"}).out;
  const std::string settings = run.Regtool({"export", "HKEY_CURRENT_USER\\Software\\Orvel"}).out;

  // A newer installer replaces this one and keeps the values the first was given.
  const test::TempDir dir;
  const std::string newer = dir.File("newer.msi");
  ASSERT_EQ(
      test::RunProgram({SIGNUP_SOURCE_DIR "/scripts/make-msi.sh", (kBuild / "release").string(),
                        wine::Win64() ? "x64" : "x86", "99.0.0", "ORVEL", newer})
          .exit,
      0);
  ASSERT_EQ(run.Run("msiexec", {"/i", wine::WindowsPath(newer), "/qn"}).exit, 0);
  EXPECT_EQ(uninstallEntries(), 1u) << "upgraded in place";
  const std::string deployment = run.Run(Installed("regtool.exe"), {"deployment"}).out;
  EXPECT_NE(
      deployment.find("AccessNumber=0120-111-222\t(HKEY_LOCAL_MACHINE\\Software\\Orvel\\Signup)"),
      std::string::npos)
      << deployment;

  ASSERT_EQ(run.Run("msiexec", {"/x", wine::WindowsPath(newer), "/qn"}).exit, 0);
  EXPECT_EQ(Installed("signup.exe"), "");
  EXPECT_EQ(Installed("regtool.exe"), "");
  EXPECT_EQ(Installed(""), "") << "the folder goes too";
  EXPECT_FALSE(HasShortcut());
  EXPECT_EQ(uninstallEntries(), 0u);
  EXPECT_NE(run.Run("reg", {"query", "HKLM\\Software\\Orvel\\Signup", view}).exit, 0)
      << "the machine's key is gone";
  EXPECT_EQ(run.Regtool({"export", "HKEY_CURRENT_USER\\Software\\Orvel"}).out, settings)
      << "the user's own settings stay as they were";
}

}  // namespace
