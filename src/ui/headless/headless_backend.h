// The headless backend: controls are plain data, time is virtual, and a scenario plays the user;
// a transcript records what the program showed.
#pragma once

#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "ui/backend.h"

namespace ui::headless {

// Where the transcript goes: a file or standard output, opened by Open or at the first line. A
// run whose transcript cannot be written has failed, whatever the scenario did.
class Transcript {
 public:
  // path empty: standard output.
  explicit Transcript(std::string path = {}) : path_(std::move(path)) {}
  ~Transcript();
  Transcript(const Transcript&) = delete;
  Transcript& operator=(const Transcript&) = delete;
  // Opens the file (a regular file or a device; a folder or a pipe is refused, see
  // platform::OpenOutputFile). Called by main before the run; false with GetProblem() set.
  bool Open();
  // Writes one UTF-8 line.
  void Line(const std::string& utf8);
  // Everything written so far.
  const std::string& GetText() const { return text_; }
  // Why the transcript could not be opened or written; empty while it could.
  const std::string& GetProblem() const { return problem_; }

 private:
  std::string path_;
  FILE* file_ = nullptr;
  std::string text_;
  std::string problem_;
};

// UTF-8 text as it may reach a terminal: every control character (C0, DEL, C1) and every byte
// that is not part of valid UTF-8 escaped (\r \n \t, \xNN, \u0080..\u009F), so that text from a
// server or a scenario cannot drive the terminal of whoever reads it. `quoted` also escapes
// \" and \\.
std::string EscapeText(std::string_view utf8, bool quoted);
// Quotes CP932 text as a UTF-8 transcript string, escaped as EscapeText does.
std::string Quote(const std::string& ansi);

class HeadlessBackend;

// One scenario command.
struct Command {
  int line = 0;
  std::string verb;    // "wait", "expect", "click", ...
  std::string what;    // sub-verb: "page", "dialog", "text", "enabled", "ok", "down", ...
  long number = 0;     // page index, template, control id, milliseconds
  std::string text;    // CP932 text argument
  std::string source;  // the line as written, for messages (80 characters, control bytes escaped)
};

// A parsed scenario and its cursor.
class Scenario {
 public:
  // Parses UTF-8 scenario text; false with `error` set on a syntax error.
  bool Parse(const std::string& utf8, std::string& error);
  bool Load(const std::string& path, std::string& error);

  enum class Step { Progress, Blocked, Exhausted };
  // Tries to carry out the current command.
  Step Run(HeadlessBackend& backend);
  bool Exhausted() const { return next_ >= commands_.size(); }
  const Command* Current() const { return Exhausted() ? nullptr : &commands_[next_]; }
  // At program end: `wait end` commands hold, anything else is an error.
  void FinishAtEnd(HeadlessBackend& backend);
  // Virtual time at which the current blocked sleep ends (0 when not sleeping).
  DWORD SleepUntil() const { return sleepUntil_; }
  // Virtual time at which the current command moves on by itself: a sleep's end or a started
  // wait's give-up time (0 when neither).
  DWORD WakeAt() const;

 private:
  Step Act(HeadlessBackend& backend, const Command& c);
  std::vector<Command> commands_;
  size_t next_ = 0;
  bool started_ = false;  // the current wait/sleep has begun
  DWORD startedAt_ = 0;
  DWORD sleepUntil_ = 0;
};

class HeadlessBackend : public Backend {
 public:
  // scenario may be null: then any wait for input fails at once.
  HeadlessBackend(std::unique_ptr<Scenario> scenario, Transcript* transcript);
  ~HeadlessBackend() override;

  // Backend.
  void CreateWindow(Window& window) override;
  void DestroyWindow(Window& window) override;
  void Update(Window& window, Change what) override;
  void RunModal(Window& window) override;
  void EndModal(Window& window) override {}
  int MessageBox(Window* owner, const std::string& text, const std::string& caption,
                 UINT type) override;
  void PumpPending() override { PumpFor(0); }
  void PumpFor(DWORD ms) override;
  DWORD TickCount() override { return now_; }
  void Post(std::function<void()> fn) override { posted_.push_back(std::move(fn)); }
  // No window to keep alive and no input but the scenario's, which waits its turn: the call
  // blocks, and virtual time stands still meanwhile.
  void RunKeepingWindowsAlive(const std::function<void()>& work) override { work(); }
  void SetTimer(Window& window, UINT id, UINT ms) override;
  void KillTimer(Window& window, UINT id) override;
  void SetWaitCursor(bool on) override {}  // no screen: no cursor
  short GetKeyState(int virtualKey) override;
  // Nothing is drawn without a screen.
  void DrawBitmap(Window& window, const Bitmap& bitmap, int x, int y, int width, int height, int sx,
                  int sy) override {}
  bool CreatePresenceWindow(const std::string& className) override;
  bool HasPresenceWindow(const std::string& className) override;

  // The program has ended (main calls this before checking the rest of the scenario).
  void ProgramEnded();
  bool HasProgramEnded() const { return ended_; }
  // Records a scenario failure; every loop then unwinds (boxes answer their negative button,
  // modal windows end cancelled). The first failure is the one reported.
  void Fail(const Command* command, const std::string& what);
  bool HasFailed() const { return failed_; }
  const std::string& GetFailure() const { return failure_; }
  // Timers still set (tests check that a destroyed window leaves none behind).
  size_t PendingTimers() const { return timers_.size(); }
  Transcript* GetTranscript() { return transcript_; }
  void Print(const std::string& utf8Line);

  // ---- What the scenario acts on ----
  struct Box {
    std::string text;
    UINT type = 0;
    int answer = 0;
  };
  Box* TopBox() { return boxes_.empty() ? nullptr : boxes_.back(); }
  Window* TopModal() { return modals_.empty() ? nullptr : modals_.back(); }
  // The top window's control of that id (message box up: none).
  Control* FindControl(int id);
  // Every control of the top window: a dialog's, or the active page's and then the sheet's
  // buttons (none while a message box is up).
  std::vector<Control*> TopControls();
  PropertySheet* GetSheet() { return sheet_; }
  void SetKeyDown(int virtualKey, bool down);

 private:
  struct Timer {
    Window* window;
    UINT id;
    UINT period;
    DWORD due;
    unsigned long seq;
  };
  // Runs scenario steps, posted messages, paints and timers until done() holds.
  template <class Done>
  void Loop(Done done, const char* waitingFor);
  bool RunPostedAndPaints();
  bool FireNextTimer(DWORD limit);
  void ForceEnd(Window& window);

  std::unique_ptr<Scenario> scenario_;
  Transcript* transcript_;
  DWORD now_ = 0;
  std::vector<Timer> timers_;
  unsigned long timerSeq_ = 0;
  std::deque<std::function<void()>> posted_;
  std::vector<Window*> modals_;
  std::vector<Box*> boxes_;
  PropertySheet* sheet_ = nullptr;
  std::set<Window*> dirty_;
  std::set<std::string> presence_;
  std::set<int> keysDown_;
  bool ended_ = false;
  bool failed_ = false;
  DWORD failedAt_ = 0;
  std::string failure_;
  int forcedEnds_ = 0;
};

}  // namespace ui::headless
