// The simulated dial-up library: the RAS entry points over the state directory, with dial progress
// advanced one state per status poll and reported to the caller's notifier on a thread of its own.
#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "state.h"

#ifdef _WIN32
#define RASSIM_EXPORT extern "C" __declspec(dllexport)
#else
#define RASSIM_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace rassim {
namespace {

struct Event {
  int state;
  DWORD error;
  DWORD extended;
};

// The notifier of one dial in this process. Deliver hands events to its thread and returns once
// the callback has handled them, so a status poll returns only after the notifier has seen what
// the poll reveals.
class Session {
 public:
  Session(HRASCONN handle, DWORD type, void* notifier)
      : handle_(handle), type_(type), notifier_(notifier) {
    thread_ = std::thread([this] { Run(); });
  }
  ~Session() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    cv_.notify_all();
    if (thread_.joinable()) thread_.join();
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  bool OnOwnThread() const { return std::this_thread::get_id() == thread_.get_id(); }

  void Deliver(const std::vector<Event>& events) {
    std::unique_lock<std::mutex> lock(mutex_);
    for (const Event& e : events) queue_.push_back(e);
    queued_ += events.size();
    uint64_t target = queued_;
    cv_.notify_all();
    // A callback that polls its own connection must not wait for itself.
    if (OnOwnThread()) return;
    cv_.wait(lock, [&] { return handled_ >= target || stop_; });
  }

  // Ends the thread after the callback in progress, dropping what it has not delivered.
  void RequestStop() {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
    cv_.notify_all();
  }

 private:
  void Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (true) {
      cv_.wait(lock, [&] { return stop_ || !queue_.empty(); });
      if (stop_) return;
      Event e = queue_.front();
      queue_.pop_front();
      lock.unlock();
      RASCONNSTATE state = static_cast<RASCONNSTATE>(e.state);
      if (type_ == 0)
        reinterpret_cast<RASDIALFUNC>(notifier_)(WM_RASDIALEVENT, state, e.error);
      else
        reinterpret_cast<RASDIALFUNC1>(notifier_)(handle_, WM_RASDIALEVENT, state, e.error,
                                                  e.extended);
      lock.lock();
      ++handled_;
      cv_.notify_all();
    }
  }

  const HRASCONN handle_;
  const DWORD type_;
  void* const notifier_;
  std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<Event> queue_;
  uint64_t queued_ = 0;
  uint64_t handled_ = 0;
  bool stop_ = false;
  std::thread thread_;
};

// The notifier threads of this load of the library. Destroyed when the library is unloaded (or
// the process ends), which joins every thread, so no code of ours runs after dlclose.
class Sessions {
 public:
  ~Sessions() {
    std::map<HRASCONN, std::shared_ptr<Session>> active;
    std::vector<std::shared_ptr<Session>> retired;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      for (auto& [handle, session] : active_) session->RequestStop();
      active.swap(active_);
      retired.swap(retired_);
    }
    // Joined outside the lock: a callback still running may call into the library once more.
    active.clear();
    retired.clear();
  }

  void Start(HRASCONN handle, DWORD type, void* notifier) {
    std::vector<std::shared_ptr<Session>> finished;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      auto own = std::partition(retired_.begin(), retired_.end(),
                                [](const std::shared_ptr<Session>& s) { return s->OnOwnThread(); });
      finished.assign(own, retired_.end());
      retired_.erase(own, retired_.end());
      // A handle met again (the state was reset) replaces a session of this load.
      std::shared_ptr<Session>& slot = active_[handle];
      if (slot != nullptr) {
        slot->RequestStop();
        (slot->OnOwnThread() ? retired_ : finished).push_back(std::move(slot));
      }
      slot = std::make_shared<Session>(handle, type, notifier);
    }
    finished.clear();  // joins, outside the lock
  }

  // Hands events to the dial's notifier. A callback reporting on its own dial only queues them
  // and takes no reference: the last reference dropped on a notifier thread would make the
  // session join its own thread.
  void Deliver(HRASCONN handle, const std::vector<Event>& events) {
    std::shared_ptr<Session> session;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      auto it = active_.find(handle);
      if (it == active_.end()) return;
      if (it->second->OnOwnThread()) {
        it->second->Deliver(events);
        return;
      }
      session = it->second;
    }
    session->Deliver(events);
  }

  // The dial has ended or been hung up: its thread goes. A session ended from its own callback
  // cannot join itself and waits for the next start or the unload.
  void End(HRASCONN handle) {
    std::shared_ptr<Session> session;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      auto it = active_.find(handle);
      if (it == active_.end()) return;
      session = it->second;
      active_.erase(it);
      session->RequestStop();
      if (session->OnOwnThread()) {
        retired_.push_back(session);
        return;
      }
    }
    session.reset();
  }

 private:
  std::mutex mutex_;
  std::map<HRASCONN, std::shared_ptr<Session>> active_;
  std::vector<std::shared_ptr<Session>> retired_;
};

