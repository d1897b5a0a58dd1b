// The faults of the registry store's file for tests of whole runs (registry_fault_plan.h): the
// process is killed (SIGKILL) at a file write or sync of a set of values written as one, or the
// writes fail as on a full disk. Without a fault asked for, the store uses SQLite's own files.
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
