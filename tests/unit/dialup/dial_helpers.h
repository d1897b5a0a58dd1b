// Helpers of the dial-up unit tests: a library bound to a private simulated service, and a
// bounded dial loop.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dialup/RasLibrary.h"
#include "support/ras_fixture.h"

namespace dialtest {

// Polls the own connection until the dial finishes (or `maxPolls` polls), collecting each text.
inline std::vector<std::string> PollToEnd(RasLibrary& library, bool& connected, int maxPolls = 64) {
  std::vector<std::string> texts;
  connected = false;
  for (int i = 0; i < maxPolls; ++i) {
    std::string text;
    bool finished = library.GetStatusText(text, connected);
    texts.push_back(text);
    if (finished) break;
  }
  return texts;
}

// A simulated service with one modem and a loaded library.
class RasTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ras.AddModem("Modem A"));
    library = std::make_unique<RasLibrary>();
    ASSERT_TRUE(library->IsComplete()) << "the simulated library is " << ras.library_path();
  }
  // Makes entry `name` on Modem A and dials it.
  DWORD DialEntry(const std::string& name) {
    DWORD made = library->CreateEntry(name, "modem", "Modem A", RASNP_Ip, RASFP_Ppp, "123", "");
    if (made != 0) return made;
    RasLibrary::ResetDialError();
    return library->Dial(name, &RasLibrary::DialNotifier, "123", "user", "pass", "", "");
  }

  test::RasFixture ras;
  std::unique_ptr<RasLibrary> library;
};

}  // namespace dialtest