Sessions g_sessions;

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  size_t start = 0;
  while (start < text.size()) {
    size_t space = text.find(' ', start);
    if (space == std::string::npos) space = text.size();
    if (space > start) words.push_back(text.substr(start, space - start));
    start = space + 1;
  }
  return words;
}

std::vector<Step> PathOf(const Connection& c) {
  auto outcome = ParseOutcome(Words(c.outcome), nullptr);
  return DialPath(outcome ? *outcome : Outcome{});
}

void FillStatus(const Connection& c, RASCONNSTATUSA* status) {
  status->rasconnstate = static_cast<RASCONNSTATE>(c.state);
  status->dwError = c.status == Status::kFailed ? c.error : 0;
  CopyField(status->szDeviceType, c.device_type);
  CopyField(status->szDeviceName, c.device_name);
}

// The size protocol of the enumerations: lpcb is the buffer's size in bytes, the first element's
// dwSize must be the structure's, and a buffer too small gets the needed size and count back.
template <typename T>
DWORD CheckEnumBuffer(T* buffer, LPDWORD lpcb, LPDWORD lpcCount, size_t count) {
  if (lpcb == nullptr || lpcCount == nullptr) return ERROR_INVALID_PARAMETER;
  if (buffer != nullptr && buffer->dwSize != sizeof(T)) return ERROR_INVALID_SIZE;
  DWORD needed = static_cast<DWORD>(count * sizeof(T));
  DWORD capacity = buffer == nullptr ? 0 : *lpcb;
  *lpcCount = static_cast<DWORD>(count);
  if (capacity < needed) {
    *lpcb = needed;
    return ERROR_BUFFER_TOO_SMALL;
  }
  *lpcb = needed;
  return ERROR_SUCCESS;
}

std::string Hex(DWORD v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%X", static_cast<unsigned>(v));
  return buf;
}

void RecordDial(const std::string& dir, const Service& service, const Connection& c,
                const RASDIALPARAMSA& params, const Entry* entry) {
  DialRecord r;
  r.emplace_back("number", std::to_string(service.dials));
  r.emplace_back("handle", std::to_string(c.handle));
  r.emplace_back("entry", FieldText(params.szEntryName));
  r.emplace_back("phone", c.phone);
  r.emplace_back("user", FieldText(params.szUserName));
  r.emplace_back("password", FieldText(params.szPassword));
  r.emplace_back("domain", FieldText(params.szDomain));
  r.emplace_back("device_type", c.device_type);
  r.emplace_back("device_name", c.device_name);
  r.emplace_back("outcome", c.outcome);
  r.emplace_back("entry_existed", entry ? "1" : "0");
  if (entry) {
    const RASENTRYA& p = entry->props;
    r.emplace_back("entry_phone", FieldText(p.szLocalPhoneNumber));
    r.emplace_back("entry_options", Hex(p.dwfOptions));
    r.emplace_back("entry_net_protocols", Hex(p.dwfNetProtocols));
    r.emplace_back("entry_framing", Hex(p.dwFramingProtocol));
    r.emplace_back("entry_country_id", std::to_string(p.dwCountryID));
    r.emplace_back("entry_country_code", std::to_string(p.dwCountryCode));
    r.emplace_back("entry_area_code", FieldText(p.szAreaCode));
    r.emplace_back("entry_device_type", FieldText(p.szDeviceType));
    r.emplace_back("entry_device_name", FieldText(p.szDeviceName));
    r.emplace_back("entry_has_params", entry->has_params ? "1" : "0");
    r.emplace_back("entry_user", entry->user);
    r.emplace_back("entry_password", entry->password);
  }
  SaveDialRecord(dir, r);
}

struct ErrorText {
  DWORD code;
  const char* text;
};

