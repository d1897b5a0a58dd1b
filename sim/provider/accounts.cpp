// The provider stand-in's account store on SQLite.
#include "accounts.h"

#include <random>
#include <set>

namespace provider {

namespace {

// A prepared statement that finalises itself.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  bool ok() const { return stmt_ != nullptr; }
  void Bind(int index, const std::string& value) {
    sqlite3_bind_blob(stmt_, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
  }
  int Step() { return sqlite3_step(stmt_); }
  long long Integer(int index) { return sqlite3_column_int64(stmt_, index); }
  std::string Column(int index) {
    const void* p = sqlite3_column_blob(stmt_, index);
    int n = sqlite3_column_bytes(stmt_, index);
    return p ? std::string(static_cast<const char*>(p), n) : std::string();
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

const std::set<std::string> kReserved = {"root", "admin",   "postmaster", "webmaster", "abuse",
                                         "info", "support", "mail",       "www",       "signup"};

}  // namespace

std::string RandomSecret(size_t length) {
  static const char kChars[] = "abcdefghijkmnpqrstuvwxyz23456789";
  static std::mutex mutex;
  static std::mt19937 rng{std::random_device{}()};
  std::lock_guard lock(mutex);
  std::uniform_int_distribution<size_t> pick(0, sizeof kChars - 2);
  std::string s;
  for (size_t i = 0; i < length; ++i) s += kChars[pick(rng)];
  return s;
}

AccountStore::AccountStore(const std::string& path) {
  if (sqlite3_open(path.c_str(), &db_) != SQLITE_OK) {
    sqlite3_close(db_);
    db_ = nullptr;
    return;
  }
  sqlite3_busy_timeout(db_, 5000);
  if (!Exec("CREATE TABLE IF NOT EXISTS accounts ("
            " account BLOB PRIMARY KEY, login_password BLOB, mail_password BLOB,"
            " qxid BLOB, lastname BLOB, firstname BLOB, kana_lastname BLOB,"
            " kana_firstname BLOB, zip BLOB, address BLOB, tel BLOB, sex BLOB, birth BLOB,"
            " entry_code BLOB, comm_id BLOB, comm_password BLOB, comm_name BLOB,"
            " comm_data2 BLOB, created INTEGER DEFAULT (strftime('%s','now')))")) {
    sqlite3_close(db_);
    db_ = nullptr;
  }
}

AccountStore::~AccountStore() {
  if (db_) sqlite3_close(db_);
}

bool AccountStore::Exec(const char* sql) {
  return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool AccountStore::ValidName(const std::string& name) {
  if (name.size() < 3 || name.size() > 16) return false;
  if (name[0] < 'a' || name[0] > 'z') return false;
  for (char c : name) {
    bool ok = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
    if (!ok) return false;
  }
  return kReserved.count(name) == 0;
}

std::optional<Account> AccountStore::Load(const std::string& name) {
  Statement st(db_,
               "SELECT account, login_password, mail_password, comm_id, comm_password,"
               " comm_name, comm_data2 FROM accounts WHERE account = ?");
  if (!st.ok()) return std::nullopt;
  st.Bind(1, name);
  if (st.Step() != SQLITE_ROW) return std::nullopt;
  Account a;
  a.account = st.Column(0);
  a.login_password = st.Column(1);
  a.mail_password = st.Column(2);
  a.comm_id = st.Column(3);
  a.comm_password = st.Column(4);
  a.comm_name = st.Column(5);
  a.comm_data2 = st.Column(6);
  return a;
}

std::optional<Account> AccountStore::Allocate(const std::vector<std::string>& wished,
                                              const SignupData& d) {
  std::lock_guard lock(mutex_);
  for (const std::string& name : wished) {
    if (!ValidName(name) || Load(name)) continue;
    Statement st(db_,
                 "INSERT INTO accounts (account, login_password, mail_password, qxid, lastname,"
                 " firstname, kana_lastname, kana_firstname, zip, address, tel, sex, birth,"
                 " entry_code, comm_id, comm_password, comm_name, comm_data2)"
                 " VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,'','','','')");
    if (!st.ok()) return std::nullopt;
    // A signup's login password is longer than the client's password field takes by typing, as
    // the provider may issue it: the client must show and send it whole.
    const std::string values[] = {name,       RandomSecret(10), RandomSecret(8), d.qxid,
                                  d.lastname, d.firstname,      d.kana_lastname, d.kana_firstname,
                                  d.zip,      d.address,        d.tel,           d.sex,
                                  d.birth,    d.entry_code};
    for (int i = 0; i < 14; ++i) st.Bind(i + 1, values[i]);
    if (st.Step() != SQLITE_DONE) return std::nullopt;
    return Load(name);
  }
  return std::nullopt;
}

bool AccountStore::Insert(const std::string& name, const std::string& password) {
  std::lock_guard lock(mutex_);
  Statement st(db_,
               "INSERT OR REPLACE INTO accounts (account, login_password, mail_password,"
               " comm_id, comm_password, comm_name, comm_data2) VALUES (?,?,?,'','','','')");
  if (!st.ok()) return false;
  st.Bind(1, name);
  st.Bind(2, password);
  st.Bind(3, RandomSecret(8));
  return st.Step() == SQLITE_DONE;
}

std::optional<Account> AccountStore::Verify(const std::string& login_id,
                                            const std::string& password) {
  std::lock_guard lock(mutex_);
  auto a = Load(login_id);
  if (!a || login_id.empty() || a->login_password != password) return std::nullopt;
  return a;
}

std::optional<Account> AccountStore::IssueCommId(const std::string& login_id,
                                                 const std::string& nickname) {
  std::lock_guard lock(mutex_);
  auto a = Load(login_id);
  if (!a || !a->comm_id.empty()) return std::nullopt;
  // IDs count up from the row number so that they are unique and easy to read.
  Statement row(db_, "SELECT rowid FROM accounts WHERE account = ?");
  row.Bind(1, login_id);
  long long n = row.Step() == SQLITE_ROW ? row.Integer(0) : 0;
  std::string id = "PL" + std::to_string(100000 + n);
  Statement st(db_,
               "UPDATE accounts SET comm_id = ?, comm_password = ?, comm_name = ?,"
               " comm_data2 = ? WHERE account = ?");
  st.Bind(1, id);
  st.Bind(2, RandomSecret(8));
  st.Bind(3, nickname);
  st.Bind(4, "chat.example.ne.jp");
  st.Bind(5, login_id);
  if (st.Step() != SQLITE_DONE) return std::nullopt;
  return Load(login_id);
}

}  // namespace provider
