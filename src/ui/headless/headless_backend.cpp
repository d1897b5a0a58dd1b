// The headless backend: virtual time, modal loops driven by the scenario, the transcript.
#include "ui/headless/headless_backend.h"

#include <unistd.h>

#include <algorithm>
#include <climits>

#include "platform/codepage.h"
#include "platform/read_file.h"
#include "ui/native_tree.h"

namespace ui::headless {

// ---- Transcript --------------------------------------------------------------------------------

Transcript::~Transcript() {
  if (file_ != nullptr && file_ != stdout) std::fclose(file_);
}

bool Transcript::Open() {
  if (file_ == nullptr && problem_.empty()) {
    file_ = path_.empty() ? stdout : platform::OpenOutputFile(path_, &problem_);
  }
  return file_ != nullptr;
}

void Transcript::Line(const std::string& utf8) {
  text_ += utf8;
  text_ += '\n';
  if (!Open()) return;
  if (std::fputs(utf8.c_str(), file_) < 0 || std::fputc('\n', file_) == EOF ||
      std::fflush(file_) != 0) {
    if (problem_.empty()) problem_ = "cannot be written";
  }
}

namespace {

// Length of the valid UTF-8 sequence at text[at], 0 when the byte there starts none.
size_t SequenceLength(std::string_view text, size_t at) {
  const auto c = static_cast<unsigned char>(text[at]);
  if (c < 0x80) return 1;
  size_t length = c >= 0xC2 && c <= 0xDF   ? 2
                  : c >= 0xE0 && c <= 0xEF ? 3
                  : c >= 0xF0 && c <= 0xF4 ? 4
                                           : 0;
  if (length == 0 || at + length > text.size()) return 0;
  const auto second = static_cast<unsigned char>(text[at + 1]);
  // No overlong forms, no surrogates, nothing beyond U+10FFFF.
  if ((c == 0xE0 && second < 0xA0) || (c == 0xED && second > 0x9F) ||
      (c == 0xF0 && second < 0x90) || (c == 0xF4 && second > 0x8F))
    return 0;
  for (size_t i = 1; i < length; ++i)
    if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) return 0;
  return length;
}

}  // namespace

std::string EscapeText(std::string_view utf8, bool quoted) {
  std::string out;
  out.reserve(utf8.size());
  char escape[8];
  for (size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    const size_t length = SequenceLength(utf8, i);
    if (c == '\r' || c == '\n' || c == '\t') {
      out += c == '\r' ? "\\r" : c == '\n' ? "\\n" : "\\t";
    } else if (quoted && (c == '"' || c == '\\')) {
      out += '\\';
      out += static_cast<char>(c);
    } else if (length == 0 || c < 0x20 || c == 0x7F) {
      std::snprintf(escape, sizeof escape, "\\x%02X", c);
      out += escape;
    } else if (c == 0xC2 && static_cast<unsigned char>(utf8[i + 1]) < 0xA0) {
      std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned char>(utf8[i + 1]));
      out += escape;
    } else {
      out.append(utf8.substr(i, length));
    }
    i += length == 0 ? 1 : length;
  }
  return out;
}

std::string Quote(const std::string& ansi) {
  return "\"" + EscapeText(platform::AnsiToUtf8(ansi), true) + "\"";
}

namespace {

// Virtual time that timers may still run after a scenario failure before windows are ended.
constexpr DWORD kUnwindLimitMs = 600000;

const char* IconName(UINT type) {
  switch (type & MB_ICONMASK) {
    case MB_ICONSTOP:
      return "stop";
    case MB_ICONQUESTION:
      return "question";
    case MB_ICONEXCLAMATION:
      return "exclamation";
    case MB_ICONINFORMATION:
      return "information";
    default:
      return "none";
  }
}

const char* ButtonsName(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
      return "okcancel";
    case MB_YESNO:
      return "yesno";
    case MB_YESNOCANCEL:
      return "yesnocancel";
    default:
      return "ok";
  }
}

const char* AnswerName(int answer) {
  switch (answer) {
    case IDOK:
      return "ok";
    case IDCANCEL:
      return "cancel";
    case IDYES:
      return "yes";
    case IDNO:
      return "no";
    default:
      return "none";
  }
}

// The button a box gives when it is closed without a choice.
int NegativeAnswer(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
    case MB_YESNOCANCEL:
      return IDCANCEL;
    case MB_YESNO:
      return IDNO;
    default:
      return IDOK;
  }
}

bool IsPage(const Window& w) { return dynamic_cast<const PropertyPage*>(&w) != nullptr; }

}  // namespace

// ---- Backend -----------------------------------------------------------------------------------

HeadlessBackend::HeadlessBackend(std::unique_ptr<Scenario> scenario, Transcript* transcript)
    : scenario_(std::move(scenario)), transcript_(transcript) {}

HeadlessBackend::~HeadlessBackend() = default;

void HeadlessBackend::Print(const std::string& utf8Line) {
  if (transcript_ != nullptr) transcript_->Line(utf8Line);
}