const ErrorText kErrorTexts[] = {
    {ERROR_INVALID_HANDLE, "The handle is invalid."},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect."},
    {ERROR_INVALID_NAME, "The filename, directory name, or volume label syntax is incorrect."},
    {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists."},
    {ERROR_INVALID_PORT_HANDLE, "An invalid port handle was detected."},
    {ERROR_BUFFER_TOO_SMALL, "Caller's buffer is too small."},
    {ERROR_DEVICE_DOES_NOT_EXIST, "A device was specified that does not exist."},
    {ERROR_BUFFER_INVALID, "The caller's buffer is invalid."},
    {ERROR_CANNOT_OPEN_PHONEBOOK, "Cannot open the phone book file."},
    {ERROR_CANNOT_LOAD_PHONEBOOK, "Cannot load the phone book file."},
    {ERROR_CANNOT_FIND_PHONEBOOK_ENTRY, "Cannot find the phone book entry."},
    {ERROR_CANNOT_WRITE_PHONEBOOK, "Cannot write the phone book file."},
    {ERROR_DISCONNECTION, "The port was disconnected."},
    {ERROR_REMOTE_DISCONNECTION, "The port was disconnected by the remote machine."},
    {ERROR_HARDWARE_FAILURE, "The port was disconnected due to hardware failure."},
    {ERROR_USER_DISCONNECTION, "The port was disconnected by the user."},
    {ERROR_INVALID_SIZE, "The structure size is incorrect."},
    {ERROR_REQUEST_TIMEOUT, "The request has timed out."},
    {ERROR_PORT_NOT_AVAILABLE,
     "The port is already in use or is not configured for Remote Access dial out."},
    {ERROR_NO_CONNECTION, "The connection dropped."},
    {ERROR_LINE_BUSY, "The line is busy."},
    {ERROR_VOICE_ANSWER, "A person answered instead of a modem."},
    {ERROR_NO_ANSWER, "There is no answer."},
    {ERROR_NO_CARRIER, "Cannot detect carrier."},
    {ERROR_NO_DIALTONE, "There is no dial tone."},
    {ERROR_AUTHENTICATION_FAILURE,
     "Access was denied because the username and/or password was invalid on the domain."},
    {ERROR_PORT_OR_DEVICE,
     "There was a hardware failure in the modem (or other connecting "
     "device)."},
    {ERROR_PPP_TIMEOUT, "Timed out waiting for a valid response from the remote PPP peer."},
    {ERROR_PROJECTION_NOT_COMPLETE, "The projection result information is not available."},
    {ERROR_PROTOCOL_NOT_CONFIGURED, "The protocol is not configured."},
    {ERROR_CANNOT_DO_CUSTOMDIAL,
     "The system cannot perform automated dial because this connection has a custom dialer "
     "specified."},
    {ERROR_DIAL_ALREADY_IN_PROGRESS, "This connection is already being dialed."},
};

}  // namespace
}  // namespace rassim

using namespace rassim;

RASSIM_EXPORT DWORD WINAPI RasEnumDevicesA(LPRASDEVINFOA lpRasDevInfo, LPDWORD lpcb,
                                           LPDWORD lpcDevices) {
  std::string dir = StateDir();
  Lock lock(dir);
  if (!lock.ok()) return ERROR_CANNOT_OPEN_PHONEBOOK;
  Service s = LoadService(dir);
  // A misbehaving library may claim more devices than it has (rassim set device-count).
  const size_t claimed = s.device_count != 0 ? s.device_count : s.devices.size();
  DWORD rc = CheckEnumBuffer(lpRasDevInfo, lpcb, lpcDevices, std::max(claimed, s.devices.size()));
  if (rc != ERROR_SUCCESS) return rc;
  for (size_t i = 0; i < s.devices.size(); ++i) {
    RASDEVINFOA& d = lpRasDevInfo[i];
    d.dwSize = sizeof(RASDEVINFOA);
    CopyField(d.szDeviceType, s.devices[i].type);
    CopyField(d.szDeviceName, s.devices[i].name);
  }
  return ERROR_SUCCESS;
}

