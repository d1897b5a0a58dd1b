// The registry store's fault shim (see registry_faults.h): a SQLite VFS that passes every call to
// the default one and counts, kills or fails the writes of the set asked for.
#include "platform/posix/registry_faults.h"

#include <signal.h>
#include <sqlite3.h>

#include <atomic>

#include "platform/registry_fault_plan.h"

namespace platform::regstore {
namespace {

constexpr char kVfsName[] = "signup-fault";

std::atomic<long> g_setsBegun{0};
std::atomic<long> g_currentSet{0};  // 0: no set is being written
std::atomic<long> g_points{0};

// What the shim does to a write or sync now: SQLITE_OK to go on, or the error to fail it with.
int Point() {
  const long set = g_currentSet.load();
  if (set == 0) return SQLITE_OK;
  const FaultPlan::Kind fault = ProcessFaultPlan().At(set, ++g_points);
  if (fault == FaultPlan::kKill) raise(SIGKILL);
  return fault == FaultPlan::kFull ? SQLITE_FULL : SQLITE_OK;
}

sqlite3_vfs* g_real = nullptr;

struct ShimFile {
  sqlite3_file base;
  sqlite3_file* real;  // follows this struct in the same allocation
};

sqlite3_file* Real(sqlite3_file* f) { return reinterpret_cast<ShimFile*>(f)->real; }

int Close(sqlite3_file* f) { return Real(f)->pMethods->xClose(Real(f)); }
int Read(sqlite3_file* f, void* p, int n, sqlite3_int64 at) {
  return Real(f)->pMethods->xRead(Real(f), p, n, at);
}
int Write(sqlite3_file* f, const void* p, int n, sqlite3_int64 at) {
  if (int rc = Point(); rc != SQLITE_OK) return rc;
  return Real(f)->pMethods->xWrite(Real(f), p, n, at);
}
int Truncate(sqlite3_file* f, sqlite3_int64 size) {
  return Real(f)->pMethods->xTruncate(Real(f), size);
}
int Sync(sqlite3_file* f, int flags) {
  if (int rc = Point(); rc != SQLITE_OK) return rc == SQLITE_FULL ? SQLITE_IOERR_FSYNC : rc;
  return Real(f)->pMethods->xSync(Real(f), flags);
}
int FileSize(sqlite3_file* f, sqlite3_int64* size) {
  return Real(f)->pMethods->xFileSize(Real(f), size);
}
int Lock(sqlite3_file* f, int level) { return Real(f)->pMethods->xLock(Real(f), level); }
int Unlock(sqlite3_file* f, int level) { return Real(f)->pMethods->xUnlock(Real(f), level); }
int CheckReservedLock(sqlite3_file* f, int* out) {
  return Real(f)->pMethods->xCheckReservedLock(Real(f), out);
}
int FileControl(sqlite3_file* f, int op, void* arg) {
  return Real(f)->pMethods->xFileControl(Real(f), op, arg);
}
int SectorSize(sqlite3_file* f) { return Real(f)->pMethods->xSectorSize(Real(f)); }
int DeviceCharacteristics(sqlite3_file* f) {
  return Real(f)->pMethods->xDeviceCharacteristics(Real(f));
}
int ShmMap(sqlite3_file* f, int region, int size, int extend, void volatile** out) {
  return Real(f)->pMethods->xShmMap(Real(f), region, size, extend, out);
}
int ShmLock(sqlite3_file* f, int offset, int n, int flags) {
  return Real(f)->pMethods->xShmLock(Real(f), offset, n, flags);
}
void ShmBarrier(sqlite3_file* f) { Real(f)->pMethods->xShmBarrier(Real(f)); }
int ShmUnmap(sqlite3_file* f, int deleteFlag) {
  return Real(f)->pMethods->xShmUnmap(Real(f), deleteFlag);
}
int Fetch(sqlite3_file* f, sqlite3_int64 at, int n, void** out) {
  return Real(f)->pMethods->xFetch(Real(f), at, n, out);
}
int Unfetch(sqlite3_file* f, sqlite3_int64 at, void* p) {
  return Real(f)->pMethods->xUnfetch(Real(f), at, p);
}

const sqlite3_io_methods kMethods = {3,
                                     Close,
                                     Read,
                                     Write,
                                     Truncate,
                                     Sync,
                                     FileSize,
                                     Lock,
                                     Unlock,
                                     CheckReservedLock,
                                     FileControl,
                                     SectorSize,
                                     DeviceCharacteristics,
                                     ShmMap,
                                     ShmLock,
                                     ShmBarrier,
                                     ShmUnmap,
                                     Fetch,
                                     Unfetch};

int Open(sqlite3_vfs*, const char* name, sqlite3_file* f, int flags, int* outFlags) {
  auto* shim = reinterpret_cast<ShimFile*>(f);
  shim->real = reinterpret_cast<sqlite3_file*>(shim + 1);
  int rc = g_real->xOpen(g_real, name, shim->real, flags, outFlags);
  f->pMethods = rc == SQLITE_OK && shim->real->pMethods != nullptr ? &kMethods : nullptr;
  return rc;
}

int Delete(sqlite3_vfs*, const char* name, int syncDir) {
  return g_real->xDelete(g_real, name, syncDir);
}
int Access(sqlite3_vfs*, const char* name, int flags, int* out) {
  return g_real->xAccess(g_real, name, flags, out);
}
int FullPathname(sqlite3_vfs*, const char* name, int n, char* out) {
  return g_real->xFullPathname(g_real, name, n, out);
}
int Randomness(sqlite3_vfs*, int n, char* out) { return g_real->xRandomness(g_real, n, out); }
int SleepFor(sqlite3_vfs*, int us) { return g_real->xSleep(g_real, us); }
int CurrentTime(sqlite3_vfs*, double* out) { return g_real->xCurrentTime(g_real, out); }
int LastError(sqlite3_vfs*, int n, char* out) { return g_real->xGetLastError(g_real, n, out); }
int CurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* out) {
  return g_real->xCurrentTimeInt64(g_real, out);
}

bool Register() {
  g_real = sqlite3_vfs_find(nullptr);
  if (g_real == nullptr) return false;
  static sqlite3_vfs vfs;
  vfs.iVersion = 2;
  vfs.szOsFile = static_cast<int>(sizeof(ShimFile)) + g_real->szOsFile;
  vfs.mxPathname = g_real->mxPathname;
  vfs.zName = kVfsName;
  vfs.xOpen = Open;
  vfs.xDelete = Delete;
  vfs.xAccess = Access;
  vfs.xFullPathname = FullPathname;
  vfs.xDlOpen = nullptr;
  vfs.xDlError = nullptr;
  vfs.xDlSym = nullptr;
  vfs.xDlClose = nullptr;
  vfs.xRandomness = Randomness;
  vfs.xSleep = SleepFor;
  vfs.xCurrentTime = CurrentTime;
  vfs.xGetLastError = LastError;
  vfs.xCurrentTimeInt64 = CurrentTimeInt64;
  return sqlite3_vfs_register(&vfs, 0) == SQLITE_OK;
}

}  // namespace

const char* FaultVfs() {
  if (ProcessFaultPlan().kind == FaultPlan::kNone) return nullptr;
  static const bool registered = Register();
  return registered ? kVfsName : nullptr;
}

ValueSetScope::ValueSetScope() {
  g_points = 0;
  g_currentSet = ++g_setsBegun;
}

ValueSetScope::~ValueSetScope() { g_currentSet = 0; }

}  // namespace platform::regstore
