// Tests of the system services: the single-instance mutex, sockets start-up and name
// resolution, user name, version, and the program's path.
#include "platform/system.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "support/test_support.h"

namespace {

const char kMutexName[] = "PARLANZA_SIGNUP_RUNNING";

class NamedMutexTest : public ::testing::Test {
 protected:
  test::TempDir dir_;
  test::ScopedEnv env_{"XDG_RUNTIME_DIR", dir_.path()};
};

TEST_F(NamedMutexTest, AnotherProcessHoldingTheNameIsReported) {
  int ready[2];
  int release[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(release), 0);
  pid_t pid = fork();
  if (pid == 0) {
    HANDLE h = CreateMutexA(nullptr, TRUE, kMutexName);
    char c = (h != nullptr && GetLastError() == ERROR_SUCCESS) ? 'y' : 'n';
    if (write(ready[1], &c, 1) != 1) _exit(2);
    if (read(release[0], &c, 1) != 1) _exit(2);
    _exit(0);  // the lock goes with the process, without CloseHandle
  }
  char c = 0;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  ASSERT_EQ(c, 'y') << "the child could not create the mutex";

  SetLastError(0);
  HANDLE second = CreateMutexA(nullptr, FALSE, kMutexName);
  EXPECT_NE(second, nullptr) << "Windows gives a handle to the existing mutex";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_TRUE(CloseHandle(second));

  ASSERT_EQ(write(release[1], "x", 1), 1);
  int status = 0;
  waitpid(pid, &status, 0);
  SetLastError(ERROR_ALREADY_EXISTS);
  HANDLE third = CreateMutexA(nullptr, FALSE, kMutexName);
  ASSERT_NE(third, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS)) << "free again after the child";
  CloseHandle(third);
  for (int fd : {ready[0], ready[1], release[0], release[1]}) close(fd);
}

TEST_F(NamedMutexTest, HandlesInOneProcessSeeEachOtherUntilClosed) {
  HANDLE first = CreateMutexA(nullptr, TRUE, kMutexName);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  HANDLE second = CreateMutexA(nullptr, TRUE, kMutexName);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_FALSE(ReleaseMutex(second)) << "opening an existing mutex does not take ownership";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_OWNER));
  EXPECT_TRUE(ReleaseMutex(first));
  EXPECT_TRUE(CloseHandle(second));

  HANDLE other = CreateMutexA(nullptr, FALSE, "Global\\Other/Name");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS)) << "names are independent";
  EXPECT_TRUE(CloseHandle(other));

  EXPECT_TRUE(CloseHandle(first));
  EXPECT_FALSE(CloseHandle(first));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  HANDLE again = CreateMutexA(nullptr, FALSE, kMutexName);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  CloseHandle(again);
}

TEST_F(NamedMutexTest, ALockFileThatCannotBeUsedHandsOverToThePrivateFolder) {
  for (const std::string what : {"folder", "link", "no runtime folder"}) {
    const std::string name = "HardeningTest " + what;
    const std::string runtime = what == "no runtime folder" ? dir_.File("gone") : dir_.path();
    const std::string lock = runtime + "/" + name + ".lock";
    test::ScopedEnv env("XDG_RUNTIME_DIR", runtime);
    ASSERT_TRUE((what != "folder" || mkdir(lock.c_str(), 0700) == 0) &&
                (what != "link" || symlink(lock.c_str(), lock.c_str()) == 0));
    HANDLE first = CreateMutexA(nullptr, FALSE, name.c_str());
    ASSERT_NE(first, nullptr) << what << ": the check is still made";
    HANDLE second = CreateMutexA(nullptr, FALSE, name.c_str());
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS)) << what;
    CloseHandle(second);
    CloseHandle(first);
  }
}

