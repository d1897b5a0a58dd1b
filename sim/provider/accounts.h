// The provider stand-in's account store on SQLite: allocation of wished account names, login
// checks and communication IDs. Every call is serialised; the HTTP handlers call it from their
// worker threads.
#pragma once

#include <sqlite3.h>

#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace provider {

// What the servers hand out for an account (the reply keys "03:" to "14:", "17:" to "19:", "32:").
struct Account {
  std::string account;  // the allocated name, also the login ID
  std::string login_password;
  std::string mail_password;
  std::string comm_id, comm_password, comm_name, comm_data2;
};

// Personal data of a signup, kept as the bytes the client sent (CP932).
struct SignupData {
  std::string qxid, lastname, firstname, kana_lastname, kana_firstname, zip, address, tel, sex,
      birth, entry_code;
};

class AccountStore {
 public:
  // Opens (creating) the database; ":memory:" keeps it in memory. ok() tells whether it worked.
  explicit AccountStore(const std::string& path);
  ~AccountStore();
  AccountStore(const AccountStore&) = delete;
  AccountStore& operator=(const AccountStore&) = delete;
  bool ok() const { return db_ != nullptr; }

  // Whether a name may be an account at all (letters, digits, "-" and "_", 3 to 16 bytes,
  // starting with a lower-case letter, not a reserved mailbox name).
  static bool ValidName(const std::string& name);

  // Creates an account for the first wished name that is valid and free; nullopt when none is.
  std::optional<Account> Allocate(const std::vector<std::string>& wished, const SignupData& data);
  // Creates an account with a given name and password (tests take names this way).
  bool Insert(const std::string& name, const std::string& password);
  // The account when the login ID and password match.
  std::optional<Account> Verify(const std::string& login_id, const std::string& password);
  // Issues the account's communication ID; nullopt when it already has one.
  std::optional<Account> IssueCommId(const std::string& login_id, const std::string& nickname);

 private:
  bool Exec(const char* sql);
  std::optional<Account> Load(const std::string& name);

  std::mutex mutex_;
  sqlite3* db_ = nullptr;
};

// A random password of lower-case letters and digits.
std::string RandomSecret(size_t length);

}  // namespace provider
