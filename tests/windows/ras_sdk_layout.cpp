// Where the Windows SDK's <ras.h> puts each member the program uses, for ras_layout_test.cpp: the
// SDK declares only the newest layouts, which begin with the first ones the program speaks.
// clang-format off
#include <windows.h>
#include <ras.h>
// clang-format on

#include <cstddef>
#include <map>
#include <string>

std::map<std::string, size_t> SdkRasOffsets() {
  std::map<std::string, size_t> offsets;
#define RAS_MEMBER(structure, member) offsets[#structure "." #member] = offsetof(structure, member);
#include "ras_members.inc"
#undef RAS_MEMBER
  return offsets;
}