TEST(SocketsTest, StartUpReportsVersionOnePointOne) {
  WSADATA data;
  ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &data), 0);
  EXPECT_EQ(data.wVersion, 0x0101);
  EXPECT_EQ(data.wHighVersion, 0x0202);
  EXPECT_EQ(WSACleanup(), 0);
  EXPECT_EQ(WSACleanup(), SOCKET_ERROR) << "one cleanup per start-up";
  EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
  EXPECT_EQ(WSAStartup(MAKEWORD(1, 0), &data), WSAVERNOTSUPPORTED);
}

TEST(SocketsTest, DottedAddressesParseAndNamesDoNot) {
  EXPECT_EQ(platform::InetAddr("10.1.2.3"), static_cast<unsigned long>(htonl(0x0A010203)));
  EXPECT_EQ(platform::InetAddr("proxy.example"), static_cast<unsigned long>(INADDR_NONE));
  EXPECT_EQ(platform::InetAddr(""), static_cast<unsigned long>(INADDR_NONE));
  EXPECT_EQ(platform::InetAddr("10.1.2.3:8080"), static_cast<unsigned long>(INADDR_NONE));
  EXPECT_EQ(platform::InetAddr(nullptr), static_cast<unsigned long>(INADDR_NONE));
}

TEST(SocketsTest, HostNamesResolveToIpv4) {
  hostent* local = platform::GetHostByName("localhost");
  ASSERT_NE(local, nullptr);
  EXPECT_EQ(local->h_addrtype, AF_INET);
  EXPECT_EQ(local->h_length, 4);
  ASSERT_NE(local->h_addr_list[0], nullptr);

  hostent* dotted = platform::GetHostByName("127.0.0.1");
  ASSERT_NE(dotted, nullptr);
  in_addr a;
  std::memcpy(&a, dotted->h_addr_list[0], sizeof a);
  EXPECT_EQ(a.s_addr, htonl(INADDR_LOOPBACK));
  EXPECT_EQ(dotted->h_addr_list[1], nullptr);
  EXPECT_EQ(platform::GetHostByName(""), nullptr);
}

TEST(SystemInfoTest, UserNameFollowsTheWindowsSizeContract) {
  passwd* pw = getpwuid(geteuid());
  ASSERT_NE(pw, nullptr);
  std::string expected = pw->pw_name;

  char one[1];
  DWORD size = sizeof one;
  EXPECT_FALSE(GetUserNameA(one, &size));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(size, expected.size() + 1) << "the needed size counts the zero";

  char buffer[64];
  size = sizeof buffer;
  ASSERT_TRUE(GetUserNameA(buffer, &size));
  EXPECT_EQ(std::string(buffer), expected);
  EXPECT_EQ(size, expected.size() + 1);
}

TEST(SystemInfoTest, VersionIsAnNtSystemAndNeedsTheRightSize) {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  ASSERT_TRUE(GetVersionExA(&info));
  EXPECT_EQ(info.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
  EXPECT_EQ(info.dwMajorVersion, 5u);
  info.dwOSVersionInfoSize = 0;
  EXPECT_FALSE(GetVersionExA(&info));
}

TEST(SystemInfoTest, TickCountNeverGoesBack) {
  DWORD previous = GetTickCount();
  for (int i = 0; i < 1000; ++i) {
    DWORD now = GetTickCount();
    // Going back would show as a difference near 2^32.
    ASSERT_LT(static_cast<DWORD>(now - previous), 60000u);
    previous = now;
  }
}

TEST(SystemInfoTest, ModuleFileNameIsThisExecutable) {
  char path[4096];
  ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  ASSERT_GT(n, 0);
  path[n] = '\0';
  char buffer[4096];
  EXPECT_EQ(GetModuleFileNameA(nullptr, buffer, sizeof buffer), static_cast<DWORD>(n));
  EXPECT_STREQ(buffer, path);

  char shortBuffer[8];
  EXPECT_EQ(GetModuleFileNameA(nullptr, shortBuffer, sizeof shortBuffer), 8u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(std::string(shortBuffer), std::string(path, 7)) << "truncated and terminated";
}

}  // namespace
