// The provider stand-in: the signup and profile servers' terms document and CGIs over HTTP and
// HTTPS on loopback, with a request log and fault injection for tests.
//
//   provider [--db FILE] [--log FILE] [--http-port N] [--https-port N]
//            [--cert FILE --key FILE] [--alt NAME=CERT,KEY ...]
//
// Prints one line "http=PORT https=PORT NAME=PORT ..." once every listener is bound (port 0 picks
// a free one), then serves until SIGTERM or SIGINT. The control API lives on the HTTP port only:
//   POST /_control/fault   form: path (or "*"), kind, count (0 = until cleared), status, ms, size,
//                          piece
//   POST /_control/clear   removes every fault
//   GET  /_control/log     every request received, in the record format of WriteRecord
//   POST /_control/log/clear
//   POST /_control/account form: account, password (creates or replaces an account)
#include <httplib.h>
#include <iconv.h>
#include <signal.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "accounts.h"
#include "terms_text.h"

namespace provider {
namespace {

// ---- text -----------------------------------------------------------------------------------

std::string ToCp932(const std::string& utf8) {
  iconv_t cd = iconv_open("CP932", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return utf8;
  std::string out(utf8.size() * 2 + 16, '\0');
  char* in = const_cast<char*>(utf8.data());
  size_t in_left = utf8.size();
  char* dst = out.data();
  size_t out_left = out.size();
  while (in_left > 0) {
    if (iconv(cd, &in, &in_left, &dst, &out_left) == static_cast<size_t>(-1)) {
      if (out_left == 0) break;
      *dst++ = '?';
      --out_left;
      ++in;
      --in_left;
    }
  }
  iconv_close(cd);
  out.resize(out.size() - out_left);
  return out;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Percent-decoding only: the client escapes "+" itself, so a literal "+" stays a "+".
std::string PercentDecode(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && HexValue(s[i + 1]) >= 0 && HexValue(s[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2]));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

std::map<std::string, std::string> ParseForm(const std::string& body) {
  std::map<std::string, std::string> form;
  size_t pos = 0;
  while (pos <= body.size()) {
    size_t end = body.find('&', pos);
    std::string item = body.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
    pos = end == std::string::npos ? body.size() + 1 : end + 1;
    if (item.empty()) continue;
    size_t eq = item.find('=');
    std::string key = PercentDecode(item.substr(0, eq));
    std::string value =
        eq == std::string::npos ? std::string() : PercentDecode(item.substr(eq + 1));
    form.emplace(key, value);
  }
  return form;
}

// ---- replies in the servers' numbered-line format --------------------------------------------

const char* kContentType = "text/plain; charset=Shift_JIS";

std::string OkReply(const Account& a, bool network, bool comm) {
  std::string r = "00:1.0\n01:OK\n02:\n";
  if (network) {
    r += "03:" + a.account + "\n";
    r += "04:" + a.login_password + "\n";
    r += "05:192.0.2.53\n06:192.0.2.54\n";
    r += "07:0570-010-101\n08:0570-020-202\n09:0570-030-303\n";
    r += "10:" + a.account + "@example.ne.jp\n";
    r += "11:" + a.account + "\n";
    r += "12:pop.example.ne.jp\n";
    r += "13:" + a.mail_password + "\n";
    r += "14:smtp.example.ne.jp\n";
  }
  if (comm && !a.comm_id.empty()) {
    r += "17:" + a.comm_id + "\n";
    r += "18:" + a.comm_password + "\n";
    r += "19:" + a.comm_name + "\n";
    if (network) r += "32:" + a.comm_data2 + "\n";
  }
  return r;
}

// A refusal: the message lines (CP932, with the error number in parentheses) between "98:" and
// "99:".
std::string ErrorReply(const std::string& message_utf8) {
  return "00:1.0\n01:NG\n98:\n" + ToCp932(message_utf8) + "\n99:\n";
}

// ---- entry codes ----------------------------------------------------------------------------

// The codes handed out with the client software; an empty code means "none" and is accepted.
const std::set<std::string> kEntryCodes = {"12-345", "10-001", "20-500", "31-777", "99-999"};

// Reads the 7-byte tag "#xx-yyy" at the end of the 100-byte address field.
bool EntryCodeOk(const std::string& address, std::string& code) {
  std::string tag = address.substr(93);
  if (tag.empty() || tag[0] != '#') return false;
  size_t dash = tag.find('-');
  if (dash == std::string::npos) return false;
  std::string first = tag.substr(1, dash - 1);
  std::string second = tag.substr(dash + 1);
  while (!second.empty() && second.back() == ' ') second.pop_back();
  if (first.empty() && second.empty()) {
    code.clear();
    return true;
  }
  code = first + "-" + second;
  return kEntryCodes.count(code) != 0;
}

// ---- faults ---------------------------------------------------------------------------------

struct Fault {
  std::string kind;
  int count = 1;  // 0 = until cleared
  int status = 500;
  int ms = 0;
  int size = 3000;
  int piece = 0;  // "pieces": bytes per piece; 0 = the reply in thirds
};

class Faults {
 public:
  void Set(const std::string& path, Fault f) {
    std::lock_guard lock(mutex_);
    faults_[path] = f;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    faults_.clear();
  }
  // The fault for this request, if any, counting it down.
  std::optional<Fault> Take(const std::string& path) {
    std::lock_guard lock(mutex_);
    for (const std::string& key : {path, std::string("*")}) {
      auto it = faults_.find(key);
      if (it == faults_.end()) continue;
      Fault f = it->second;
      if (it->second.count > 0 && --it->second.count == 0) faults_.erase(it);
      return f;
    }
    return std::nullopt;
  }

 private:
  std::mutex mutex_;
  std::map<std::string, Fault> faults_;
};

// ---- request log ----------------------------------------------------------------------------

class RequestLog {
 public:
  explicit RequestLog(const std::string& file) {
    if (!file.empty()) out_.open(file, std::ios::binary | std::ios::app);
  }
  // One record: "METHOD TARGET HEADERS BODYLEN\n", the header lines "Name: value\n", then
  // exactly BODYLEN body bytes and "\n".
  void Add(const httplib::Request& req) {
    std::string rec;
    std::vector<std::pair<std::string, std::string>> headers;
    for (const auto& [name, value] : req.headers) {
      if (name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" ||
          name == "LOCAL_PORT")
        continue;
      headers.emplace_back(name, value);
    }
    rec += req.method + " " + req.target + " " + std::to_string(headers.size()) + " " +
           std::to_string(req.body.size()) + "\n";
    for (const auto& [name, value] : headers) rec += name + ": " + value + "\n";
    rec += req.body + "\n";
    std::lock_guard lock(mutex_);
    records_ += rec;
    if (out_) out_ << rec << std::flush;
  }
  std::string All() {
    std::lock_guard lock(mutex_);
    return records_;
  }
  void Clear() {
    std::lock_guard lock(mutex_);
    records_.clear();
  }

 private:
  std::mutex mutex_;
  std::string records_;
  std::ofstream out_;
};

// ---- the servers ----------------------------------------------------------------------------

struct State {
  AccountStore* accounts = nullptr;
  Faults faults;
  RequestLog* log = nullptr;
  std::string terms;
  std::mutex hold_mutex;
  std::condition_variable hold_cv;
  bool stopping = false;
};

std::string Signup(State& st, const std::map<std::string, std::string>& form) {
  auto get = [&](const char* key) {
    auto it = form.find(key);
    return it == form.end() ? std::string() : it->second;
  };
  for (const char* key :
       {"qxid", "lastname", "firtname", "kana_lastname", "kana_firstname", "zipcode1", "zipcode2",
        "address", "T1", "T2", "T3", "sex", "year", "month", "day", "1st_acc"}) {
    if (get(key).empty())
      return ErrorReply("<b>必須項目</b>が入力されていません。<br>入力内容をご確認ください。(1)");
  }
  if (get("sex") != "male" && get("sex") != "fema")
    return ErrorReply("性別の指定が正しくありません。(1)");
  std::string address = get("address");
  if (address.size() != 100) return ErrorReply("住所の形式が正しくありません。(4)");
  SignupData d;
  if (!EntryCodeOk(address, d.entry_code))
    return ErrorReply(
        "エントリーコードが正しくありません。<br>お手元のコードをご確認ください。(3)");
  d.qxid = get("qxid");
  d.lastname = get("lastname");
  d.firstname = get("firtname");
  d.kana_lastname = get("kana_lastname");
  d.kana_firstname = get("kana_firstname");
  d.zip = get("zipcode1") + "-" + get("zipcode2");
  d.address = address.substr(0, 93);
  d.tel = get("T1") + "-" + get("T2") + "-" + get("T3");
  d.sex = get("sex");
  d.birth = get("year") + "/" + get("month") + "/" + get("day");
  auto account = st.accounts->Allocate({get("1st_acc"), get("2nd_acc"), get("3rd_acc")}, d);
  if (!account)
    return ErrorReply(
        "ご希望のアカウントは<b>すべて使用されている</b>か、使用できない文字列です。<br>"
        "別のアカウントをご指定ください。(2)");
  return OkReply(*account, true, false);
}

std::string Recover(State& st, const std::map<std::string, std::string>& form) {
  auto user = form.find("user_id");
  auto pass = form.find("login_password");
  auto account = st.accounts->Verify(user == form.end() ? "" : user->second,
                                     pass == form.end() ? "" : pass->second);
  if (!account) return ErrorReply("ログインIDまたはパスワードが正しくありません。(5)");
  return OkReply(*account, true, true);
}

std::string IssueCommId(State& st, const std::map<std::string, std::string>& form) {
  auto get = [&](const char* key) {
    auto it = form.find(key);
    return it == form.end() ? std::string() : it->second;
  };
  if (!st.accounts->Verify(get("login_id"), get("login_password")) ||
      get("s_id") != get("login_id"))
    return ErrorReply("ログインIDまたはパスワードが正しくありません。(5)");
  if (get("n_name").empty()) return ErrorReply("ニックネームが入力されていません。(6)");
  auto account = st.accounts->IssueCommId(get("login_id"), get("n_name"));
  if (!account) return ErrorReply("コミュニケーションIDは<b>既に取得済み</b>です。(7)");
  return OkReply(*account, false, true);
}

// Sends a reply body, shaped by a fault where one applies.
void Send(State& st, const std::optional<Fault>& fault, const std::string& body,
          httplib::Response& res) {
  const std::string kind = fault ? fault->kind : "";
  if (kind == "long") {
    std::string padded = body + "15:";
    if (padded.size() + 1 < static_cast<size_t>(fault->size))
      padded.append(fault->size - padded.size() - 1, 'x');
    padded += "\n";
    res.set_content(padded, kContentType);
    return;
  }
  auto shared = std::make_shared<std::string>(body);
  if (kind == "cut") {
    // Announces more than it sends, then drops the connection.
    size_t half = shared->size() / 2;
    res.set_content_provider(shared->size() + 100, kContentType,
                             [shared, half](size_t offset, size_t, httplib::DataSink& sink) {
                               if (offset < half) {
                                 sink.write(shared->data(), half);
                                 return true;
                               }
                               return false;
                             });
    return;
  }
  if (kind == "pieces") {
    const int pause = fault->ms > 0 ? fault->ms : 100;
    const size_t piece = fault->piece > 0 ? static_cast<size_t>(fault->piece)
                                          : std::max<size_t>(1, (shared->size() + 2) / 3);
    res.set_content_provider(
        shared->size(), kContentType,
        [shared, piece, pause](size_t offset, size_t, httplib::DataSink& sink) {
          if (offset > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pause));
          sink.write(shared->data() + offset, std::min(piece, shared->size() - offset));
          return true;
        });
    return;
  }
  if (kind == "endless") {
    // A document that never ends: the reply again and again, chunked, until the client goes.
    res.set_chunked_content_provider(kContentType, [shared](size_t, httplib::DataSink& sink) {
      return sink.write(shared->data(), shared->size());
    });
    return;
  }
  if (kind == "chunked") {
    res.set_chunked_content_provider(kContentType,
                                     [shared](size_t offset, httplib::DataSink& sink) {
                                       if (offset < shared->size()) {
                                         size_t n = std::min<size_t>(1000, shared->size() - offset);
                                         sink.write(shared->data() + offset, n);
                                       } else {
                                         sink.done();
                                       }
                                       return true;
                                     });
    return;
  }
  res.set_content(body, kContentType);
}

// Faults that replace the reply; true when one did (the real handler is then not run).
bool ReplaceReply(State& st, const std::optional<Fault>& fault, httplib::Response& res) {
  if (!fault) return false;
  if (fault->kind == "status") {
    res.status = fault->status;
    if (fault->status / 100 == 3) res.set_header("Location", "/moved/");
    res.set_content("<html><body>" + std::to_string(fault->status) + "</body></html>\n",
                    "text/html");
    return true;
  }
  if (fault->kind == "silent") {
    // Holds the connection without a byte until the time is up or the server stops.
    std::unique_lock lock(st.hold_mutex);
    st.hold_cv.wait_for(lock, std::chrono::milliseconds(fault->ms > 0 ? fault->ms : 120000),
                        [&] { return st.stopping; });
    res.status = 503;
    return true;
  }
  if (fault->kind == "malformed") {
    res.set_content("<html><head><title>Error</title></head><body>Internal error</body></html>\n",
                    kContentType);
    return true;
  }
  if (fault->kind == "empty") {
    res.set_content("", kContentType);
    return true;
  }
  return false;
}

// "down": this request is answered, but the listener takes no connection after it, as a server
// that goes down between two requests (the next one is refused). Only the listener is closed;
// the reply on the connection at hand is still written.
void TakeDownAfter(const std::optional<Fault>& fault, httplib::Server& server) {
  if (fault && fault->kind == "down") server.stop();
}

void AddRoutes(httplib::Server& server, State& st) {
  auto cgi = [&st,
              &server](std::string (*handler)(State&, const std::map<std::string, std::string>&)) {
    return [&st, &server, handler](const httplib::Request& req, httplib::Response& res) {
      st.log->Add(req);
      auto fault = st.faults.Take(req.path);
      if (ReplaceReply(st, fault, res)) return;
      const auto form = ParseForm(req.body);
      // "duplicate": the request reaches the server twice (a retransmission); the client reads
      // the answer to the second.
      if (fault && fault->kind == "duplicate") handler(st, form);
      Send(st, fault, handler(st, form), res);
      TakeDownAfter(fault, server);
    };
  };
  server.Post("/signup_pc/signup_pc.cgi", cgi(Signup));
  server.Post("/profile_pc/rst/QXSRst_PCEIA.cgi", cgi(Recover));
  server.Post("/cmtool/menu/PC_IDGetEIA.cgi", cgi(IssueCommId));
  server.Get("/signup_pc/kiyaku.txt",
             [&st, &server](const httplib::Request& req, httplib::Response& res) {
               st.log->Add(req);
               auto fault = st.faults.Take(req.path);
               if (ReplaceReply(st, fault, res)) return;
               Send(st, fault, st.terms, res);
               TakeDownAfter(fault, server);
             });
  // Any other path: the servers' own not-found page, still recorded and open to faults.
  auto other = [&st](const httplib::Request& req, httplib::Response& res) {
    st.log->Add(req);
    auto fault = st.faults.Take(req.path);
    if (ReplaceReply(st, fault, res)) return;
    res.status = 404;
    res.set_content("<html><body>Not Found</body></html>\n", "text/html");
  };
  server.Get(".*", other);
  server.Post(".*", other);
}

void AddControl(httplib::Server& server, State& st) {
  server.Post("/_control/fault", [&st](const httplib::Request& req, httplib::Response& res) {
    auto form = ParseForm(req.body);
    Fault f;
    f.kind = form["kind"];
    static const std::set<std::string> kKinds = {"status",    "silent", "cut",     "malformed",
                                                 "pieces",    "long",   "chunked", "empty",
                                                 "duplicate", "down",   "endless"};
    if (form["path"].empty() || kKinds.count(f.kind) == 0) {
      res.status = 400;
      res.set_content("bad fault\n", "text/plain");
      return;
    }
    auto number = [&](const char* key, int fallback) {
      return form[key].empty() ? fallback : std::atoi(form[key].c_str());
    };
    f.count = number("count", 1);
    f.status = number("status", 500);
    f.ms = number("ms", 0);
    f.size = number("size", 3000);
    f.piece = number("piece", 0);
    st.faults.Set(form["path"], f);
    res.set_content("ok\n", "text/plain");
  });
  server.Post("/_control/clear", [&st](const httplib::Request&, httplib::Response& res) {
    st.faults.Clear();
    res.set_content("ok\n", "text/plain");
  });
  server.Get("/_control/log", [&st](const httplib::Request&, httplib::Response& res) {
    res.set_content(st.log->All(), "application/octet-stream");
  });
  server.Post("/_control/log/clear", [&st](const httplib::Request&, httplib::Response& res) {
    st.log->Clear();
    res.set_content("ok\n", "text/plain");
  });
  server.Post("/_control/account", [&st](const httplib::Request& req, httplib::Response& res) {
    auto form = ParseForm(req.body);
    if (form["account"].empty() || !st.accounts->Insert(form["account"], form["password"])) {
      res.status = 400;
      res.set_content("bad account\n", "text/plain");
      return;
    }
    res.set_content("ok\n", "text/plain");
  });
}

struct Listener {
  std::string name;
  std::unique_ptr<httplib::Server> server;
  int port = 0;
};

int Usage() {
  std::fprintf(stderr,
               "usage: provider [--db FILE] [--log FILE] [--http-port N] [--https-port N]\n"
               "                [--cert FILE --key FILE] [--alt NAME=CERT,KEY ...]\n");
  return 2;
}

int Run(int argc, char** argv) {
  std::string db = ":memory:", log_file, cert, key;
  int http_port = 0, https_port = 0;
  std::vector<std::tuple<std::string, std::string, std::string>> alts;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
    if (a == "--db") {
      db = value();
    } else if (a == "--log") {
      log_file = value();
    } else if (a == "--http-port") {
      http_port = std::atoi(value().c_str());
    } else if (a == "--https-port") {
      https_port = std::atoi(value().c_str());
    } else if (a == "--cert") {
      cert = value();
    } else if (a == "--key") {
      key = value();
    } else if (a == "--alt") {
      std::string v = value();
      size_t eq = v.find('='), comma = v.find(',');
      if (eq == std::string::npos || comma == std::string::npos || comma < eq) return Usage();
      alts.emplace_back(v.substr(0, eq), v.substr(eq + 1, comma - eq - 1), v.substr(comma + 1));
    } else {
      return Usage();
    }
  }
  if (cert.empty() != key.empty()) return Usage();

  // Signals are taken by a thread of their own so that the servers stop cleanly.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  AccountStore accounts(db);
  if (!accounts.ok()) {
    std::fprintf(stderr, "provider: cannot open database %s\n", db.c_str());
    return 1;
  }
  RequestLog log(log_file);
  State st;
  st.accounts = &accounts;
  st.log = &log;
  // The document is kept as a text file made on Windows would be: CR LF line ends.
  std::string terms;
  for (const char* c = TermsTextUtf8(); *c != '\0'; ++c) {
    if (*c == '\n') terms += '\r';
    terms += *c;
  }
  st.terms = ToCp932(terms);

  std::vector<Listener> listeners;
  auto add = [&](const std::string& name, std::unique_ptr<httplib::Server> server, int port) {
    if (!server->is_valid()) {
      std::fprintf(stderr, "provider: cannot set up the %s listener\n", name.c_str());
      return false;
    }
    server->set_read_timeout(30, 0);
    server->set_write_timeout(30, 0);
    if (name == "http") AddControl(*server, st);
    AddRoutes(*server, st);
    int bound = port == 0 ? server->bind_to_any_port("127.0.0.1")
                          : (server->bind_to_port("127.0.0.1", port) ? port : -1);
    if (bound <= 0) {
      std::fprintf(stderr, "provider: cannot bind the %s listener\n", name.c_str());
      return false;
    }
    listeners.push_back({name, std::move(server), bound});
    return true;
  };
  if (!add("http", std::make_unique<httplib::Server>(), http_port)) return 1;
  if (!cert.empty() &&
      !add("https", std::make_unique<httplib::SSLServer>(cert.c_str(), key.c_str()), https_port))
    return 1;
  for (const auto& [name, c, k] : alts)
    if (!add(name, std::make_unique<httplib::SSLServer>(c.c_str(), k.c_str()), 0)) return 1;

  std::vector<std::thread> threads;
  for (auto& l : listeners) threads.emplace_back([&l] { l.server->listen_after_bind(); });
  std::string line;
  for (const auto& l : listeners)
    line += (line.empty() ? "" : " ") + l.name + "=" + std::to_string(l.port);
  std::cout << line << std::endl;

  int sig = 0;
  sigwait(&signals, &sig);
  {
    std::lock_guard lock(st.hold_mutex);
    st.stopping = true;
  }
  st.hold_cv.notify_all();
  for (auto& l : listeners) l.server->stop();
  for (auto& t : threads) t.join();
  return 0;
}

}  // namespace
}  // namespace provider

int main(int argc, char** argv) { return provider::Run(argc, argv); }
