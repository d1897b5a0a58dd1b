// The scenario language of headless runs: parsing and carrying out one command at a time.
#include <cctype>
#include <climits>
#include <cstdio>
#include <sstream>
#include <string_view>

#include "platform/codepage.h"
#include "platform/read_file.h"
#include "ui/headless/headless_backend.h"

namespace ui::headless {

namespace {

constexpr DWORD kWaitLimitMs = 600000;
constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";
// A scenario is a page of commands; a larger file is refused rather than read whole.
constexpr size_t kMaxScenarioSize = 1u << 20;
// Characters of a scenario line that a message quotes.
constexpr size_t kExcerptChars = 80;

// At most kExcerptChars characters of UTF-8 text as the transcript escapes it (an escape counts
// as the characters it is written with), for a message: "..." where it was cut, so that a hostile
// line cannot flood or garble the output.
std::string Excerpt(std::string_view text) {
  std::string out;
  size_t chars = 0;
  for (size_t i = 0; i < text.size();) {
    // One character: a lead byte with the continuation bytes it calls for (a stray one alone).
    const auto c = static_cast<unsigned char>(text[i]);
    size_t want = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    size_t end = i + 1;
    while (want-- > 0 && end < text.size() &&
           (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
      ++end;
    const std::string piece = EscapeText(text.substr(i, end - i), false);
    const size_t width = piece[0] == '\\' ? piece.size() : 1;
    if (chars + width > kExcerptChars) return out + "...";
    out += piece;
    chars += width;
    i = end;
  }
  return out;
}

// Splits a line into words; a double-quoted text is one word (escapes \" \\ \r \n).
bool Tokenize(const std::string& line, std::vector<std::string>& words, std::vector<bool>& quoted,
              std::string& error) {
  size_t i = 0;
  while (i < line.size()) {
    char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
    } else if (c == '#') {
      break;
    } else if (c == '"') {
      std::string text;
      ++i;
      bool closed = false;
      while (i < line.size()) {
        char d = line[i++];
        if (d == '"') {
          closed = true;
          break;
        }
        if (d == '\\' && i < line.size()) {
          char e = line[i++];
          switch (e) {
            case 'r':
              text += '\r';
              break;
            case 'n':
              text += '\n';
              break;
            case '"':
              text += '"';
              break;
            case '\\':
              text += '\\';
              break;
            default:
              error = "unknown escape \\" + Excerpt(std::string_view(&e, 1));
              return false;
          }
        } else {
          text += d;
        }
      }
      if (!closed) {
        error = "unterminated text";
        return false;
      }
      words.push_back(text);
      quoted.push_back(true);
    } else {
      size_t j = i;
      while (j < line.size() && line[j] != ' ' && line[j] != '\t' && line[j] != '\r' &&
             line[j] != '#')
        ++j;
      words.push_back(line.substr(i, j - i));
      quoted.push_back(false);
      i = j;
    }
  }
  return true;
}

enum class Number { kOk, kNone, kOutOfRange };

// Decimal or 0x-hex digits, 0 to INT_MAX: a control id, a page, a template or milliseconds.
Number ParseNumber(const std::string& word, long& out) {
  const bool hex = word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X');
  const std::string_view digits = std::string_view(word).substr(hex ? 2 : 0);
  if (digits.empty()) return Number::kNone;
  long long value = 0;
  bool tooLarge = false;
  for (char ch : digits) {
    int d = std::isdigit(static_cast<unsigned char>(ch)) ? ch - '0'
            : hex && std::isxdigit(static_cast<unsigned char>(ch))
                ? std::tolower(static_cast<unsigned char>(ch)) - 'a' + 10
                : -1;
    if (d < 0) return word[0] == '-' ? Number::kOutOfRange : Number::kNone;
    value = value * (hex ? 16 : 10) + d;
    if (value > INT_MAX) {
      tooLarge = true;
      value = INT_MAX;
    }
  }
  if (tooLarge) return Number::kOutOfRange;
  out = static_cast<long>(value);
  return Number::kOk;
}

}  // namespace

bool Scenario::Parse(const std::string& utf8, std::string& error) {
  commands_.clear();
  next_ = 0;
  // Editors on Windows often start a UTF-8 file with a byte-order mark.
  std::istringstream in(utf8.rfind(kUtf8Bom, 0) == 0 ? utf8.substr(3) : utf8);
  std::string line;
  int lineNo = 0;
  while (std::getline(in, line)) {
    ++lineNo;
    std::vector<std::string> w;
    std::vector<bool> q;
    std::string err;
    auto fail = [&](const std::string& what) {
      error = "line " + std::to_string(lineNo) + ": " + what;
      return false;
    };
    if (!Tokenize(line, w, q, err)) return fail(err);
    if (w.empty()) continue;
    Command c;
    c.line = lineNo;
    std::string_view source = line;
    while (!source.empty() && (source.back() == '\r' || source.back() == ' '))
      source.remove_suffix(1);
    c.source = Excerpt(source);
    c.verb = w[0];
    bool outOfRange = false;
    auto number = [&](size_t i) {
      if (i >= w.size() || q[i]) return false;
      const Number n = ParseNumber(w[i], c.number);
      outOfRange = outOfRange || n == Number::kOutOfRange;
      return n == Number::kOk;
    };
    auto text = [&](size_t i) {
      if (i >= w.size() || !q[i]) return false;
      c.text = platform::Utf8ToAnsi(w[i]);
      return true;
    };
    auto word = [&](size_t i, std::initializer_list<const char*> allowed) {
      if (i >= w.size() || q[i]) return false;
      for (const char* a : allowed)
        if (w[i] == a) {
          c.what = w[i];
          return true;
        }
      return false;
    };
    bool ok = false;
    const std::string& v = c.verb;
    if (v == "wait") {
      if (word(1, {"page", "dialog"}))
        ok = number(2) && w.size() == 3;
      else if (word(1, {"message"}))
        ok = text(2) && w.size() == 3;
      else if (word(1, {"text"}))
        ok = number(2) && text(3) && w.size() == 4;
      else if (word(1, {"enabled", "disabled"}))
        ok = number(2) && w.size() == 3;
      else if (word(1, {"end"}))
        ok = w.size() == 2;
    } else if (v == "sleep") {
      ok = number(1) && w.size() == 2 && c.number >= 0;
    } else if (v == "answer") {
      ok = word(1, {"ok", "cancel", "yes", "no"}) && w.size() == 2;
    } else if (v == "print" && w.size() == 2 && !q[1] && w[1] == "names") {
      c.what = "names";
      ok = true;
    } else if (v == "click" || v == "focus" || v == "print") {
      ok = number(1) && w.size() == 2;
    } else if (v == "type" || v == "select") {
      ok = number(1) && text(2) && w.size() == 3;
    } else if (v == "key") {
      ok = w.size() == 3 && w[1] == "ctrl" && word(2, {"down", "up"});
    } else if (v == "expect") {
      if (word(1, {"page"}))
        ok = number(2) && w.size() == 3;
      else if (word(1, {"text"}))
        ok = number(2) && text(3) && w.size() == 4;
      else if (word(1,
                    {"enabled", "disabled", "hidden", "visible", "checked", "unchecked", "focus"}))
        ok = number(2) && w.size() == 3;
      else if (word(1, {"ime"}))
        ok = number(2) && w.size() == 4 && !q[3] && (w[3] == "on" || w[3] == "off") &&
             (c.text = w[3], true);
    } else {
      return fail("unknown command '" + Excerpt(v) + "'");
    }
    if (outOfRange) return fail("number out of range (0 to 2147483647) in '" + c.source + "'");
    if (!ok) return fail("cannot read '" + c.source + "'");
    commands_.push_back(std::move(c));
  }
  return true;
}

bool Scenario::Load(const std::string& path, std::string& error) {
  std::string text;
  const platform::ReadFileResult read = platform::ReadRegularFile(path, kMaxScenarioSize, &text);
  if (read != platform::ReadFileResult::kOk) {
    error = "cannot read the scenario " + path + ": " +
            platform::ReadFileProblem(read, kMaxScenarioSize);
    return false;
  }
  return Parse(text, error);
}

Scenario::Step Scenario::Run(HeadlessBackend& backend) {
  if (Exhausted() || backend.HasFailed()) return Step::Exhausted;
  return Act(backend, commands_[next_]);
}

DWORD Scenario::WakeAt() const {
  if (sleepUntil_ != 0) return sleepUntil_;
  const Command* c = Current();
  if (c != nullptr && started_ && c->verb == "wait") return startedAt_ + kWaitLimitMs + 1;
  return 0;
}

void Scenario::FinishAtEnd(HeadlessBackend& backend) {
  while (!Exhausted() && !backend.HasFailed()) {
    const Command& c = commands_[next_];
    if (c.verb == "wait" && c.what == "end") {
      ++next_;
      continue;
    }
    backend.Fail(&c, "the program has ended");
  }
}

namespace {

bool Contains(const std::string& haystack, const std::string& needle) {
  return haystack.find(needle) != std::string::npos;
}

// Whether a person could see the control: it and its window are visible.
bool Shown(Control* c) {
  Window* parent = c->GetParent();
  return c->IsWindowVisible() && (parent == nullptr || parent->IsWindowVisible());
}

}  // namespace

Scenario::Step Scenario::Act(HeadlessBackend& b, const Command& c) {
  auto done = [&] {
    ++next_;
    started_ = false;
    sleepUntil_ = 0;
    return Step::Progress;
  };
  auto fail = [&](const std::string& what) {
    b.Fail(&c, what);
    return Step::Exhausted;
  };
  const int id = static_cast<int>(c.number);
  const std::string idText = "control " + std::to_string(id);

  if (c.verb == "wait") {
    if (!started_) {
      started_ = true;
      startedAt_ = b.TickCount();
    }
    bool holds = false;
    if (c.what == "page") {
      holds = b.GetSheet() != nullptr && b.GetSheet()->GetActiveIndex() == id;
    } else if (c.what == "dialog") {
      auto* d = dynamic_cast<Dialog*>(b.TopModal());
      holds = b.TopBox() == nullptr && d != nullptr && d->GetTemplateId() == id;
    } else if (c.what == "message") {
      holds = b.TopBox() != nullptr && Contains(b.TopBox()->text, c.text);
    } else if (c.what == "text") {
      Control* ctl = b.FindControl(id);
      holds = ctl != nullptr && Contains(ctl->GetWindowText(), c.text);
    } else if (c.what == "enabled" || c.what == "disabled") {
      Control* ctl = b.FindControl(id);
      holds = ctl != nullptr && ctl->IsWindowEnabled() == (c.what == "enabled");
    } else if (c.what == "end") {
      holds = b.HasProgramEnded();
    }
    if (holds) return done();
    if (b.TickCount() - startedAt_ > kWaitLimitMs) return fail("gave up after 600 s");
    return Step::Blocked;
  }

  if (c.verb == "sleep") {
    if (!started_) {
      started_ = true;
      sleepUntil_ = b.TickCount() + static_cast<DWORD>(c.number);
    }
    if (b.TickCount() >= sleepUntil_) return done();
    return Step::Blocked;
  }

  if (c.verb == "answer") {
    HeadlessBackend::Box* box = b.TopBox();
    if (box == nullptr) return fail("no message box is up");
    const UINT buttons = box->type & MB_TYPEMASK;
    int answer = 0;
    if (c.what == "ok" && (buttons == MB_OK || buttons == MB_OKCANCEL)) answer = IDOK;
    if (c.what == "cancel" && (buttons == MB_OKCANCEL || buttons == MB_YESNOCANCEL))
      answer = IDCANCEL;
    if (c.what == "yes" && (buttons == MB_YESNO || buttons == MB_YESNOCANCEL)) answer = IDYES;
    if (c.what == "no" && (buttons == MB_YESNO || buttons == MB_YESNOCANCEL)) answer = IDNO;
    if (answer == 0) return fail("the message box has no such button");
    box->answer = answer;
    return done();
  }

  if (c.verb == "key") {
    b.SetKeyDown(VK_CONTROL, c.what == "down");
    return done();
  }

  if (c.verb == "expect" && c.what == "page") {
    if (b.GetSheet() == nullptr) return fail("no wizard is running");
    if (b.GetSheet()->GetActiveIndex() != id)
      return fail("the active page is " + std::to_string(b.GetSheet()->GetActiveIndex()));
    return done();
  }

  if (c.verb == "print" && c.what == "names") {
    if (b.TopBox() != nullptr) return fail("a message box is up: " + Quote(b.TopBox()->text));
    for (Control* ctl : b.TopControls()) {
      if (!Shown(ctl)) continue;
      std::string line =
          "name " + std::to_string(ctl->GetDlgCtrlID()) + " " + Quote(ctl->AccessibleName());
      const std::string description = ctl->AccessibleDescription();
      if (!description.empty()) line += " " + Quote(description);
      b.Print(line);
    }
    return done();
  }

  // Everything else addresses a control of the window on top.
  if (b.TopBox() != nullptr) return fail("a message box is up: " + Quote(b.TopBox()->text));
  Control* ctl = b.FindControl(id);
  if (ctl == nullptr) return fail("no " + idText + " in the window on top");

  if (c.verb == "print") {
    b.Print("print " + std::to_string(id) + " " + Quote(ctl->GetWindowText()));
    return done();
  }
  if (c.verb == "expect") {
    bool holds = false;
    std::string found;
    if (c.what == "text") {
      holds = Contains(ctl->GetWindowText(), c.text);
      found = "its text is " + Quote(ctl->GetWindowText());
    } else if (c.what == "enabled" || c.what == "disabled") {
      holds = ctl->IsWindowEnabled() == (c.what == "enabled");
      found = ctl->IsWindowEnabled() ? "it is enabled" : "it is disabled";
    } else if (c.what == "hidden" || c.what == "visible") {
      holds = Shown(ctl) == (c.what == "visible");
      found = Shown(ctl) ? "it is visible" : "it is hidden";
    } else if (c.what == "checked" || c.what == "unchecked") {
      holds = (ctl->GetCheck() != 0) == (c.what == "checked");
      found = ctl->GetCheck() ? "it is checked" : "it is unchecked";
    } else if (c.what == "focus") {
      holds = ctl->HasFocus();
      found = "it does not have the focus";
    } else if (c.what == "ime") {
      // Only a detached edit refuses input-method text; one left alone or opened takes it.
      const InputMethod ime = ctl->GetInputMethod();
      const bool takes = ime != InputMethod::Detached && ime != InputMethod::DetachedDigits;
      holds = takes == (c.text == "on");
      found = takes ? "it takes input-method text" : "its input method is detached";
    }
    if (!holds) return fail(found);
    return done();
  }

  // User actions: a person cannot act on a disabled or hidden control.
  if (!Shown(ctl)) return fail(idText + " is hidden");
  if (!ctl->IsWindowEnabled()) return fail(idText + " is disabled");
  if (c.verb == "focus") {
    done();
    ctl->UserFocus();
    return Step::Progress;
  }
  if (c.verb == "click") {
    if (!ctl->IsButtonLike()) return fail(idText + " is not a button");
    done();
    ctl->UserFocus();
    ctl->UserClick();
    return Step::Progress;
  }
  if (c.verb == "type") {
    const bool editable =
        (ctl->IsEdit() && !ctl->IsReadOnly()) || ctl->GetKind() == res::ControlKind::ComboDropDown;
    if (!editable) return fail(idText + (ctl->IsEdit() ? " is read-only" : " is not an edit"));
    done();
    ctl->UserFocus();
    ctl->UserType(c.text);
    return Step::Progress;
  }
  if (c.verb == "select") {
    if (!ctl->IsCombo()) return fail(idText + " is not a list");
    int index = -1;
    for (int i = 0; i < ctl->GetCount(); ++i)
      if (ctl->GetLBText(i) == c.text) index = i;
    if (index < 0) return fail("no item " + Quote(c.text) + " in " + idText);
    done();
    ctl->UserFocus();
    ctl->UserSelect(index);
    return Step::Progress;
  }
  return fail("cannot carry out this command");
}

}  // namespace ui::headless
