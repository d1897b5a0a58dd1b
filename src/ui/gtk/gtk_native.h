// The native side of the GTK backend, shared by its files: what each framework window has in GTK,
// the backend class, and the GTK signal handlers that turn user input into framework calls.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/codepage.h"
#include "ui/backend.h"

namespace ui::gtk {

// Key of the Native a framework window's GTK widgets carry as object data.
constexpr const char* kNativeKey = "signup-native";

enum class Kind { Sheet, Dialog, Page, Control };

inline std::string Utf8(const std::string& ansi) { return platform::AnsiToUtf8(ansi); }

// Native side of one framework window.
struct Native {
  uint64_t serial = 0;
  Kind kind = Kind::Control;
  Window* window = nullptr;
  PropertySheet* sheet = nullptr;  // Kind::Sheet, or the sheet of a page
  Dialog* dialog = nullptr;        // Kind::Dialog and Kind::Page
  Control* control = nullptr;      // Kind::Control
  res::ControlKind controlKind = res::ControlKind::Static;
  Native* parent = nullptr;
  std::vector<Native*> children;

  GtkWidget* outer = nullptr;     // GtkWindow of a top-level; the placed widget otherwise
  GtkWidget* client = nullptr;    // container of the children (sheet, dialog, page)
  GtkWidget* input = nullptr;     // entry, text view, combo, button, label
  GtkWidget* caption = nullptr;   // the mnemonic label inside a button
  GtkWidget* radioOff = nullptr;  // hidden member of a radio's group that holds the "off" state
  GtkTextBuffer* buffer = nullptr;
  GtkCssProvider* css = nullptr;

  std::vector<GMainLoop*> loops;
  bool ended = false;
  bool shown = false;
  bool dead = false;
  // A shown top-level until it has painted its first frame, and when it was shown.
  bool awaitingPaint = false;
  gint64 shownAt = 0;
  gulong paintHandler = 0;
};

// A message box being answered (gtk_message_box.cpp).
struct Box;

class GtkBackend;
// The one backend while it lives (signal handlers find it here); null before and after.
extern GtkBackend* g_backend;

// The native side of a live backend's window that has not been dropped, else null.
inline Native* Live(gpointer data) {
  auto* n = static_cast<Native*>(data);
  return (g_backend && n && !n->dead) ? n : nullptr;
}

// The GTK backend: gtk_backend.cpp makes and drops natives and runs modal loops, pumping and
// timers; gtk_widgets.cpp makes the widgets and mirrors the model into them; gtk_input.cpp turns
// user input into framework calls; gtk_paint.cpp paints; gtk_message_box.cpp shows message boxes.
class GtkBackend final : public Backend {
 public:
  GtkBackend();
  ~GtkBackend() override;

  void CreateWindow(Window& window) override;
  void DestroyWindow(Window& window) override;
  void Update(Window& window, Change what) override;
  void RunModal(Window& window) override;
  void EndModal(Window& window) override;
  int MessageBox(Window* owner, const std::string& text, const std::string& caption,
                 UINT type) override;
  void PumpPending() override;
  void PumpFor(DWORD ms) override;
  DWORD TickCount() override;
  void Post(std::function<void()> fn) override;
  void RunKeepingWindowsAlive(const std::function<void()>& work) override;
  void SetTimer(Window& window, UINT id, UINT ms) override;
  void KillTimer(Window& window, UINT id) override;
  void SetWaitCursor(bool on) override;
  short GetKeyState(int virtualKey) override;
  void DrawBitmap(Window& window, const Bitmap& bitmap, int x, int y, int width, int height, int sx,
                  int sy) override;
  bool CreatePresenceWindow(const std::string& className) override;
  bool HasPresenceWindow(const std::string& className) override;
  void BringPresenceOwnerForward(const std::string& className) override;
  std::optional<HighContrast> HighContrastColours() override;

  // ---- Called from the GTK signal handlers ----
  bool Applying() const { return applying_ > 0; }
  // A call runs in RunKeepingWindowsAlive: user input, timers and posted work wait.
  bool Blocking() const { return blocking_ > 0; }
  // A window shown but not painted yet: its timers wait, as on Windows, where a paint comes before
  // a timer. The wait is bounded, for a window that some display never paints.
  bool AwaitingFirstPaint(const Window& w) const;
  Native* Find(uint64_t serial) {
    auto it = natives_.find(serial);
    return it == natives_.end() ? nullptr : it->second.get();
  }
  void Paint(Native* n, cairo_t* cr);
  void Clicked(Native* n);
  void EditChanged(Native* n);
  void ComboChanged(Native* n);
  bool InsertAllowed(Native* n, const std::string& current, const char* text, int length,
                     std::string& fitted);
  void FocusMoved(GtkWidget* focus);
  bool KeyPress(Native* top, GdkEventKey* event);
  // Tab, Shift+Tab and the arrows, as the dialog manager moves the focus; true when handled.
  bool Navigate(Native* top, GdkEventKey* event);
  void CloseRequested(Native* top);
  bool PreTranslate(GdkEvent* event);
  void PostedDispatch();
  // Attaches the idle source that runs posted work, unless it is attached already.
  void AttachPostSource();
  // A text field set its own cursor again (it does on every state change): under the wait
  // cursor, the wait cursor goes back over it.
  void CursorReset(GtkWidget* widget);
  void MessageBoxAnswered(Box* box, int response);
  // Whether a top-level window takes input: it is the one whose modal loop runs.
  bool TakesInput(GtkWidget* toplevel) const { return toplevel == TopModal(); }