void HeadlessBackend::CreateWindow(Window& window) {
  if (auto* sheet = dynamic_cast<PropertySheet*>(&window)) {
    sheet_ = sheet;
    Print("sheet open");
  } else if (auto* d = dynamic_cast<Dialog*>(&window); d != nullptr && !IsPage(window)) {
    Print("dialog " + std::to_string(d->GetTemplateId()) + " open");
  }
  dirty_.insert(&window);
}

void HeadlessBackend::DestroyWindow(Window& window) {
  // The window's controls go with it, so their timers must not outlive them either.
  std::erase_if(timers_, [&](const Timer& t) {
    return t.window == &window || t.window->GetParent() == &window;
  });
  dirty_.erase(&window);
  if (auto* sheet = dynamic_cast<PropertySheet*>(&window)) {
    Print(std::string("sheet close ") +
          (sheet->GetModalResult() == ID_WIZFINISH ? "finish" : "cancel"));
    if (sheet_ == sheet) sheet_ = nullptr;
  } else if (auto* d = dynamic_cast<Dialog*>(&window); d != nullptr && !IsPage(window)) {
    Print("dialog " + std::to_string(d->GetTemplateId()) + " close " +
          std::to_string(d->GetModalResult()));
  }
}

void HeadlessBackend::Update(Window& window, Change what) {
  switch (what) {
    case Change::ActivePage:
      if (auto* sheet = dynamic_cast<PropertySheet*>(&window))
        Print("page " + std::to_string(sheet->GetActiveIndex()));
      break;
    case Change::Text:
      if (auto* c = dynamic_cast<Control*>(&window)) {
        const bool status =
            (c->IsEdit() && c->IsReadOnly()) || c->GetKind() == res::ControlKind::Static;
        Window* parent = c->GetParent();
        if (status && parent != nullptr && parent->IsCreated())
          Print("status " + std::to_string(c->GetDlgCtrlID()) + " " + Quote(c->GetWindowText()));
      }
      break;
    case Change::Visible:
    case Change::Repaint:
      if (dynamic_cast<Control*>(&window) == nullptr) dirty_.insert(&window);
      break;
    default:
      break;
  }
}

void HeadlessBackend::SetTimer(Window& window, UINT id, UINT ms) {
  KillTimer(window, id);
  timers_.push_back(
      {&window, id, std::max<UINT>(ms, 1), now_ + std::max<UINT>(ms, 1), ++timerSeq_});
}

void HeadlessBackend::KillTimer(Window& window, UINT id) {
  std::erase_if(timers_, [&](const Timer& t) { return t.window == &window && t.id == id; });
}

bool HeadlessBackend::FireNextTimer(DWORD limit) {
  auto it = std::min_element(timers_.begin(), timers_.end(), [](const Timer& a, const Timer& b) {
    return a.due != b.due ? a.due < b.due : a.seq < b.seq;
  });
  if (it == timers_.end() || it->due > limit) return false;
  if (it->due > now_) now_ = it->due;
  Window* window = it->window;
  UINT id = it->id;
  it->due = now_ + it->period;
  it->seq = ++timerSeq_;
  window->OnTimer(id);
  return true;
}

bool HeadlessBackend::RunPostedAndPaints() {
  if (!posted_.empty()) {
    auto fn = std::move(posted_.front());
    posted_.pop_front();
    fn();
    return true;
  }
  while (!dirty_.empty()) {
    Window* w = *dirty_.begin();
    dirty_.erase(dirty_.begin());
    if (w->IsCreated() && w->IsWindowVisible()) {
      w->OnPaint();
      return true;
    }
  }
  return false;
}

bool HeadlessBackend::CreatePresenceWindow(const std::string& className) {
  presence_.insert(className);
  return true;
}

bool HeadlessBackend::HasPresenceWindow(const std::string& className) {
  return presence_.count(className) != 0;
}

short HeadlessBackend::GetKeyState(int virtualKey) {
  return keysDown_.count(virtualKey) != 0 ? static_cast<short>(0x8000) : static_cast<short>(0);
}

void HeadlessBackend::SetKeyDown(int virtualKey, bool down) {
  if (down)
    keysDown_.insert(virtualKey);
  else
    keysDown_.erase(virtualKey);
}

void HeadlessBackend::Fail(const Command* command, const std::string& what) {
  if (failed_) return;
  failed_ = true;
  failedAt_ = now_;
  failure_ = command != nullptr
                 ? "line " + std::to_string(command->line) + ": " + command->source + ": " + what
                 : what;
  Print("fail " + failure_);
}

void HeadlessBackend::ForceEnd(Window& window) {
  // A runaway program that keeps opening windows after a failure is stopped here.
  if (++forcedEnds_ > 10000) {
    Print("fail the program keeps running after the scenario failed");
    _exit(3);
  }
  if (auto* d = dynamic_cast<Dialog*>(&window))
    d->EndDialog(IDCANCEL);
  else if (auto* s = dynamic_cast<PropertySheet*>(&window))
    s->EndDialog(IDCANCEL);
}

void HeadlessBackend::ProgramEnded() {
  ended_ = true;
  if (scenario_ && !failed_) scenario_->FinishAtEnd(*this);
}

