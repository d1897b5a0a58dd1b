// Fuzz target for regtool import's reading of .reg files (REGEDIT4 and the registry editor's
// version 5, UTF-8 or UTF-16LE): whatever the bytes, the operations it accepts stay within the
// registry's limits and never delete a root key. Aborts when one does.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "regfile.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  namespace rs = platform::regstore;
  std::vector<regfile::Operation> ops;
  std::string error;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  if (!regfile::Parse(bytes, &ops, &error)) {
    Require(!error.empty());
    return 0;
  }
  for (const regfile::Operation& op : ops) {
    std::string canonical;
    Require(rs::CanonicalKeyPath(op.path, &canonical) && canonical.size() == op.path.size());
    switch (op.kind) {
      case regfile::Operation::kDeleteTree:
        Require(!rs::IsRoot(op.path));
        break;
      case regfile::Operation::kCreateKey:
        Require(rs::CheckKeyPath(op.path) == ERROR_SUCCESS);
        break;
      case regfile::Operation::kSetValue:
      case regfile::Operation::kDeleteValue:
        Require(rs::CheckValueName(op.value.name) == ERROR_SUCCESS);
        break;
    }
  }
  return 0;
}
