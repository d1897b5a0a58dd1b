// The dial-up structures the program declares itself (the first Windows layouts, whose sizes the
// dwSize protocol names) against the Windows SDK: every member sits where the SDK's newer layout
// of the same structure has it, so the system's library reads them right.
#include <gtest/gtest.h>

#include <cstddef>
#include <map>
#include <string>

#include "platform/ras.h"

std::map<std::string, size_t> SdkRasOffsets();

namespace {

TEST(Win32RasLayout, EveryMemberSitsWhereTheSdkPutsIt) {
  std::map<std::string, size_t> ours;
#define RAS_MEMBER(structure, member) ours[#structure "." #member] = offsetof(structure, member);
#include "ras_members.inc"
#undef RAS_MEMBER
  const std::map<std::string, size_t> sdk = SdkRasOffsets();
  ASSERT_EQ(ours.size(), sdk.size());
  for (const auto& [member, offset] : ours) EXPECT_EQ(offset, sdk.at(member)) << member;
}

}  // namespace
