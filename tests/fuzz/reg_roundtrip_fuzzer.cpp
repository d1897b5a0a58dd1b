// Fuzz target for the settings' own backup: the bytes describe a store (keys, value names, types
// and data of any bytes), which is exported, imported into an empty store and exported again.
// Aborts unless the two exports are byte for byte the same.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "regfile.h"

namespace {

namespace rs = platform::regstore;

void Require(bool condition) {
  if (!condition) std::abort();
}

// The two stores, kept open across inputs in files of this process's own.
struct Stores {
  std::unique_ptr<rs::Store> original, copy;
};

std::unique_ptr<rs::Store> OpenStore(const std::string& path) {
  setenv("SIGNUP_REGISTRY", path.c_str(), 1);
  unlink(path.c_str());
  std::unique_ptr<rs::Store> store;
  Require(rs::Store::Open(true, &store) == ERROR_SUCCESS);
  return store;
}

Stores& TheStores() {
  static Stores* stores = [] {
    const char* tmp = std::getenv("TMPDIR");
    const std::string base =
        std::string(tmp && *tmp ? tmp : "/tmp") + "/reg_roundtrip_" + std::to_string(getpid());
    auto* s = new Stores;
    s->original = OpenStore(base + "-original.db");
    s->copy = OpenStore(base + "-copy.db");
    return s;
  }();
  return *stores;
}

std::string Name(FuzzedDataProvider& in, bool key) {
  std::string name = in.ConsumeBool() ? in.ConsumeRandomLengthString(24)
                                      : std::string(in.ConsumeIntegralInRange<size_t>(1, 300),
                                                    static_cast<char>(in.ConsumeIntegral<char>()));
  if (key) std::erase(name, '\\');
  return name;
}

void Fill(FuzzedDataProvider& in, rs::Store& store) {
  std::vector<std::string> keys = rs::Roots();
  while (in.remaining_bytes() > 0 && keys.size() < 64) {
    const std::string& parent = keys[in.ConsumeIntegralInRange<size_t>(0, keys.size() - 1)];
    if (in.ConsumeBool()) {
      const std::string path = parent + "\\" + Name(in, true);
      bool created = false;
      if (path.back() != '\\' && rs::CheckKeyPath(path) == ERROR_SUCCESS) {
        Require(store.CreateKey(path, &created) == ERROR_SUCCESS);
        keys.push_back(path);
      }
    } else {
      static const DWORD kTypes[] = {REG_SZ, REG_EXPAND_SZ, REG_DWORD, REG_BINARY, REG_MULTI_SZ};
      rs::Value value;
      value.name = Name(in, false);
      value.type = in.ConsumeBool() ? in.PickValueInArray(kTypes) : in.ConsumeIntegral<uint32_t>();
      value.data = in.ConsumeRandomLengthString(64);
      if (rs::CheckValueName(value.name) == ERROR_SUCCESS)
        Require(store.SetValue(parent, value) == ERROR_SUCCESS);
    }
  }
}

std::string ExportOf(rs::Store& store) {
  std::string text;
  Require(regfile::Export(store, nullptr, &text) == ERROR_SUCCESS);
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Stores& stores = TheStores();
  FuzzedDataProvider in(data, size);
  // Each input works in a transaction that is rolled back, so both stores start empty.
  Require(stores.original->Begin(true) == ERROR_SUCCESS);
  Fill(in, *stores.original);
  const std::string first = ExportOf(*stores.original);
  stores.original->Rollback();

  std::vector<regfile::Operation> ops;
  std::string error;
  Require(regfile::Parse(first, &ops, &error));
  Require(stores.copy->Begin(true) == ERROR_SUCCESS);
  Require(regfile::Apply(*stores.copy, ops) == ERROR_SUCCESS);
  Require(ExportOf(*stores.copy) == first);
  stores.copy->Rollback();
  return 0;
}
