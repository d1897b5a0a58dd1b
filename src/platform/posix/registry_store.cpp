// SQLite implementation of the registry store (see registry_store.h).
#include "platform/registry_store.h"

#include <errno.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "platform/posix/registry_faults.h"

namespace platform::regstore {

namespace {

// One open connection to a store file, closed when its last user lets go of it.
struct StoreConnection {
  sqlite3* db = nullptr;
  // Held open beside the connection to see whether the file it reads is still the one at the
  // path: a store removed and made again may get the same inode number. Closed only after the
  // connection, as closing a descriptor of the file drops the process's locks on it.
  int fd = -1;
  // A connection made before a fork is not the child's to close.
  pid_t pid = getpid();

  StoreConnection() = default;
  StoreConnection(const StoreConnection&) = delete;
  StoreConnection& operator=(const StoreConnection&) = delete;
  ~StoreConnection() {
    if (pid != getpid()) return;
    sqlite3_close(db);
    if (fd >= 0) close(fd);
  }
};

// Marks the file as ours ("SGRG"), so a database of another program is never written into.
constexpr int kApplicationId = 0x53475247;
constexpr int kSchemaVersion = 1;
// Writers wait this long for each other before a write fails.
constexpr int kBusyTimeoutMs = 30000;

std::atomic<void (*)()> g_beforeCommitHook{nullptr};

const char kSchema[] =
    "CREATE TABLE keys(fold TEXT PRIMARY KEY, parent TEXT NOT NULL, name TEXT NOT NULL)"
    " WITHOUT ROWID;"
    "CREATE INDEX keys_by_parent ON keys(parent, fold);"
    "CREATE TABLE vals(id INTEGER PRIMARY KEY, key TEXT NOT NULL, fold TEXT NOT NULL,"
    " name TEXT NOT NULL, type INTEGER NOT NULL, data BLOB NOT NULL, UNIQUE(key, fold));";

// A prepared statement, finalized on destruction.
class Stmt {
 public:
  Stmt(sqlite3* db, const char* sql) { rc_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
  ~Stmt() { sqlite3_finalize(stmt_); }
  Stmt(const Stmt&) = delete;
  Stmt& operator=(const Stmt&) = delete;

  Stmt& Bind(int i, std::string_view text) {
    sqlite3_bind_text(stmt_, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Stmt& BindBlob(int i, std::string_view bytes) {
    sqlite3_bind_blob(stmt_, i, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Stmt& Bind(int i, int64_t n) {
    sqlite3_bind_int64(stmt_, i, n);
    return *this;
  }
  // SQLITE_ROW, SQLITE_DONE or an error code.
  int Step() { return rc_ == SQLITE_OK ? sqlite3_step(stmt_) : rc_; }
  std::string Text(int col) {
    const void* p = sqlite3_column_blob(stmt_, col);
    int n = sqlite3_column_bytes(stmt_, col);
    return p ? std::string(static_cast<const char*>(p), static_cast<size_t>(n)) : std::string();
  }
  int64_t Int(int col) { return sqlite3_column_int64(stmt_, col); }

 private:
  sqlite3_stmt* stmt_ = nullptr;
  int rc_;
};

LONG ReadError(int rc) {
  switch (rc & 0xff) {
    case SQLITE_NOMEM:
      return ERROR_OUTOFMEMORY;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
      return ERROR_BADDB;
    default:
      return ERROR_CANTREAD;
  }
}

LONG WriteError(int rc) {
  switch (rc & 0xff) {
    case SQLITE_NOMEM:
      return ERROR_OUTOFMEMORY;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
      return ERROR_BADDB;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return ERROR_ACCESS_DENIED;
    default:
      return ERROR_CANTWRITE;
  }
}

// Creates the folders on the way to the store file (mode 0700 for new ones).
bool MakeParentDirs(const std::string& file) {
  for (size_t slash = file.find('/', 1); slash != std::string::npos;
       slash = file.find('/', slash + 1)) {
    std::string dir = file.substr(0, slash);
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  return true;
}

// Parent path of a non-root canonical path.
std::string ParentOf(const std::string& path) { return path.substr(0, path.rfind('\\')); }

// The thread's connection to the store, kept open across the program's many short uses of it:
// opening the database and reading its schema again for every value would cost more than the
// write itself. It is made anew when the path names another file (the store was replaced or
// removed), when a writer finds it opened read-only, and in a child after a fork (a connection
// must not cross one). A store still open keeps its own connection when the cache moves on.
struct CachedConnection {
  std::string path;
  dev_t dev = 0;
  ino_t ino = 0;
  bool readOnly = false;
  std::shared_ptr<StoreConnection> connection;

  // Whether this is a connection to `st`, the file found at `path` now, usable for a write if
  // asked.
  bool Serves(const std::string& at, const struct stat& st, bool write) const {
    struct stat held;
    return connection != nullptr && connection->pid == getpid() && path == at && dev == st.st_dev &&
           ino == st.st_ino && !(write && readOnly) && fstat(connection->fd, &held) == 0 &&
           held.st_nlink > 0;
  }
};
thread_local CachedConnection t_connection;

void DropConnection() { t_connection.connection.reset(); }

// The connection to the store file `path` (found as `st`), opened when the thread has none to it;
// null with SQLite's result in *rc when it cannot be opened.
std::shared_ptr<StoreConnection> Connection(const std::string& path, const struct stat& st,
                                            bool write, int* rc) {
  CachedConnection& c = t_connection;
  if (c.Serves(path, st, write)) return c.connection;
  c.connection.reset();
  *rc = SQLITE_CANTOPEN;
  auto connection = std::make_shared<StoreConnection>();
  connection->fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (connection->fd < 0) return nullptr;
  // Readers open read-write too: a hot journal left by a killed writer must be rolled back.
  bool readOnly = false;
  *rc = sqlite3_open_v2(path.c_str(), &connection->db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                        FaultVfs());
  if (*rc != SQLITE_OK && !write) {
    sqlite3_close(connection->db);
    connection->db = nullptr;
    readOnly = true;
    *rc = sqlite3_open_v2(path.c_str(), &connection->db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX,
                          FaultVfs());
  }
  if (*rc != SQLITE_OK) return nullptr;
  sqlite3_busy_timeout(connection->db, kBusyTimeoutMs);
  c.path = path;
  c.dev = st.st_dev;
  c.ino = st.st_ino;
  c.readOnly = readOnly;
  c.connection = connection;
  return connection;
}

LONG Exec(sqlite3* db, const char* sql) {
  int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
  return rc == SQLITE_OK ? ERROR_SUCCESS : WriteError(rc);
}

// Lower and upper bounds of the folded paths strictly below fold ('\\' + 1 == ']').
std::string SubtreeLow(const std::string& fold) { return fold + "\\"; }
std::string SubtreeHigh(const std::string& fold) { return fold + "]"; }

// Checks that the file is our store: an empty file is no store yet (a writer makes it one), and a
// database of another program, even an empty one that carries its own application id, is left
// alone.
LONG Setup(Store& store, sqlite3* db, bool write) {
  auto readHeader = [db](int* appId, int* tables) {
    Stmt id(db, "PRAGMA application_id");
    int rc = id.Step();
    if (rc != SQLITE_ROW) return rc;
    *appId = static_cast<int>(id.Int(0));
    Stmt count(db, "SELECT count(*) FROM sqlite_master");
    rc = count.Step();
    if (rc != SQLITE_ROW) return rc;
    *tables = static_cast<int>(count.Int(0));
    return SQLITE_OK;
  };
  int appId = 0;
  int tables = 0;
  int rc = readHeader(&appId, &tables);
  if (rc != SQLITE_OK) return write ? WriteError(rc) : ReadError(rc);
  if (appId == kApplicationId) return ERROR_SUCCESS;
  if (appId != 0 || tables != 0) return ERROR_BADDB;
  if (!write) return ERROR_FILE_NOT_FOUND;

  LONG err = store.Begin(true);
  if (err != ERROR_SUCCESS) return err;
  // Another writer may have set the file up while we waited for the lock.
  rc = readHeader(&appId, &tables);
  if (rc != SQLITE_OK) return WriteError(rc);
  if (appId == kApplicationId) return store.Commit();
  if (appId != 0 || tables != 0) return ERROR_BADDB;
  err = Exec(db, kSchema);
  if (err != ERROR_SUCCESS) return err;
  std::string pragmas = "PRAGMA application_id=" + std::to_string(kApplicationId) +
                        ";PRAGMA user_version=" + std::to_string(kSchemaVersion) + ";";
  err = Exec(db, pragmas.c_str());
  if (err != ERROR_SUCCESS) return err;
  return store.Commit();
}

}  // namespace

// Shared with the thread's cache of connections, and kept open while the store lives even when
// the cache moves on to another file.
struct Store::State {
  explicit State(std::shared_ptr<StoreConnection> c)
      : connection(std::move(c)), db(connection->db) {}
  std::shared_ptr<StoreConnection> connection;
  sqlite3* db;
  bool inTransaction = false;
  bool writeTransaction = false;
};

std::string StorePath() {
  const char* env = std::getenv("SIGNUP_REGISTRY");
  if (env && *env) return env;
  std::string base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = std::string(home) + "/.config";
  } else {
    return {};
  }
  return base + "/signup/registry.db";
}

void SetBeforeCommitHookForTest(void (*hook)()) { g_beforeCommitHook = hook; }

LONG Store::Open(bool write, std::unique_ptr<Store>* out) {
  out->reset();
  std::string path = StorePath();
  if (path.empty()) return write ? ERROR_CANTOPEN : ERROR_FILE_NOT_FOUND;
  // Looked at without opening it: a descriptor of ours closed while SQLite holds a lock on the
  // same file would drop that lock, and opening a pipe could block.
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    if (errno != ENOENT) return errno == EACCES ? ERROR_ACCESS_DENIED : ERROR_CANTREAD;
    if (!write) return ERROR_FILE_NOT_FOUND;
    // Created here rather than by SQLite so that it is private from the first byte.
    if (!MakeParentDirs(path)) return ERROR_CANTOPEN;
    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 && errno != EEXIST) return errno == EACCES ? ERROR_ACCESS_DENIED : ERROR_CANTOPEN;
    if (fd >= 0) close(fd);
    if (stat(path.c_str(), &st) != 0) return ERROR_CANTOPEN;
  }
  // A folder, a pipe or a device is no store of ours.
  if (!S_ISREG(st.st_mode)) return ERROR_BADDB;
  int rc = SQLITE_OK;
  std::shared_ptr<StoreConnection> connection = Connection(path, st, write, &rc);
  if (connection == nullptr) {
    if (write) return WriteError(rc);
    return access(path.c_str(), R_OK) != 0 && errno == EACCES ? ERROR_ACCESS_DENIED
                                                              : ERROR_CANTREAD;
  }
  sqlite3* db = connection->db;
  std::unique_ptr<Store> store(new Store(std::make_unique<State>(std::move(connection))));
  LONG err = Setup(*store, db, write);
  if (err != ERROR_SUCCESS) {
    // A file that is not our store is looked at afresh next time.
    store.reset();
    DropConnection();
    return err;
  }
  // The store holds scrambled secrets: private to its user whatever mode it was found with, before
  // anything is written (where the file system has no modes, it stays as it is).
  if (write && (st.st_mode & 07777) != 0600) chmod(path.c_str(), 0600);
  // Once the file is known to be ours, write-ahead logging. As the Windows registry does, a commit
  // reaches the operating system at once, so it survives the program's crash, and the disk a moment
  // later: the log is synced when it is folded into the store (at the latest when the connection
  // closes), not at every value written. A power cut may lose the last moment's values, never
  // leave the store damaged.
  if (write) {
    sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    sqlite3_exec(db, "PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
  }
  *out = std::move(store);
  return ERROR_SUCCESS;
}

Store::Store(std::unique_ptr<State> state) : state_(std::move(state)) {}

// The connection stays open for the thread's next use of the store.
Store::~Store() {
  if (state_->inTransaction) Rollback();
}

LONG Store::SetDurable(bool durable) {
  return Exec(state_->db, durable ? "PRAGMA synchronous=FULL" : "PRAGMA synchronous=NORMAL");
}

LONG Store::Begin(bool write) {
  LONG err = Exec(state_->db, write ? "BEGIN IMMEDIATE" : "BEGIN");
  if (err != ERROR_SUCCESS) return write ? err : ERROR_CANTREAD;
  state_->inTransaction = true;
  state_->writeTransaction = write;
  return ERROR_SUCCESS;
}

LONG Store::Commit() {
  if (state_->writeTransaction) {
    if (auto hook = g_beforeCommitHook.load()) hook();
  }
  LONG err = Exec(state_->db, "COMMIT");
  if (err != ERROR_SUCCESS) {
    Rollback();
    return err;
  }
  state_->inTransaction = false;
  return ERROR_SUCCESS;
}

void Store::Rollback() {
  if (sqlite3_get_autocommit(state_->db) == 0)
    sqlite3_exec(state_->db, "ROLLBACK", nullptr, nullptr, nullptr);
  state_->inTransaction = false;
}

LONG Store::KeyExists(const std::string& path, bool* exists) {
  if (IsRoot(path)) {
    *exists = true;
    return ERROR_SUCCESS;
  }
  Stmt s(state_->db, "SELECT 1 FROM keys WHERE fold=?");
  int rc = s.Bind(1, Fold(path)).Step();
  if (rc != SQLITE_ROW && rc != SQLITE_DONE) return ReadError(rc);
  *exists = rc == SQLITE_ROW;
  return ERROR_SUCCESS;
}

LONG Store::CreateKey(const std::string& path, bool* created) {
  *created = false;
  if (IsRoot(path)) return ERROR_SUCCESS;
  if (LONG err = CheckKeyPath(path); err != ERROR_SUCCESS) return err;
  for (size_t slash = path.find('\\'); slash != std::string::npos;) {
    size_t next = path.find('\\', slash + 1);
    std::string key = path.substr(0, next);
    std::string name = path.substr(slash + 1, next == std::string::npos ? next : next - slash - 1);
    Stmt insert(state_->db, "INSERT OR IGNORE INTO keys(fold, parent, name) VALUES(?, ?, ?)");
    int rc = insert.Bind(1, Fold(key)).Bind(2, Fold(ParentOf(key))).Bind(3, name).Step();
    if (rc != SQLITE_DONE) return WriteError(rc);
    *created = sqlite3_changes(state_->db) > 0;
    slash = next;
  }
  return ERROR_SUCCESS;
}

LONG Store::SubKeys(const std::string& path, std::vector<std::string>* names) {
  names->clear();
  Stmt s(state_->db, "SELECT name FROM keys WHERE parent=? ORDER BY fold");
  s.Bind(1, Fold(path));
  int rc;
  while ((rc = s.Step()) == SQLITE_ROW) names->push_back(s.Text(0));
  return rc == SQLITE_DONE ? ERROR_SUCCESS : ReadError(rc);
}

LONG Store::SubKeyAt(const std::string& path, DWORD index, std::string* name) {
  Stmt s(state_->db, "SELECT name FROM keys WHERE parent=? ORDER BY fold LIMIT 1 OFFSET ?");
  int rc = s.Bind(1, Fold(path)).Bind(2, int64_t{index}).Step();
  if (rc == SQLITE_DONE) return ERROR_NO_MORE_ITEMS;
  if (rc != SQLITE_ROW) return ReadError(rc);
  *name = s.Text(0);
  return ERROR_SUCCESS;
}

LONG Store::Values(const std::string& path, std::vector<Value>* values) {
  values->clear();
  Stmt s(state_->db, "SELECT name, type, data FROM vals WHERE key=? ORDER BY id");
  s.Bind(1, Fold(path));
  int rc;
  while ((rc = s.Step()) == SQLITE_ROW) {
    values->push_back(Value{s.Text(0), static_cast<DWORD>(s.Int(1)), s.Text(2)});
  }
  return rc == SQLITE_DONE ? ERROR_SUCCESS : ReadError(rc);
}

LONG Store::ValueAt(const std::string& path, DWORD index, Value* value) {
  Stmt s(state_->db, "SELECT name, type, data FROM vals WHERE key=? ORDER BY id LIMIT 1 OFFSET ?");
  int rc = s.Bind(1, Fold(path)).Bind(2, int64_t{index}).Step();
  if (rc == SQLITE_DONE) return ERROR_NO_MORE_ITEMS;
  if (rc != SQLITE_ROW) return ReadError(rc);
  *value = Value{s.Text(0), static_cast<DWORD>(s.Int(1)), s.Text(2)};
  return ERROR_SUCCESS;
}

LONG Store::GetValue(const std::string& path, std::string_view name, Value* value) {
  Stmt s(state_->db, "SELECT name, type, data FROM vals WHERE key=? AND fold=?");
  int rc = s.Bind(1, Fold(path)).Bind(2, Fold(name)).Step();
  if (rc == SQLITE_DONE) return ERROR_FILE_NOT_FOUND;
  if (rc != SQLITE_ROW) return ReadError(rc);
  *value = Value{s.Text(0), static_cast<DWORD>(s.Int(1)), s.Text(2)};
  return ERROR_SUCCESS;
}

LONG Store::SetValue(const std::string& path, const Value& value) {
  if (LONG err = CheckValueName(value.name); err != ERROR_SUCCESS) return err;
  Stmt s(state_->db,
         "INSERT INTO vals(key, fold, name, type, data) VALUES(?, ?, ?, ?, ?)"
         " ON CONFLICT(key, fold) DO UPDATE SET type=excluded.type, data=excluded.data");
  int rc = s.Bind(1, Fold(path))
               .Bind(2, Fold(value.name))
               .Bind(3, value.name)
               .Bind(4, int64_t{value.type})
               .BindBlob(5, value.data)
               .Step();
  return rc == SQLITE_DONE ? ERROR_SUCCESS : WriteError(rc);
}

LONG Store::DeleteValue(const std::string& path, std::string_view name) {
  Stmt s(state_->db, "DELETE FROM vals WHERE key=? AND fold=?");
  int rc = s.Bind(1, Fold(path)).Bind(2, Fold(name)).Step();
  if (rc != SQLITE_DONE) return WriteError(rc);
  return sqlite3_changes(state_->db) > 0 ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

LONG Store::DeleteKey(const std::string& path) {
  std::string fold = Fold(path);
  Stmt vals(state_->db, "DELETE FROM vals WHERE key=?");
  int rc = vals.Bind(1, fold).Step();
  if (rc != SQLITE_DONE) return WriteError(rc);
  Stmt keys(state_->db, "DELETE FROM keys WHERE fold=?");
  rc = keys.Bind(1, fold).Step();
  return rc == SQLITE_DONE ? ERROR_SUCCESS : WriteError(rc);
}

LONG Store::DeleteTree(const std::string& path) {
  // A predefined root is never deleted, with all that lies below it.
  if (IsRoot(path)) return ERROR_ACCESS_DENIED;
  std::string fold = Fold(path);
  Stmt vals(state_->db, "DELETE FROM vals WHERE key=? OR (key>=? AND key<?)");
  int rc = vals.Bind(1, fold).Bind(2, SubtreeLow(fold)).Bind(3, SubtreeHigh(fold)).Step();
  if (rc != SQLITE_DONE) return WriteError(rc);
  Stmt keys(state_->db, "DELETE FROM keys WHERE fold=? OR (fold>=? AND fold<?)");
  rc = keys.Bind(1, fold).Bind(2, SubtreeLow(fold)).Bind(3, SubtreeHigh(fold)).Step();
  return rc == SQLITE_DONE ? ERROR_SUCCESS : WriteError(rc);
}

}  // namespace platform::regstore
