// The settings record's construction: everything starts empty or 0, and the record notes once
// whether the dial-up library can be loaded at all.
#include "app/SignSettings.h"
#include "platform/library.h"

CSignSettings::CSignSettings() {
  // Only the presence of the library is of interest here: nothing is resolved, and the library
  // is released at once.
  HMODULE library = LoadLibraryA("rasapi32.dll");
  if (library != nullptr) {
    statusFlags |= kStatusDialupAvailable;
    FreeLibrary(library);
  }
}

CSignSettings::~CSignSettings() = default;
