// The faults of the registry store that tests of whole runs ask for with SIGNUP_REGISTRY_FAULT:
//   kill:SET:POINT  the process is killed at the POINT-th write of the SET-th set of values
//                   written as one (both counted from 1 in the process);
//   full:SET        every write of that set and of the sets after it fails as on a full disk.
// A write is a file write or sync of the store on Linux (posix/registry_faults.cpp), a registry
// call of the set on Windows (win32/registry_sets.cpp). Without the variable, or with a value of
// another form, there are none.
#pragma once

namespace platform::regstore {

struct FaultPlan {
  enum Kind { kNone, kKill, kFull };
  Kind kind = kNone;
  long set = 0;
  long point = 0;

  // What the point-th write of the set-th set meets: kNone, it goes on; kKill, the caller kills
  // the process there; kFull, it fails as on a full disk.
  Kind At(long set, long point) const;
};

// The plan a value of the variable asks for (null: none).
FaultPlan ParseFaultPlan(const char* text);
// The plan of this process, read from SIGNUP_REGISTRY_FAULT when first asked for.
const FaultPlan& ProcessFaultPlan();

}  // namespace platform::regstore
