// The Windows build as people install it: the programs' resources read back from the files, the
// MSI's tables and signing, and under Wine the MSI installed with deployment properties, used by
// signups over LAN and dial-up, upgraded by a newer one and removed, the user's settings kept.
#include <gtest/gtest.h>

#include <filesystem>

#include "res/deployment.h"
#include "support/flow_fixture.h"
#include "support/provider_fixture.h"
#include "wine_run.h"

namespace {

namespace fs = std::filesystem;

const fs::path kBuild = fs::path(wine::BinPath("signup.exe")).parent_path().parent_path();
const std::string kMsi =
    kBuild / ("signup-" SIGNUP_VERSION + std::string(wine::Win64() ? "-x64" : "") + ".msi");

#define SKIP_WITHOUT(...)                                                       \
  if (const std::string why = wine::MissingTool({__VA_ARGS__}); !why.empty()) { \
    GTEST_SKIP() << "Wine tests skipped: " << why;                              \
  } else if (!fs::exists(kMsi)) {                                               \
    GTEST_SKIP() << "Wine tests skipped: no " << kMsi << " (make msi)";         \
  }

std::string Shell(const std::string& command) {
  const test::ProgramResult r = test::RunProgram({"sh", "-c", command});
  EXPECT_EQ(r.exit, 0) << command << "\n" << r.err;
  return r.out;
}

TEST(WinePackageTest, TheProgramsCarryTheirVersionIconAndManifest) {
  SKIP_WITHOUT("wrestool", "icotool", "iconv");
  for (const std::string program : {"signup", "regtool"}) {
    const std::string exe = wine::BinPath(program + ".exe");
    std::string info = Shell("wrestool -x --raw -t 16 " + exe + " | iconv -c -f UTF-16LE -t UTF-8");
    std::erase(info, '\0');
    for (const std::string value :
         {"FileVersion" SIGNUP_VERSION, "ProductVersion" SIGNUP_VERSION, "CompanyNameORVEL",
          "ProductNameORVEL Signup", "LegalCopyrightCopyright (C) 2024 ORVEL"})
      EXPECT_NE(info.find(value), std::string::npos) << program << ": " << value;
    EXPECT_NE(info.find("OriginalFilename" + program + ".exe"), std::string::npos) << program;
    const std::string manifest = Shell("wrestool -x --raw -t 24 " + exe);
    for (const char* part :
         {"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"", ">PerMonitorV2</dpiAwareness>",
          ">true</dpiAware>", "level=\"asInvoker\"", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
          "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
      EXPECT_NE(manifest.find(part), std::string::npos) << program << ": " << part;
    EXPECT_EQ(manifest.find("activeCodePage"), std::string::npos) << "the program's own CP932";
    EXPECT_NE(info.find(program == "signup" ? "FileDescriptionORVELサインアップ"
                                            : "FileDescriptionORVELサインアップ 設定ツール"),
              std::string::npos)
        << info;
  }
  const test::TempDir dir;
  EXPECT_EQ(
      Shell("wrestool -x -t 14 -n 128 -o " + dir.File("i.ico") + " " + wine::BinPath("signup.exe") +
            " && icotool -l " + dir.File("i.ico") + " | grep -o 'width=[0-9]*'"),
      "width=256\nwidth=48\nwidth=32\nwidth=16\n");
}

TEST(WinePackageTest, TheInstallerSetsEveryDeploymentValueRunsNoCodeAndCanBeSigned) {
  SKIP_WITHOUT("msiinfo", "msiextract", "osslsigncode", "openssl");
  const std::string properties = Shell("msiinfo export " + kMsi + " Property");
  const std::string registry = Shell("msiinfo export " + kMsi + " Registry");
  for (const res::DeploymentName& n : res::DeploymentNames()) {
    EXPECT_NE(registry.find(std::string("\t") + n.name + "\t[" + n.property + "]\t"),
              std::string::npos)
        << n.name;
    EXPECT_NE(properties.find(std::string(";") + n.property), std::string::npos) << "secure";
  }
  EXPECT_NE(properties.find("ARPPRODUCTICON\tsignup.ico"), std::string::npos) << properties;
  EXPECT_EQ(Shell("msiinfo export " + kMsi + " CustomAction | tail -n +4 | cut -f2 | sort -u"),
            "2099\n")
      << "only actions that set a property (type 51)";
  // Signed with a certificate made for this run: the installer and the programs in it.
  const test::TempDir dir;
  const std::string d = dir.path() + "/";
  Shell("openssl req -x509 -newkey rsa:2048 -nodes -keyout " + d + "key.pem -out " + d +
        "cert.pem -subj /CN=Test -days 1 -addext extendedKeyUsage=codeSigning 2>/dev/null");
  Shell("SIGN_CERT=" + d + "cert.pem SIGN_KEY=" + d +
        "key.pem " SIGNUP_SOURCE_DIR "/scripts/make-msi.sh " + (kBuild / "release").string() +
        (wine::Win64() ? " x64" : " x86") + " " SIGNUP_VERSION " ORVEL " + d +
        "s.msi && msiextract -C " + d + "x " + d + "s.msi");
  EXPECT_EQ(Shell("find " + d + "x -type f -printf '%f\\n' | sort"), "regtool.exe\nsignup.exe\n")
      << "no simulated dial-up library, no tests";
  EXPECT_EQ(Shell("for f in " + d + "s.msi " + d + "x/*/*/*.exe; do osslsigncode verify -CAfile " +
                  d + "cert.pem -in \"$f\" | grep -c Succeeded; done"),
            "1\n1\n1\n");
}

// Where the installer put a file (Program Files (x86) for the 32-bit one in a 64-bit prefix).
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
  auto entries = [&] {
    const std::string key = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    const std::string all = run.Run("reg", {"query", key, "/s", view}).out;
    return test::TranscriptLines(all, "    Publisher    REG_SZ    ORVEL").size();
  };
  const std::string url = provider.HttpUrl();
  ASSERT_EQ(run.Run("msiexec", {"/i", wine::WindowsPath(kMsi), "SIGNUPSERVER=" + url,
                                "PROFILESERVER=" + url, "ACCESSNUMBER=0120-111-222", "/qn"})
                .exit,
            0);
  ASSERT_NE(Installed("signup.exe"), "");
  EXPECT_NE(Installed("regtool.exe"), "");
  EXPECT_TRUE(HasShortcut()) << "in the Start menu";
  EXPECT_EQ(entries(), 1u) << "in Apps & features";

  // The installed program signs up at the servers the properties named (there is no Servers
  // key), and dials the number the third one named. The build's simulated dial-up library stands
  // in for the system's.
  run.SetProgram(Installed("signup.exe"));
  run.SetEnv("SIGNUP_RASAPI32", wine::WindowsPath(wine::BinPath("rasapi32.dll")));
  const wine::FlowResult lan = run.Play(wine::NewSignup("<LAN接続>", false));
  ASSERT_EQ(lan.exitCode, 0) << lan.stderrText << lan.transcript;
  wine::ExpectStoredSignup(run);
  ASSERT_EQ(run.Regtool({"delete", "HKEY_CURRENT_USER\\Software\\Orvel\\Lumipass\\NetInfo"}).exit,
            0);
  const wine::FlowResult dial = run.Play(wine::NewSignup("Wine Modem", true));
  ASSERT_EQ(dial.exitCode, 0) << dial.stderrText << dial.transcript;
  EXPECT_NE(run.Rassim({"last-dial"}).out.find("\tT0120-111-222"), std::string::npos);
  const std::string settings = run.Regtool({"export", "HKEY_CURRENT_USER\\Software\\Orvel"}).out;

  // A newer installer replaces this one and keeps the values the first was given.
  const test::TempDir dir;
  const std::string newer = dir.File("newer.msi");
  ASSERT_EQ(test::RunProgram({SIGNUP_SOURCE_DIR "/scripts/make-msi.sh", kBuild / "release",
                              wine::Win64() ? "x64" : "x86", "99.0.0", "ORVEL", newer})
                .exit,
            0);
  ASSERT_EQ(run.Run("msiexec", {"/i", wine::WindowsPath(newer), "/qn"}).exit, 0);
  EXPECT_EQ(entries(), 1u) << "upgraded in place";
  const std::string used = run.Run(Installed("regtool.exe"), {"deployment"}).out;
  EXPECT_NE(used.find("AccessNumber=0120-111-222\t(HKEY_LOCAL_MACHINE\\Software\\Orvel\\Signup)"),
            std::string::npos)
      << used;
  EXPECT_NE(used.find("SignupDialUser=pcsignup\t(built in)"), std::string::npos)
      << "an empty value the installer wrote is none";

  ASSERT_EQ(run.Run("msiexec", {"/x", wine::WindowsPath(newer), "/qn"}).exit, 0);
  EXPECT_EQ(Installed(""), "") << "every file and the folder are gone";
  EXPECT_FALSE(HasShortcut());
  EXPECT_EQ(entries(), 0u);
  EXPECT_NE(run.Run("reg", {"query", "HKLM\\Software\\Orvel\\Signup", view}).exit, 0);
  EXPECT_EQ(run.Regtool({"export", "HKEY_CURRENT_USER\\Software\\Orvel"}).out, settings)
      << "the user's own settings stay as they were";
}

}  // namespace