RASSIM_EXPORT DWORD WINAPI RasEnumEntriesA(LPCSTR reserved, LPCSTR lpszPhonebook,
                                           LPRASENTRYNAMEA lprasentryname, LPDWORD lpcb,
                                           LPDWORD lpcEntries) {
  if (reserved != nullptr) return ERROR_INVALID_PARAMETER;
  std::string dir = StateDir();
  Lock lock(dir);
  auto entries = LoadPhonebook(PhonebookPath(dir, lpszPhonebook));
  if (!lock.ok() || !entries) return ERROR_CANNOT_OPEN_PHONEBOOK;
  DWORD rc = CheckEnumBuffer(lprasentryname, lpcb, lpcEntries, entries->size());
  if (rc != ERROR_SUCCESS) return rc;
  for (size_t i = 0; i < entries->size(); ++i) {
    lprasentryname[i].dwSize = sizeof(RASENTRYNAMEA);
    CopyField(lprasentryname[i].szEntryName, (*entries)[i].name);
  }
  return ERROR_SUCCESS;
}

RASSIM_EXPORT DWORD WINAPI RasEnumConnectionsA(LPRASCONNA lprasconn, LPDWORD lpcb,
                                               LPDWORD lpcConnections) {
  std::string dir = StateDir();
  Lock lock(dir);
  if (!lock.ok()) return ERROR_CANNOT_OPEN_PHONEBOOK;
  Service s = LoadService(dir);
  std::vector<const Connection*> listed;
  for (const Connection& c : s.connections)
    if (Service::Listed(c)) listed.push_back(&c);
  DWORD rc = CheckEnumBuffer(lprasconn, lpcb, lpcConnections, listed.size());
  if (rc != ERROR_SUCCESS) return rc;
  for (size_t i = 0; i < listed.size(); ++i) {
    RASCONNA& out = lprasconn[i];
    out.dwSize = sizeof(RASCONNA);
    out.hrasconn = listed[i]->handle;
    CopyField(out.szEntryName, listed[i]->entry);
    CopyField(out.szDeviceType, listed[i]->device_type);
    CopyField(out.szDeviceName, listed[i]->device_name);
  }
  return ERROR_SUCCESS;
}

RASSIM_EXPORT DWORD WINAPI RasGetConnectStatusA(HRASCONN hrasconn,
                                                LPRASCONNSTATUSA lprasconnstatus) {
  if (lprasconnstatus == nullptr) return ERROR_INVALID_PARAMETER;
  if (lprasconnstatus->dwSize != sizeof(RASCONNSTATUSA)) return ERROR_INVALID_SIZE;
  std::string dir = StateDir();
  enum { kGone, kShown, kAdvanced } result = kGone;
  Connection c;
  Step step;
  {
    Lock lock(dir);
    if (!lock.ok()) return ERROR_INVALID_HANDLE;
    Service s = LoadService(dir);
    Connection* found = s.Find(hrasconn);
    if (found != nullptr && found->status == Status::kClosing) {
      // Hung up, perhaps by another process: the handle answers Disconnected for the configured
      // number of polls, the last of which finds it gone.
      if (--found->closing_polls > 0) {
        c = *found;
        c.state = RASCS_Disconnected;
        result = kShown;
      } else {
        std::erase_if(s.connections, [&](const Connection& x) { return x.handle == hrasconn; });
      }
      SaveService(dir, s);
    } else if (found != nullptr) {
      result = kShown;
      std::vector<Step> path = PathOf(*found);
      size_t next = static_cast<size_t>(found->step + 1);
      if (found->status == Status::kDialling && next < path.size()) {
        step = path[next];
        found->step = static_cast<int>(next);
        found->state = step.state;
        found->error = step.error;
        found->extended = step.extended;
        found->status = step.result;
        result = kAdvanced;
        SaveService(dir, s);
      }
      c = *found;
    }
  }
  if (result == kAdvanced) {
    std::vector<Event> events{{step.state, step.error, step.extended}};
    if (step.second_error != 0) events.push_back({step.state, step.second_error, 0});
    g_sessions.Deliver(hrasconn, events);
    if (step.result != Status::kDialling) g_sessions.End(hrasconn);
  } else if (result == kGone || c.status == Status::kClosing) {
    g_sessions.End(hrasconn);
  }
  if (result == kGone) return ERROR_INVALID_HANDLE;
  FillStatus(c, lprasconnstatus);
  return ERROR_SUCCESS;
}

