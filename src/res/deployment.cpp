// The provider's deployment data: which names a source may hold, what each value must look like,
// and the deployed texts the string table serves in place of its own.
#include "res/deployment.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <string_view>

#include "platform/codepage.h"
#include "res/resources.h"

namespace res {
namespace {

enum class Kind { Url, Number, Account, Secret, MailDomain };

struct Rule {
  DeploymentName name;
  Kind kind;
};

// The mail domain the notice names as compiled in; a deployed one takes its place there.
constexpr std::string_view kBuiltInMailDomain = "mail.example.com";

const std::vector<Rule>& Rules() {
  static const std::vector<Rule> rules = {
      {{"SignupServer", "SIGNUPSERVER", IDS_SIGNUP_SERVER_URL}, Kind::Url},
      {{"ProfileServer", "PROFILESERVER", IDS_PROFILE_SERVER_URL}, Kind::Url},
      {{"SearchServer", "SEARCHSERVER", IDS_SEARCH_SERVER_URL}, Kind::Url},
      {{"AccessNumber", "ACCESSNUMBER", IDS_FREE_ACCESS_NUMBER}, Kind::Number},
      {{"SignupDialUser", "SIGNUPDIALUSER", IDS_SIGNUP_DIAL_USER}, Kind::Account},
      {{"SignupDialPassword", "SIGNUPDIALPASSWORD", IDS_SIGNUP_DIAL_PASSWORD}, Kind::Secret},
      {{"RecoveryDialUser", "RECOVERYDIALUSER", IDS_RECOVERY_DIAL_USER}, Kind::Account},
      {{"RecoveryDialPassword", "RECOVERYDIALPASSWORD", IDS_RECOVERY_DIAL_PASSWORD}, Kind::Secret},
      {{"MailDomain", "MAILDOMAIN", IDS_MAIL_NOTICE}, Kind::MailDomain},
  };
  return rules;
}

// Longest values: a URL as WinInet takes it, a phone number and an account as the dial-up
// library's structures hold them (RAS_MaxPhoneNumber, UNLEN, PWLEN), a DNS name.
size_t MaxLength(Kind kind) {
  switch (kind) {
    case Kind::Url:
      return 2048;
    case Kind::Number:
      return 128;
    case Kind::Account:
    case Kind::Secret:
      return 256;
    case Kind::MailDomain:
      return 253;
  }
  return 0;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAlnum(char c) { return IsDigit(c) || ((c | 0x20) >= 'a' && (c | 0x20) <= 'z'); }

bool IsUrl(std::string_view v) {
  size_t host = 0;
  if (platform::StartsWithNoCase(v, "http://"))
    host = 7;
  else if (platform::StartsWithNoCase(v, "https://"))
    host = 8;
  if (host == 0 || host >= v.size() || v[host] == '/' || v[host] == ':') return false;
  for (char c : v)
    if (static_cast<unsigned char>(c) <= ' ' || static_cast<unsigned char>(c) >= 0x7F) return false;
  return true;
}

// What a modem dials: digits, tone keys, pauses and dial modifiers, and the separators people
// write between groups of digits.
bool IsDialable(std::string_view v) {
  bool digit = false;
  for (char c : v) {
    digit = digit || IsDigit(c);
    if (!IsDigit(c) && std::string_view("*#,-() +WwPpTt!@").find(c) == std::string_view::npos)
      return false;
  }
  return digit;
}

bool IsDomain(std::string_view v) {
  if (v.find('.') == std::string_view::npos) return false;
  for (size_t start = 0; start <= v.size();) {
    const size_t end = std::min(v.find('.', start), v.size());
    const std::string_view label = v.substr(start, end - start);
    if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-')
      return false;
    for (char c : label)
      if (!IsAlnum(c) && c != '-') return false;
    start = end + 1;
  }
  return true;
}

// The reason a value is refused, 0 when it is good.
UINT Check(Kind kind, std::string_view v) {
  for (char c : v)
    if (static_cast<unsigned char>(c) < ' ' || c == 0x7F) return IDS_DEPLOY_CONTROL;
  if (v.find_first_not_of(' ') == std::string_view::npos) return IDS_DEPLOY_EMPTY;
  if (v.size() > MaxLength(kind)) return IDS_DEPLOY_TOO_LONG;
  switch (kind) {
    case Kind::Url:
      return IsUrl(v) ? 0 : IDS_DEPLOY_NOT_URL;
    case Kind::Number:
      return IsDialable(v) ? 0 : IDS_DEPLOY_NOT_DIALABLE;
    case Kind::MailDomain:
      return IsDomain(v) ? 0 : IDS_DEPLOY_NOT_DOMAIN;
    case Kind::Account:
    case Kind::Secret:
      return 0;
  }
  return 0;
}

// The texts in use by string number, and the values they came from. Set at start-up before the
// other threads run; the lock keeps a late reader (the dial's notifier thread) safe all the same.
struct Deployed {
  std::mutex lock;
  std::map<UINT, std::string> texts;
  std::vector<DeployedValue> values;
};

Deployed& State() {
  static Deployed state;
  return state;
}

const Rule* RuleOf(std::string_view name) {
  for (const Rule& r : Rules())
    if (platform::EqualsNoCase(name, r.name.name)) return &r;
  return nullptr;
}

std::string Replaced(std::string text, std::string_view from, std::string_view to) {
  for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
    text.replace(at, from.size(), to);
  return text;
}

}  // namespace

const std::vector<DeploymentName>& DeploymentNames() {
  static const std::vector<DeploymentName> names = [] {
    std::vector<DeploymentName> out;
    for (const Rule& r : Rules()) out.push_back(r.name);
    return out;
  }();
  return names;
}

std::vector<DeploymentRefusal> ApplyDeployment(const platform::DeploymentSource& source) {
  {
    // The reasons and the notice below are the string table's own.
    std::lock_guard<std::mutex> hold(State().lock);
    State().texts.clear();
    State().values.clear();
  }
  std::vector<DeploymentRefusal> refused;
  auto refuse = [&](const platform::DeploymentEntry& e, UINT reason) {
    refused.push_back({e.name, e.value, e.where, String(reason)});
  };
  if (source.problem == platform::DeploymentProblem::kUnreadable)
    refused.push_back(
        {"", "", source.where, String(IDS_DEPLOY_UNREADABLE) + " (" + source.detail + ")"});
  std::map<const Rule*, const platform::DeploymentEntry*> taken;
  for (const platform::DeploymentEntry& e : source.entries) {
    if (e.problem != platform::DeploymentProblem::kNone) {
      refuse(e, e.problem == platform::DeploymentProblem::kNotText ? IDS_DEPLOY_NOT_TEXT
                                                                   : IDS_DEPLOY_MALFORMED);
      continue;
    }
    const Rule* rule = RuleOf(e.name);
    if (rule == nullptr) {
      refuse(e, IDS_DEPLOY_UNKNOWN);
    } else if (taken.count(rule)) {
      refuse(e, IDS_DEPLOY_DUPLICATE);
    } else if (const UINT reason = Check(rule->kind, e.value)) {
      refuse(e, reason);
      taken[rule] = nullptr;
    } else {
      taken[rule] = &e;
    }
  }
  std::map<UINT, std::string> texts;
  std::vector<DeployedValue> values;
  for (const Rule& r : Rules()) {
    auto it = taken.find(&r);
    if (it == taken.end() || it->second == nullptr) continue;
    const std::string& value = it->second->value;
    values.push_back({r.name.name, value, it->second->where});
    texts[r.name.stringId] = r.kind == Kind::MailDomain
                                 ? Replaced(String(r.name.stringId), kBuiltInMailDomain, value)
                                 : value;
  }
  Deployed& state = State();
  std::lock_guard<std::mutex> hold(state.lock);
  state.texts = std::move(texts);
  state.values = std::move(values);
  return refused;
}

std::vector<DeploymentRefusal> LoadDeployment() {
  return ApplyDeployment(platform::ReadDeploymentSource());
}

std::vector<DeployedValue> DeployedValues() {
  std::lock_guard<std::mutex> hold(State().lock);
  return State().values;
}

bool DeployedString(UINT id, std::string& out) {
  Deployed& state = State();
  std::lock_guard<std::mutex> hold(state.lock);
  auto it = state.texts.find(id);
  if (it == state.texts.end()) return false;
  out = it->second;
  return true;
}

std::string DeploymentValueInUse(const DeploymentName& name) {
  for (const DeployedValue& v : DeployedValues())
    if (v.name == name.name) return v.value;
  const Rule* rule = RuleOf(name.name);
  return rule && rule->kind == Kind::MailDomain ? std::string(kBuiltInMailDomain)
                                                : String(name.stringId);
}

std::string DeploymentMessage(const std::vector<DeploymentRefusal>& refusals) {
  std::string text = String(IDS_DEPLOY_REFUSED);
  for (const DeploymentRefusal& r : refusals) {
    text +=
        "\r\n" + (r.name.empty() ? std::string() : r.name + " ") + "(" + r.where + "): " + r.reason;
    // A password is not shown, not even a refused one.
    const Rule* rule = RuleOf(r.name);
    if (!r.value.empty() && !(rule && rule->kind == Kind::Secret)) text += " \"" + r.value + "\"";
  }
  return text;
}

}  // namespace res
