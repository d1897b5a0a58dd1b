// make install into a private staging tree: the program runs from its link on the PATH and finds
// its dial-up library, the desktop entry passes desktop-file-validate, the icon and the manual
// pages are in place, the provider's deployment file too (a conffile); the Debian package declares
// what it depends on, libcurl and OpenSSL among them although the program loads those only when it
// first needs them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/child_process.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;

const std::string kBuildDir = fs::path(SIGNUP_BIN_DIR).parent_path().string();

class InstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::ChildOptions options;
    options.env["DESTDIR"] = stage.path();
    const test::ProgramResult r =
        test::RunProgram({"cmake", "--install", kBuildDir, "--prefix", "/usr"}, options);
    ASSERT_EQ(r.exit, 0) << r.out << r.err;
  }
  std::string Staged(const std::string& path) const { return stage.path() + path; }

  test::TempDir stage;
};

TEST_F(InstallTest, PutsTheProgramItsLibraryToolsIconAndManualPagesInPlace) {
  for (const char* path :
       {"/usr/bin/regtool", "/usr/lib/signup/signup", "/usr/lib/signup/rasapi32.so",
        "/usr/share/applications/signup.desktop", "/usr/share/icons/hicolor/16x16/apps/signup.png",
        "/usr/share/icons/hicolor/32x32/apps/signup.png",
        "/usr/share/icons/hicolor/48x48/apps/signup.png",
        "/usr/share/icons/hicolor/256x256/apps/signup.png", "/usr/share/man/man1/signup.1",
        "/usr/share/man/man1/regtool.1", "/usr/share/man/ja/man1/signup.1",
        "/etc/signup/deployment.conf"}) {
    EXPECT_TRUE(fs::is_regular_file(Staged(path))) << path << " is installed";
  }
  const fs::path link = Staged("/usr/bin/signup");
  ASSERT_TRUE(fs::is_symlink(link)) << "signup on the PATH is a link";
  EXPECT_EQ(fs::read_symlink(link), "../lib/signup/signup") << "relative, so any DESTDIR works";
  EXPECT_EQ(fs::canonical(link), fs::canonical(Staged("/usr/lib/signup/signup")));
  EXPECT_EQ(access(link.c_str(), X_OK), 0) << "the program can be run";
}

TEST_F(InstallTest, TheDesktopEntryIsValidAndNamesTheProgramInJapanese) {
  const std::string entry = Staged("/usr/share/applications/signup.desktop");
  const test::ProgramResult r = test::RunProgram({"desktop-file-validate", entry});
  EXPECT_EQ(r.exit, 0) << "desktop-file-validate: " << r.out << r.err;
  EXPECT_EQ(r.out + r.err, "") << "no warnings either";
  const std::string text = test::ReadFile(entry);
  EXPECT_NE(text.find("Name[ja]=ORVELサインアップ\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Exec=signup\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Icon=signup\n"), std::string::npos) << "the hicolor icon's name";
}

// The staged program finds the dial-up library beside it through the link, as installed.
TEST_F(InstallTest, TheInstalledProgramLoadsTheDialUpLibraryBesideIt) {
  test::TempDir home;
  const std::string scenario = home.File("start.scn");
  ASSERT_TRUE(
      test::WriteFile(scenario, "wait page 0\nexpect text 1089 \"Modem A\"\nclick 2\nwait end\n"));
  test::ChildOptions options;
  options.env["SIGNUP_SCENARIO"] = scenario;
  options.env["SIGNUP_REGISTRY"] = home.File("registry.db");
  options.env["SIGNUP_RASAPI32"] = std::nullopt;
  options.env["RASSIM_DIR"] = home.path();
  options.env["XDG_RUNTIME_DIR"] = home.path();
  // A modem of the private simulated service shows in the start page's list only when the
  // program found the library.
  const test::ProgramResult modem = test::RunProgram(
      {std::string(SIGNUP_BIN_DIR) + "/rassim", "add-device", "Modem A", "modem"}, options);
  ASSERT_EQ(modem.exit, 0) << modem.err;
  const test::ProgramResult r = test::RunProgram({Staged("/usr/bin/signup")}, options);
  EXPECT_EQ(r.exit, 0) << r.out << r.err;
}

// libcurl and OpenSSL are loaded by the first request, not before main: the start page makes
// none. The package still declares them (below), as the linker no longer records them.
TEST(PackageTest, TheProgramDoesNotLoadLibcurlOrOpenSSLAtStartUp) {
  const test::ProgramResult r = test::RunProgram({"ldd", std::string(SIGNUP_BIN_DIR) + "/signup"});
  ASSERT_EQ(r.exit, 0) << r.err;
  ASSERT_NE(r.out.find("libgtk-3.so.0"), std::string::npos) << r.out;
  for (const char* soname : {"libcurl", "libssl.so", "libcrypto.so"})
    EXPECT_EQ(r.out.find(soname), std::string::npos) << soname << " in\n" << r.out;
}

TEST(PackageTest, TheDebianPackageDeclaresItsDependencies) {
  test::TempDir out;
  const test::ProgramResult made = test::RunProgram(
      {"cpack", "-G", "DEB", "--config", kBuildDir + "/CPackConfig.cmake", "-B", out.path()});
  ASSERT_EQ(made.exit, 0) << made.out << made.err;
  std::string deb;
  for (const auto& e : fs::directory_iterator(out.path()))
    if (e.path().extension() == ".deb") deb = e.path().string();
  ASSERT_FALSE(deb.empty()) << made.out;
  const test::ProgramResult depends = test::RunProgram({"dpkg-deb", "-f", deb, "Depends"});
  ASSERT_EQ(depends.exit, 0) << depends.err;
  for (const char* package :
       {"libgtk-3-0", "libcurl4", "libsqlite3-0", "libssl3", "fonts-ipafont-gothic"})
    EXPECT_NE(depends.out.find(package), std::string::npos) << package << " in " << depends.out;
  const test::ProgramResult files = test::RunProgram({"dpkg-deb", "-c", deb});
  EXPECT_NE(files.out.find("./usr/lib/signup/rasapi32.so"), std::string::npos) << files.out;
  EXPECT_NE(files.out.find("./usr/bin/signup -> ../lib/signup/signup"), std::string::npos);
  const test::ProgramResult conffiles = test::RunProgram({"dpkg-deb", "-I", deb, "conffiles"});
  EXPECT_EQ(conffiles.out, "/etc/signup/deployment.conf\n") << "an edited file survives upgrades";
}

}  // namespace