RASSIM_EXPORT DWORD WINAPI RasHangUpA(HRASCONN hrasconn) {
  std::string dir = StateDir();
  {
    Lock lock(dir);
    if (!lock.ok()) return ERROR_INVALID_HANDLE;
    Service s = LoadService(dir);
    Connection* c = s.Find(hrasconn);
    if (c == nullptr) return ERROR_INVALID_HANDLE;
    if (c->status != Status::kClosing) {
      c->status = Status::kClosing;
      c->closing_polls = std::max(1, s.hangup_polls);
      if (!SaveService(dir, s)) return ERROR_INVALID_HANDLE;
    }
  }
  g_sessions.End(hrasconn);
  return ERROR_SUCCESS;
}

RASSIM_EXPORT DWORD WINAPI RasGetErrorStringA(UINT uErrorValue, LPSTR lpszErrorString,
                                              DWORD cBufSize) {
  if (lpszErrorString == nullptr || cBufSize == 0) return ERROR_INVALID_PARAMETER;
  for (const ErrorText& e : kErrorTexts) {
    if (e.code != uErrorValue) continue;
    size_t n = std::strlen(e.text);
    if (n + 1 > cBufSize) return ERROR_INSUFFICIENT_BUFFER;
    std::memcpy(lpszErrorString, e.text, n + 1);
    return ERROR_SUCCESS;
  }
  return ERROR_INVALID_PARAMETER;
}

RASSIM_EXPORT DWORD WINAPI RasDialA(LPRASDIALEXTENSIONS lpRasDialExtensions, LPCSTR lpszPhonebook,
                                    LPRASDIALPARAMSA lpRasDialParams, DWORD dwNotifierType,
                                    LPVOID lpvNotifier, LPHRASCONN lphRasConn) {
  if (lpRasDialParams == nullptr || lphRasConn == nullptr) return ERROR_INVALID_PARAMETER;
  if (lpRasDialParams->dwSize != sizeof(RASDIALPARAMSA)) return ERROR_INVALID_SIZE;
  if (lpRasDialExtensions != nullptr && lpRasDialExtensions->dwSize != sizeof(RASDIALEXTENSIONS))
    return ERROR_INVALID_SIZE;
  if (lpvNotifier != nullptr && dwNotifierType != 0 && dwNotifierType != 1)
    return ERROR_INVALID_PARAMETER;
  std::string dir = StateDir();
  Connection c;
  {
    Lock lock(dir);
    auto entries = LoadPhonebook(PhonebookPath(dir, lpszPhonebook));
    if (!lock.ok() || !entries) return ERROR_CANNOT_OPEN_PHONEBOOK;
    Service s = LoadService(dir);
    std::string name = FieldText(lpRasDialParams->szEntryName);
    Entry* entry = nullptr;
    if (!name.empty()) {
      entry = FindEntry(*entries, name);
      if (entry == nullptr) return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    }
    ChooseDevice(s, entry, &c);
    std::string phone = FieldText(lpRasDialParams->szPhoneNumber);
    c.phone = phone.empty() && entry ? FieldText(entry->props.szLocalPhoneNumber) : phone;
    c.entry = name;
    c.handle = s.next_handle++;
    c.status = Status::kDialling;
    bool device_present = std::any_of(s.devices.begin(), s.devices.end(), [&](const Device& d) {
      return !c.device_name.empty() && SameName(d.name, c.device_name);
    });
    if (!device_present) {
      // The modem has gone since the entry was made: the port cannot be opened.
      c.outcome = "error " + std::to_string(ERROR_PORT_NOT_AVAILABLE) + " --at OpenPort";
    } else if (!s.outcomes.empty()) {
      c.outcome = s.outcomes.front();
      s.outcomes.pop_front();
    } else {
      c.outcome = "connect";
    }
    s.connections.push_back(c);
    ++s.dials;
    if (!SaveService(dir, s)) return ERROR_CANNOT_WRITE_PHONEBOOK;
    RecordDial(dir, s, c, *lpRasDialParams, entry);
  }
  *lphRasConn = c.handle;
  if (lpvNotifier != nullptr) g_sessions.Start(c.handle, dwNotifierType, lpvNotifier);
  return ERROR_SUCCESS;
}

RASSIM_EXPORT DWORD WINAPI RasValidateEntryNameA(LPCSTR lpszPhonebook, LPCSTR lpszEntry) {
  if (lpszEntry == nullptr || !ValidEntryName(lpszEntry)) return ERROR_INVALID_NAME;
  std::string dir = StateDir();
  Lock lock(dir);
  auto entries = LoadPhonebook(PhonebookPath(dir, lpszPhonebook));
  if (!lock.ok() || !entries) return ERROR_CANNOT_OPEN_PHONEBOOK;
  return FindEntry(*entries, lpszEntry) != nullptr ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS;
}

