// The .reg text of the registry store, for regtool and its tests: reading REGEDIT4 files and the
// registry editor's "Windows Registry Editor Version 5.00" files into operations, carrying them
// out, and writing a store (or one key) as REGEDIT4 text that imports back to the same store.
//
// REGEDIT4 has no way to write a line break in a key or value name, so the export escapes what
// the grammar cannot hold, in a form the import reads back and a plain name never uses:
//   key names:   a control byte as %XX (two upper-case digits); a "%" that would read as such an
//                escape, or as %25, is written %25;
//   value names: inside the quotes, \\ and \" as in .reg files, and a control byte as \xXX;
//   strings:     quoted when they can be, else hex(1) with every byte (an inner zero included).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"
#include "platform/registry_store.h"

namespace regfile {

namespace rs = platform::regstore;

struct Operation {
  enum Kind { kCreateKey, kDeleteTree, kSetValue, kDeleteValue } kind = kCreateKey;
  std::string path;  // canonical key path
  rs::Value value;   // kSetValue: the value; kDeleteValue: its name
};

// Parses the bytes of a .reg file: REGEDIT4 in UTF-8, or "Windows Registry Editor Version 5.00"
// in UTF-16LE with a byte-order mark or in UTF-8 (there, hex(1), hex(2) and hex(7) data are
// UTF-16LE and are kept as UTF-8 like every string of the store). Names beyond the registry's
// limits and the deletion of a root key are refused. False with *error naming the line.
bool Parse(std::string_view bytes, std::vector<Operation>* ops, std::string* error);

// Carries the operations out in the store's open transaction; stops at the first error.
LONG Apply(rs::Store& store, const std::vector<Operation>& ops);

// The whole store as REGEDIT4 text (roots without values are left out), or with key (a canonical
// path) that key and its subtree; ERROR_FILE_NOT_FOUND when that key does not exist.
LONG Export(rs::Store& store, const std::string* key, std::string* text);

// The key path with the case the store keeps; empty when the key does not exist.
std::string StoredPath(rs::Store& store, const std::string& canonical);

// Hex lists as .reg files write them ("00,ff,10"); parsing also takes "00ff10" and blanks.
std::string HexBytes(std::string_view bytes);
bool ParseHexBytes(std::string_view text, std::string* out);
// Decimal or 0x-hexadecimal, up to 0xffffffff.
bool ParseDword(std::string_view text, uint32_t* out);
std::string DwordBytes(uint32_t v);
uint32_t DwordOf(std::string_view bytes);

}  // namespace regfile
