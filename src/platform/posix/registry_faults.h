// Faults of the registry store for tests of whole runs, asked for by SIGNUP_REGISTRY_FAULT:
//   kill:SET:POINT  the process is killed (SIGKILL) at the POINT-th file write or sync of the
//                   SET-th set of values written as one (both counted from 1 in the process);
//   full:SET        every file write of that set and of the sets after it fails as on a full disk.
// Without the variable (or with a value of another form) the store uses SQLite's own files.
#pragma once

namespace platform::regstore {

// The name of the SQLite VFS the store opens its files through: the fault shim when a fault is
// asked for, else null (SQLite's default).
const char* FaultVfs();

// Marks the file writes made while it lives as those of one set of values written as one.
class ValueSetScope {
 public:
  ValueSetScope();
  ~ValueSetScope();
  ValueSetScope(const ValueSetScope&) = delete;
  ValueSetScope& operator=(const ValueSetScope&) = delete;
};

}  // namespace platform::regstore