RASSIM_EXPORT DWORD WINAPI RasSetEntryPropertiesA(LPCSTR lpszPhonebook, LPCSTR lpszEntry,
                                                  LPRASENTRYA lpRasEntry, DWORD dwEntryInfoSize,
                                                  LPBYTE lpbDeviceInfo, DWORD dwDeviceInfoSize) {
  if (lpRasEntry == nullptr) return ERROR_INVALID_PARAMETER;
  if (lpRasEntry->dwSize != sizeof(RASENTRYA) || dwEntryInfoSize < sizeof(RASENTRYA))
    return ERROR_INVALID_SIZE;
  if (lpszEntry == nullptr || !ValidEntryName(lpszEntry)) return ERROR_INVALID_NAME;
  std::string dir = StateDir();
  Lock lock(dir);
  std::string path = PhonebookPath(dir, lpszPhonebook);
  auto entries = LoadPhonebook(path);
  if (!lock.ok() || !entries) return ERROR_CANNOT_OPEN_PHONEBOOK;
  Entry* entry = FindEntry(*entries, lpszEntry);
  if (entry == nullptr) {
    entries->emplace_back();
    entry = &entries->back();
    entry->name = lpszEntry;
  }
  entry->props = *lpRasEntry;
  return SavePhonebook(path, *entries) ? ERROR_SUCCESS : ERROR_CANNOT_WRITE_PHONEBOOK;
}

RASSIM_EXPORT DWORD WINAPI RasGetEntryPropertiesA(LPCSTR lpszPhonebook, LPCSTR lpszEntry,
                                                  LPRASENTRYA lpRasEntry, LPDWORD lpdwEntryInfoSize,
                                                  LPBYTE lpbDeviceInfo,
                                                  LPDWORD lpdwDeviceInfoSize) {
  if (lpdwEntryInfoSize == nullptr) return ERROR_INVALID_PARAMETER;
  if (lpRasEntry == nullptr || *lpdwEntryInfoSize < sizeof(RASENTRYA)) {
    *lpdwEntryInfoSize = sizeof(RASENTRYA);
    if (lpdwDeviceInfoSize != nullptr) *lpdwDeviceInfoSize = 0;
    return ERROR_BUFFER_TOO_SMALL;
  }
  if (lpRasEntry->dwSize != sizeof(RASENTRYA)) return ERROR_INVALID_SIZE;
  RASENTRYA props{};
  if (lpszEntry == nullptr || *lpszEntry == '\0') {
    // The defaults a new entry starts from.
    props.dwfNetProtocols = RASNP_Ip;
    props.dwFramingProtocol = RASFP_Ppp;
  } else {
    std::string dir = StateDir();
    Lock lock(dir);
    auto entries = LoadPhonebook(PhonebookPath(dir, lpszPhonebook));
    if (!lock.ok() || !entries) return ERROR_CANNOT_OPEN_PHONEBOOK;
    Entry* entry = FindEntry(*entries, lpszEntry);
    if (entry == nullptr) return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
    props = entry->props;
  }
  props.dwSize = sizeof(RASENTRYA);
  *lpRasEntry = props;
  *lpdwEntryInfoSize = sizeof(RASENTRYA);
  if (lpdwDeviceInfoSize != nullptr) *lpdwDeviceInfoSize = 0;
  return ERROR_SUCCESS;
}

RASSIM_EXPORT DWORD WINAPI RasDeleteEntryA(LPCSTR lpszPhonebook, LPCSTR lpszEntry) {
  if (lpszEntry == nullptr || !ValidEntryName(lpszEntry)) return ERROR_INVALID_NAME;
  std::string dir = StateDir();
  Lock lock(dir);
  std::string path = PhonebookPath(dir, lpszPhonebook);
  auto entries = LoadPhonebook(path);
  if (!lock.ok() || !entries) return ERROR_CANNOT_OPEN_PHONEBOOK;
  size_t before = entries->size();
  std::erase_if(*entries, [&](const Entry& e) { return SameName(e.name, lpszEntry); });
  if (entries->size() == before) return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  return SavePhonebook(path, *entries) ? ERROR_SUCCESS : ERROR_CANNOT_WRITE_PHONEBOOK;
}