 private:
  struct Applier {
    explicit Applier(GtkBackend* b) : b(b) { ++b->applying_; }
    ~Applier() { --b->applying_; }
    GtkBackend* b;
  };

  Native* NativeOf(const Window& w) const { return static_cast<Native*>(w.native); }
  Native* NewNative(Window& w, Kind kind, Native* parent);
  Native* MakeTopLevel(Window& w, Kind kind);
  Native* MakePage(PropertyPage& page);
  Native* MakeControl(Control& c);
  Native* Ensure(Window& w);
  void MakeChildren(Native* n);
  void Drop(Native* n);
  void ForgetTree(Native* n);

  void ApplyAll(Native* n);
  void ApplyText(Native* n);
  void ApplyCaption(Native* n);
  void ApplyVisible(Native* n);
  void ApplyGeometry(Native* n);
  void ApplyCheck(Native* n);
  void ApplyItems(Native* n);
  void ApplySelection(Native* n);
  void FollowTextInList(Native* n);
  void ApplyReadOnly(Native* n);
  void ApplyInputMethod(Native* n);
  void ApplyScroll(Native* n);
  void ApplyCaret(Native* n);
  void ApplyPages(Native* n);
  void ApplyColours();
  void ApplyCursor(Native* n);
  void ApplyAccessible(Native* n);

  GtkWidget* TopModal() const { return modal_.empty() ? nullptr : modal_.back(); }
  void PopModal(GtkWidget* w);
  Native* NativeFromWidget(GtkWidget* w) const;
  // The control that has the keyboard focus in a top-level window, or null.
  Control* FocusedControl(Native* top) const;
  // Gives the focus to a control: the model hears of it, then GTK.
  void MoveFocus(Control* to);
  cairo_surface_t* SurfaceFor(const Bitmap& bitmap, bool& owned);
  GList* IconsFor(int id);
  void KillTimersOf(Window* w);
  GdkCursor* WaitCursorImage();

  int applying_ = 0;
  int blocking_ = 0;
  uint64_t nextSerial_ = 1;
  std::unordered_map<uint64_t, std::unique_ptr<Native>> natives_;
  std::vector<GtkWidget*> modal_;
  std::map<std::pair<Window*, UINT>, guint> timers_;
  std::deque<std::function<void()>> posted_;
  guint postSource_ = 0;
  bool waiting_ = false;             // between SetWaitCursor(true) and (false)
  GdkCursor* waitCursor_ = nullptr;  // the wait cursor's image, once needed
  std::vector<std::pair<Window*, cairo_t*>> painting_;
  std::map<int, cairo_surface_t*> surfaces_;
  std::map<int, GList*> icons_;  // the icon's images as pixbufs, largest first
  std::map<std::string, GtkWidget*> presence_;
  GtkCssProvider* baseCss_ = nullptr;
  GtkCssProvider* colourCss_ = nullptr;
  std::pair<COLORREF, COLORREF> colours_{0xFFFFFFFF, 0xFFFFFFFF};
};

// Moves GTK's focus to a control's input widget (into it, for a drop-down list).
void GiveFocus(Native* n);

// ---- Signal handlers (gtk_input.cpp, gtk_paint.cpp; run on the user-interface thread by GTK) ----

void OnClicked(GtkButton*, gpointer data);
void OnEditChanged(gpointer, gpointer data);
void OnComboChanged(GtkComboBox*, gpointer data);
void OnEntryInsert(GtkEditable* editable, gchar* text, gint length, gint* position, gpointer data);
void OnBufferInsert(GtkTextBuffer* buffer, GtkTextIter* location, gchar* text, gint length,
                    gpointer data);
void OnSetFocus(GtkWindow*, GtkWidget* focus, gpointer);
gboolean OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer data);
gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer data);
// Puts the focus ring back when GTK would hide it.
void KeepFocusVisible(GtkWindow* window, GParamSpec*, gpointer);
// A multi-line edit's frame (`frame`) shows whether its text view has the focus.
gboolean OnViewFocus(GtkWidget* view, GdkEventFocus* event, gpointer frame);
void OnPaint(GtkWidget*, cairo_t* cr, void* data);
// Puts `wait` over `window` and every window inside it; null gives each its own cursor back.
void CoverWithCursor(GdkWindow* window, GdkCursor* wait);
void OnCursorReset(GtkWidget* widget, gpointer);
// A window was mapped over others: tool tips of the windows under it go.
gboolean HideCoveredToolTips(GtkWidget* window, GdkEvent*, gpointer);
// Every GDK event passes here first, for the framework's pre-translation.
void EventHook(GdkEvent* event, gpointer);

}  // namespace ui::gtk