template <class Done>
void HeadlessBackend::Loop(Done done, const char* waitingFor) {
  while (!done()) {
    if (RunPostedAndPaints()) continue;
    if (failed_) {
      // Unwinding after a failure: only time and timers go on, nothing is clicked. A window
      // whose timers never stop is ended by RunModal once that time is over.
      if (!FireNextTimer(failedAt_ + kUnwindLimitMs)) return;
      continue;
    }
    Scenario::Step step = scenario_ ? scenario_->Run(*this) : Scenario::Step::Exhausted;
    if (done() || failed_) continue;
    if (step == Scenario::Step::Progress) continue;
    // A sleep ends, and a wait gives up, at its own time, before any later timer fires.
    const DWORD wake = step == Scenario::Step::Blocked ? scenario_->WakeAt() : 0;
    if (FireNextTimer(wake > now_ ? wake : UINT_MAX)) continue;
    const bool sleeping = scenario_ != nullptr && scenario_->SleepUntil() > now_;
    if (step == Scenario::Step::Blocked && wake > now_ && (sleeping || !timers_.empty())) {
      now_ = wake;
      continue;
    }
    if (step == Scenario::Step::Blocked)
      Fail(scenario_->Current(),
           std::string("nothing more happens while the program waits for ") + waitingFor);
    else
      Fail(nullptr, std::string("the scenario ended while the program waits for ") + waitingFor);
  }
}

void HeadlessBackend::RunModal(Window& window) {
  modals_.push_back(&window);
  if (auto* sheet = dynamic_cast<PropertySheet*>(&window)) sheet_ = sheet;
  Loop([&] { return IsModalEnded(window); }, "input");
  if (!IsModalEnded(window)) ForceEnd(window);
  modals_.erase(std::find(modals_.begin(), modals_.end(), &window));
}

int HeadlessBackend::MessageBox(Window*, const std::string& text, const std::string& caption,
                                UINT type) {
  Print(std::string("message ") + IconName(type) + " " + Quote(caption) + " " + Quote(text) + " " +
        ButtonsName(type));
  Box box{text, type, 0};
  if (!failed_ && scenario_ != nullptr) {
    auto waitingForOther = [](const Command* c) {
      return c != nullptr && c->verb == "wait" && c->what != "message";
    };
    // A wait whose condition holds already has ended: the box comes up after it.
    while (!failed_ && waitingForOther(scenario_->Current()) &&
           scenario_->Run(*this) == Scenario::Step::Progress) {
    }
    const Command* c = scenario_->Current();
    if (!failed_ && waitingForOther(c)) Fail(c, "a message box came up: " + Quote(text));
  }
  if (!failed_) {
    boxes_.push_back(&box);
    Loop([&] { return box.answer != 0; }, "an answer to a message box");
    boxes_.pop_back();
  }
  if (box.answer == 0) box.answer = NegativeAnswer(type);
  Print(std::string("answer ") + AnswerName(box.answer));
  return box.answer;
}

void HeadlessBackend::PumpFor(DWORD ms) {
  const DWORD deadline = now_ + ms;
  for (;;) {
    if (RunPostedAndPaints()) continue;
    if (!failed_ && scenario_ && scenario_->Run(*this) == Scenario::Step::Progress) continue;
    // The scenario goes on when its sleep ends inside the period, not after the whole period.
    DWORD limit = deadline;
    const DWORD wake = !failed_ && scenario_ ? scenario_->WakeAt() : 0;
    if (wake > now_ && wake < deadline) limit = wake;
    if (FireNextTimer(limit)) continue;
    if (limit < deadline) {
      now_ = limit;
      continue;
    }
    break;
  }
  if (now_ < deadline) now_ = deadline;
}

Control* HeadlessBackend::FindControl(int id) {
  if (!boxes_.empty()) return nullptr;
  Window* top = TopModal();
  if (auto* d = dynamic_cast<Dialog*>(top); d != nullptr && !IsPage(*d)) return d->GetDlgItem(id);
  PropertySheet* sheet = dynamic_cast<PropertySheet*>(top);
  if (sheet == nullptr) sheet = sheet_;
  if (sheet == nullptr) return nullptr;
  if (PropertyPage* page = sheet->GetActivePage())
    if (Control* c = page->GetDlgItem(id)) return c;
  return sheet->GetDlgItem(id);
}

std::vector<Control*> HeadlessBackend::TopControls() {
  if (!boxes_.empty()) return {};
  Window* top = TopModal();
  if (auto* d = dynamic_cast<Dialog*>(top); d != nullptr && !IsPage(*d)) return d->Controls();
  PropertySheet* sheet = dynamic_cast<PropertySheet*>(top);
  if (sheet == nullptr) sheet = sheet_;
  if (sheet == nullptr) return {};
  std::vector<Control*> all;
  if (PropertyPage* page = sheet->GetActivePage()) all = page->Controls();
  for (int id : {int{ID_WIZBACK}, int{ID_WIZNEXT}, int{ID_WIZFINISH}, int{IDCANCEL}})
    if (Control* c = sheet->GetDlgItem(id)) all.push_back(c);
  return all;
}

}  // namespace ui::headless