RASSIM_EXPORT DWORD WINAPI RasSetEntryDialParamsA(LPCSTR lpszPhonebook,
                                                  LPRASDIALPARAMSA lpRasDialParams,
                                                  BOOL fRemovePassword) {
  if (lpRasDialParams == nullptr) return ERROR_INVALID_PARAMETER;
  if (lpRasDialParams->dwSize != sizeof(RASDIALPARAMSA)) return ERROR_INVALID_SIZE;
  std::string dir = StateDir();
  Lock lock(dir);
  std::string path = PhonebookPath(dir, lpszPhonebook);
  auto entries = LoadPhonebook(path);
  if (!lock.ok() || !entries) return ERROR_CANNOT_OPEN_PHONEBOOK;
  Entry* entry = FindEntry(*entries, FieldText(lpRasDialParams->szEntryName));
  if (entry == nullptr) return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  entry->has_params = true;
  entry->user = FieldText(lpRasDialParams->szUserName);
  entry->domain = FieldText(lpRasDialParams->szDomain);
  entry->callback = FieldText(lpRasDialParams->szCallbackNumber);
  entry->has_password = !fRemovePassword;
  entry->password = fRemovePassword ? "" : FieldText(lpRasDialParams->szPassword);
  return SavePhonebook(path, *entries) ? ERROR_SUCCESS : ERROR_CANNOT_WRITE_PHONEBOOK;
}

RASSIM_EXPORT DWORD WINAPI RasGetEntryDialParamsA(LPCSTR lpszPhonebook,
                                                  LPRASDIALPARAMSA lpRasDialParams,
                                                  LPBOOL lpfPassword) {
  if (lpRasDialParams == nullptr || lpfPassword == nullptr) return ERROR_INVALID_PARAMETER;
  if (lpRasDialParams->dwSize != sizeof(RASDIALPARAMSA)) return ERROR_INVALID_SIZE;
  std::string dir = StateDir();
  Lock lock(dir);
  auto entries = LoadPhonebook(PhonebookPath(dir, lpszPhonebook));
  if (!lock.ok() || !entries) return ERROR_CANNOT_OPEN_PHONEBOOK;
  Entry* entry = FindEntry(*entries, FieldText(lpRasDialParams->szEntryName));
  if (entry == nullptr) return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  CopyField(lpRasDialParams->szPhoneNumber, "");
  CopyField(lpRasDialParams->szCallbackNumber, entry->callback);
  CopyField(lpRasDialParams->szUserName, entry->user);
  CopyField(lpRasDialParams->szPassword, entry->password);
  CopyField(lpRasDialParams->szDomain, entry->domain);
  *lpfPassword = entry->has_password ? TRUE : FALSE;
  return ERROR_SUCCESS;
}

#ifndef RASSIM_WITHOUT_PROJECTION
RASSIM_EXPORT DWORD WINAPI RasGetProjectionInfoA(HRASCONN hrasconn, RASPROJECTION rasprojection,
                                                 LPVOID lpprojection, LPDWORD lpcb) {
  if (lpcb == nullptr) return ERROR_INVALID_PARAMETER;
  std::string dir = StateDir();
  Connection c;
  {
    Lock lock(dir);
    if (!lock.ok()) return ERROR_INVALID_HANDLE;
    Service s = LoadService(dir);
    Connection* found = s.Find(hrasconn);
    if (found == nullptr || found->status == Status::kClosing) return ERROR_INVALID_HANDLE;
    c = *found;
  }
  if (c.status != Status::kConnected) return ERROR_PROJECTION_NOT_COMPLETE;
  if (rasprojection != RASP_PppIp) return ERROR_PROTOCOL_NOT_CONFIGURED;
  if (lpprojection == nullptr || *lpcb < sizeof(RASPPPIPA)) {
    *lpcb = sizeof(RASPPPIPA);
    return ERROR_BUFFER_TOO_SMALL;
  }
  RASPPPIPA* ip = static_cast<RASPPPIPA*>(lpprojection);
  if (ip->dwSize != sizeof(RASPPPIPA)) return ERROR_INVALID_SIZE;
  ip->dwError = 0;
  std::string address =
      "10.64." + std::to_string((c.handle >> 8) & 0xFF) + "." + std::to_string(c.handle & 0xFF);
  CopyField(ip->szIpAddress, address);
  CopyField(ip->szServerIpAddress, "10.64.0.1");
  *lpcb = sizeof(RASPPPIPA);
  return ERROR_SUCCESS;
}
#endif
