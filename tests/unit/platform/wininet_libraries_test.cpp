// Tests of loading libcurl and OpenSSL at the first WinInet call: a missing or incomplete library
// fails the call with its error, and the first calls from several threads at once share one load.
#include "platform/posix/wininet_libraries.h"

#include <gtest/gtest.h>

#include <barrier>
#include <string>
#include <thread>
#include <vector>

#include "platform/wininet.h"

namespace {

using platform::wininet::kNetLibrarySonames;
using platform::wininet::ScopedNetLibraries;
using Names = std::array<std::string, platform::wininet::kNetLibraryCount>;

const char kAgent[] = "LibraryTest";

// The system's sonames with one of them replaced.
Names SystemWith(platform::wininet::NetLibrary which, const char* name) {
  Names names = {kNetLibrarySonames[0], kNetLibrarySonames[1], kNetLibrarySonames[2]};
  names[which] = name;
  return names;
}

TEST(WininetLibrariesTest, AMissingOrIncompleteLibraryFailsTheFirstCallWithItsError) {
  using platform::wininet::kCrypto;
  using platform::wininet::kCurl;
  using platform::wininet::kSsl;
  const struct {
    const char* what;
    Names names;
    DWORD error;
  } cases[] = {
      {"no libcurl", SystemWith(kCurl, "libsignup-absent-curl.so.4"), ERROR_MOD_NOT_FOUND},
      {"no libssl", SystemWith(kSsl, "libsignup-absent-ssl.so.3"), ERROR_MOD_NOT_FOUND},
      {"no libcrypto", SystemWith(kCrypto, "libsignup-absent-crypto.so.3"), ERROR_MOD_NOT_FOUND},
      {"a libcurl without libcurl's functions", SystemWith(kCurl, "libc.so.6"),
       ERROR_PROC_NOT_FOUND},
      {"libssl and libcrypto swapped",
       {kNetLibrarySonames[kCurl], kNetLibrarySonames[kCrypto], kNetLibrarySonames[kSsl]},
       ERROR_PROC_NOT_FOUND},
      {"libcurl on another TLS library", SystemWith(kCurl, "libcurl-gnutls.so.4"),
       ERROR_PROC_NOT_FOUND},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    {
      ScopedNetLibraries chosen(c.names);
      SetLastError(0);
      EXPECT_EQ(InternetOpenA(kAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0), nullptr);
      EXPECT_EQ(GetLastError(), c.error);
      // Calls that need neither library still answer.
      DWORD flags = 0;
      EXPECT_TRUE(InternetGetConnectedState(&flags, 0));
    }
    HINTERNET session = InternetOpenA(kAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    EXPECT_NE(session, nullptr) << "the system's libraries serve the calls again";
    if (session != nullptr) InternetCloseHandle(session);
  }
}

// Run as a process of its own (as ctest does), this is the process's first WinInet call.
TEST(WininetLibrariesTest, FirstCallsFromSeveralThreadsAllGetASession) {
  constexpr int kThreads = 8;
  std::barrier start(kThreads);
  std::vector<HINTERNET> sessions(kThreads);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i)
    threads.emplace_back([&, i] {
      start.arrive_and_wait();
      sessions[i] = InternetOpenA(kAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    });
  for (auto& t : threads) t.join();
  for (HINTERNET session : sessions) {
    EXPECT_NE(session, nullptr);
    if (session != nullptr) InternetCloseHandle(session);
  }
  EXPECT_EQ(platform::wininet::Net().error(), static_cast<DWORD>(ERROR_SUCCESS));
}

}  // namespace
