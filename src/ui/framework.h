// The application framework the program is written against: application object with registry
// profile functions, windows and controls, modal dialogs with data exchange and timers, a property
// sheet in wizard mode, message boxes, the wait cursor, message pumping, tooltips, bitmaps.
// The window-system half lives in a Backend (headless, GTK or Win32); nothing here knows which one
// runs.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/win32.h"
#include "res/resources.h"
#include "res/styles.h"

namespace ui {

class Backend;
class Control;
class Dialog;
class PropertySheet;
class PropertyPage;

// ---- Constants (Win32 values) ---------------------------------------------------------------
enum : UINT {
  MB_OK = 0x0,
  MB_OKCANCEL = 0x1,
  MB_YESNOCANCEL = 0x3,
  MB_YESNO = 0x4,
  MB_TYPEMASK = 0xF,
  MB_ICONSTOP = 0x10,
  MB_ICONQUESTION = 0x20,
  MB_ICONEXCLAMATION = 0x30,
  MB_ICONINFORMATION = 0x40,
  MB_ICONMASK = 0xF0,
};
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

// Notification codes delivered to OnCommand.
enum : UINT {
  BN_CLICKED = 0,
  CBN_SELCHANGE = 1,
  CBN_SETFOCUS = 3,
  CBN_KILLFOCUS = 4,
  CBN_EDITCHANGE = 5,
  EN_SETFOCUS = 0x0100,
  EN_KILLFOCUS = 0x0200,
  EN_CHANGE = 0x0300,
  EN_UPDATE = 0x0400,
};

// Messages that pre-translation sees (input) and that the sheet accepts by PostMessage.
enum : UINT {
  WM_KEYDOWN = 0x0100,
  WM_TIMER = 0x0113,
  WM_MOUSEMOVE = 0x0200,
  WM_LBUTTONDOWN = 0x0201,
  WM_LBUTTONUP = 0x0202,
  PSM_SETWIZBUTTONS = 0x0470,
};

// Property sheet and page flags, wizard buttons, sheet control ids.
enum : DWORD {
  PSH_WIZARD = 0x20,
  PSH_HASHELP = 0x200,
  PSP_HASHELP = 0x20,
  PSWIZB_BACK = 0x1,
  PSWIZB_NEXT = 0x2,
  PSWIZB_FINISH = 0x4,
  PSWIZB_DISABLEDFINISH = 0x8,
};
enum : int {
  ID_WIZBACK = 0x3023,
  ID_WIZNEXT = 0x3024,
  ID_WIZFINISH = 0x3025,
  ID_SHEET_TAB = 0x3020,
  ID_SHEET_HELP = 9,
};

enum : int { VK_SHIFT = 0x10, VK_CONTROL = 0x11, VK_RETURN = 0x0D, VK_ESCAPE = 0x1B };

// Raster operation of BitBlt.
constexpr DWORD SRCCOPY = 0x00CC0020;

// The style bits the framework honours, as the templates write them (others are kept as given).
using res::ES_CENTER;
using res::ES_MULTILINE;
using res::ES_PASSWORD;
using res::ES_READONLY;
using res::WS_DISABLED;
using res::WS_GROUP;
using res::WS_SYSMENU;
using res::WS_TABSTOP;
using res::WS_VISIBLE;
using res::WS_VSCROLL;

// System-menu commands and menu item states.
enum : UINT { SC_SIZE = 0xF000, SC_MINIMIZE = 0xF020, SC_MAXIMIZE = 0xF030, SC_CLOSE = 0xF060 };
enum : UINT { MF_ENABLED = 0x0, MF_GRAYED = 0x1, MF_BYCOMMAND = 0x0 };

// The commands of a window's system menu and whether each can be chosen.
class SystemMenu {
 public:
  // Returns the previous state (MF_ENABLED or MF_GRAYED).
  UINT EnableMenuItem(UINT command, UINT flags);
  bool IsEnabled(UINT command) const;

 private:
  std::vector<UINT> greyed_;
};

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  void Offset(int dx, int dy) { left += dx, right += dx, top += dy, bottom += dy; }
  bool operator==(const Rect&) const = default;
};

// Pixels of a dialog-unit rectangle for the dialog font (base units 6 x 13).
Rect DialogUnitsToPixels(int x, int y, int cx, int cy);

// An input message as pre-translation sees it.
struct Message {
  UINT message = 0;
  class Window* target = nullptr;
  int x = 0, y = 0;
};

// What changed on a window, for the backend to show.
enum class Change {
  Created,
  Text,
  Enabled,
  Visible,
  Geometry,
  Checked,
  Items,
  Selection,
  Limit,
  ReadOnly,
  Password,
  Focus,
  InputMethod,
  ToolTip,
  Scroll,
  Caret,
  ActivePage,
  Repaint,
  Caption
};

// Input-method handling of an edit: left as it is, detached (no Japanese input; for digits only
// when the field takes numbers), or opened.
enum class InputMethod { Default, Detached, DetachedDigits, Open };

// ---- Windows ---------------------------------------------------------------------------------
// A window: dialogs, pages, the sheet and controls. Geometry is in pixels in the parent's client
// coordinates (top-level windows: the client area's size, origin 0,0).
class Window {
 public:
  Window() = default;
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  void SetWindowText(const std::string& text);
  const std::string& GetWindowText() const { return text_; }
  void EnableWindow(bool enable);
  bool IsWindowEnabled() const { return enabled_; }
  void ShowWindow(bool show);
  bool IsWindowVisible() const { return visible_; }
  void MoveWindow(const Rect& rect, bool repaint = true);
  void SetWindowPos(int cx, int cy);  // size only: no move, no z-order change, no activation
  Rect GetWindowRect() const { return rect_; }
  Rect GetClientRect() const { return {0, 0, rect_.Width(), rect_.Height()}; }
  void SetFocus();
  bool HasFocus() const;
  Window* GetParent() const { return parent_; }
  // True between creation of the window and its destruction.
  bool IsCreated() const { return created_; }

  // Timers: OnTimer(id) every `ms` until KillTimer.
  UINT SetTimer(UINT id, UINT ms);
  bool KillTimer(UINT id);
  virtual void OnTimer(UINT id) {}

  // Input pre-translation; returns true when the message was consumed.
  virtual bool PreTranslateMessage(Message& msg) { return false; }
  // Notification from a child control (message map dispatch). True when handled.
  virtual bool OnCommand(UINT code, int id) { return false; }
  // Painting: called by the backend while a PaintDC for this window can be made.
  virtual void OnPaint() {}
  // The system menu is about to be shown (the sheet: when it is made); greying items here keeps
  // the backend from offering them.
  virtual void OnInitMenuPopup(SystemMenu& menu, UINT index, bool isSystemMenu) {}
  SystemMenu& GetSystemMenu() { return systemMenu_; }
  // Background colour for controls of this window, or nothing for the application's default.
  virtual std::optional<COLORREF> OnCtlColor(Control* control) { return std::nullopt; }

  // Backend data (native widgets); owned by the backend.
  void* native = nullptr;

 protected:
  void Changed(Change what);
  void SetParent(Window* parent) { parent_ = parent; }
  void SetCreated(bool created) { created_ = created; }
  void SetRectQuiet(const Rect& r) { rect_ = r; }
  std::string text_;
  bool enabled_ = true;
  bool visible_ = true;

 private:
  friend class Dialog;
  friend class PropertySheet;
  SystemMenu systemMenu_;
  Window* parent_ = nullptr;
  Rect rect_;
  bool created_ = false;
};

// A child control of a dialog, page or sheet, made from a template entry.
class Control : public Window {
 public:
  Control(Window* parent, const res::ControlTemplate& t, const Rect& pixels);
  int GetDlgCtrlID() const { return id_; }
  res::ControlKind GetKind() const { return kind_; }
  DWORD GetStyle() const { return style_; }
  bool IsEdit() const { return kind_ == res::ControlKind::Edit; }
  bool IsCombo() const;
  bool IsButtonLike() const;

  // Check boxes and radio buttons.
  void SetCheck(int state);
  int GetCheck() const { return checked_; }

  // Edits.
  void SetLimitText(int bytes);  // 0: no limit; counted in bytes of the system code page
  int GetLimitText() const { return limit_; }
  // EM_SETREADONLY: the text can be read and selected but not changed.
  void SetReadOnly(bool readOnly);
  bool IsReadOnly() const { return readOnly_; }
  bool IsPassword() const { return (style_ & ES_PASSWORD) != 0; }
  // EM_SETPASSWORDCHAR: 0 shows the text in clear, any other character masks it again.
  void SetPasswordChar(char ch);
  // EM_SETSEL and EM_SCROLLCARET: the selection (start == end: only the caret) and scrolling the
  // caret's line into view.
  void SetSel(int start, int end);
  int GetSelStart() const { return selStart_; }
  int GetSelEnd() const { return selEnd_; }
  void ScrollCaret();
  int GetLineCount() const;
  void LineScroll(int lines);
  int GetFirstVisibleLine() const { return firstLine_; }
  void SetInputMethod(InputMethod mode);
  InputMethod GetInputMethod() const { return ime_; }

  // Combo boxes.
  void ResetContent();
  int AddString(const std::string& item);
  int GetCount() const { return static_cast<int>(items_.size()); }
  int GetCurSel() const { return curSel_; }
  int SetCurSel(int index);  // -1 clears; returns CB_ERR (-1) for a bad index
  std::string GetLBText(int index) const;
  // Case-insensitive search from after `start` (-1: from the top), wrapping; -1 when none.
  int FindString(int start, const std::string& prefix) const;
  int FindStringExact(int start, const std::string& text) const;
  int SelectString(int start, const std::string& prefix);
  const std::vector<std::string>& GetItems() const { return items_; }

  // Tooltip text shown when the mouse rests on the control (empty: none).
  void SetToolTipText(const std::string& text);
  const std::string& GetToolTipText() const { return tooltip_; }

  // What a screen reader says for the control: the words its page picture shows for it (the
  // table in res/page_art.h), else its own caption without "&", else the text of the label that
  // comes before it in its dialog, as screen readers name an unlabelled control on Windows.
  std::string AccessibleName() const;
  // A longer hint: the table's description, else the tooltip (empty when neither).
  std::string AccessibleDescription() const;

  // ---- User actions: every backend calls these, so the semantics are shared ----
  // Presses a button; toggles an auto check box; checks an auto radio button and clears the
  // others of its group; then notifies the parent (BN_CLICKED).
  void UserClick();
  // Replaces an edit's (or editable combo's) text as typing would: cut to the byte limit at a
  // character boundary, then EN_UPDATE and EN_CHANGE / CBN_EDITCHANGE.
  void UserType(const std::string& text);
  // Selects a list item and notifies CBN_SELCHANGE.
  void UserSelect(int index);
  // Moves the focus here: the previous focus gets its kill-focus notification, this one set-focus.
  void UserFocus();

 private:
  friend class Dialog;
  void Notify(UINT code);
  int id_;
  res::ControlKind kind_;
  DWORD style_;
  int checked_ = 0;
  int limit_ = 0;
  bool readOnly_ = false;
  int firstLine_ = 0;
  int selStart_ = 0;
  int selEnd_ = 0;
  InputMethod ime_ = InputMethod::Default;
  std::vector<std::string> items_;
  int curSel_ = -1;
  std::string tooltip_;
};

class DataExchange;

// Message maps: small tables of (notification, control id, member function).
template <class T>
struct MessageEntry {
  UINT code;
  int id;
  void (T::*handler)();
};
template <class T, size_t N>
bool Dispatch(T* self, const MessageEntry<T> (&map)[N], UINT code, int id) {
  for (const auto& e : map) {
    if (e.code == code && e.id == id) {
      (self->*e.handler)();
      return true;
    }
  }
  return false;
}

// A dialog made from a template; modal with DoModal, or a page inside a sheet.
class Dialog : public Window {
 public:
  explicit Dialog(int templateId, Window* parent = nullptr);
  ~Dialog() override;

  // Creates the window, runs it modally, destroys it; returns the EndDialog result (-1 when the
  // template is missing).
  virtual int DoModal();
  // Ends the modal run with `result` (the window is destroyed when DoModal returns).
  void EndDialog(int result);
  bool IsModalEnded() const { return result_.has_value(); }
  int GetModalResult() const { return result_.value_or(0); }
  int GetTemplateId() const { return templateId_; }

  virtual bool OnInitDialog();  // default: UpdateData(false); returns true
  virtual void OnOK();          // default: UpdateData(true), then EndDialog(IDOK)
  virtual void OnCancel();      // default: EndDialog(IDCANCEL)
  virtual void DoDataExchange(DataExchange& dx) {}
  // save true: controls -> members; false: members -> controls.
  bool UpdateData(bool saveAndValidate = true);

  Control* GetDlgItem(int id) const;
  std::vector<Control*> Controls() const;
  void SetDlgItemText(int id, const std::string& text);
  std::string GetDlgItemText(int id) const;
  void CheckDlgButton(int id, int state);
  int IsDlgButtonChecked(int id) const;
  Control* GetFocusControl() const { return focus_; }
  // Takes the focus away from this dialog's controls (the control is told it lost it).
  void ClearFocus();

  // Default handling of the OK / Cancel buttons (ids 1 and 2); derived classes call it after
  // their message map.
  bool OnCommand(UINT code, int id) override;

  // Creates the window and its controls from the template (pages: inside their sheet).
  bool Create(Window* parent);
  void Destroy();

 protected:
  Control* AddControl(const res::ControlTemplate& t, const Rect& pixels);

 private:
  friend class Control;
  friend class PropertySheet;
  int templateId_;
  std::vector<std::unique_ptr<Control>> controls_;
  Control* focus_ = nullptr;
  std::optional<int> result_;
};

// Dialog data exchange: moves values between members and controls in one direction.
class DataExchange {
 public:
  DataExchange(Dialog* dialog, bool save) : dialog_(dialog), saving(save) {}
  // Edit text; on load also sets the control's byte limit when limitBytes > 0.
  void Text(int id, std::string& value, int limitBytes = 0);
  void Check(int id, int& value);
  // Text of a combo box: its edit text, or for a drop-down list the selected item (load selects
  // the first item starting with the value).
  void CBString(int id, std::string& value);
  // Binds a control object to the control of that id.
  void Bind(int id, Control*& control);
  Dialog* GetDialog() const { return dialog_; }
  bool failed = false;

 private:
  Dialog* dialog_;

 public:
  const bool saving;
};

// ---- Property sheet in wizard mode ----------------------------------------------------------
class PropertyPage : public Dialog {
 public:
  explicit PropertyPage(int templateId);

  virtual bool OnSetActive();   // default: true
  virtual bool OnKillActive();  // default: UpdateData(true)
  // 0: go on in that direction; -1: stay; otherwise the template id of the page to show.
  virtual LRESULT OnWizardBack();  // default 0
  virtual LRESULT OnWizardNext();  // default 0
  virtual bool OnWizardFinish();   // default true: the sheet ends with ID_WIZFINISH
  // A page does not end a modal run of its own: OK and Cancel belong to the sheet.
  void OnOK() override {}
  void OnCancel() override {}
  // The sheet the page was added to (null before).
  PropertySheet* GetSheet() const { return sheet_; }
  // What a screen reader says when the page is shown: the title its picture carries (the page
  // layout table), else its template's caption.
  std::string AccessibleName() const;

  DWORD pageFlags = PSP_HASHELP;  // cleared by pages that show no Help button

 private:
  friend class PropertySheet;
  PropertySheet* sheet_ = nullptr;
};

class PropertySheet : public Window {
 public:
  PropertySheet(UINT captionId, Window* parent, int startPage);
  ~PropertySheet() override;

  void AddPage(PropertyPage* page);
  int GetPageCount() const { return static_cast<int>(pages_.size()); }
  PropertyPage* GetPage(int index) const;
  int GetPageIndex(const PropertyPage* page) const;
  int GetActiveIndex() const { return active_; }
  PropertyPage* GetActivePage() const { return GetPage(active_); }
  // Activates a page (creating it on first activation); false when it cannot be shown.
  bool SetActivePage(int index);
  bool SetActivePage(PropertyPage* page) { return SetActivePage(GetPageIndex(page)); }
  void SetWizardMode() { sheetFlags |= PSH_WIZARD; }
  void SetWizardButtons(DWORD flags);
  void SetStartPage(int index) { start_ = index; }

  // Runs modally; ID_WIZFINISH or IDCANCEL.
  int DoModal();
  void EndDialog(int result);
  bool IsModalEnded() const { return result_.has_value(); }
  int GetModalResult() const { return result_.value_or(0); }

  // The sheet's own controls: tab 0x3020, Back 0x3023, Next 0x3024, Finish 0x3025, Cancel 2,
  // Help 9 (only with PSH_HASHELP).
  Control* GetDlgItem(int id) const;
  Control* GetTabControl() const { return GetDlgItem(ID_SHEET_TAB); }
  // Every child window in order: the sheet's controls, then the created pages.
  std::vector<Window*> Children() const;

  // Queued to the next pump, like PostMessage to the sheet window.
  void PostMessage(UINT message, WPARAM wParam, LPARAM lParam);

  virtual bool OnInitDialog() { return true; }
  // The selection of the (hidden) tab row changed: SetActivePage made another page active, not
  // Back or Next (TCN_SELCHANGE).
  virtual void OnSelChange() {}
  // Back/Next/Finish/Cancel; the default processing does the page change.
  bool OnCommand(UINT code, int id) override;
  // Default processing of a sheet button.
  bool DefaultCommand(int id);
  // Window caption.
  const std::string& GetCaption() const { return caption_; }
  // Big/small icon resource shown by the window (0: none); system menu presence.
  void SetIcon(int iconId) {
    icon_ = iconId;
    Changed(Change::Caption);
  }
  int GetIcon() const { return icon_; }

  DWORD sheetFlags = PSH_HASHELP;
  DWORD windowStyle = 0;

 private:
  bool Create();
  void Destroy();
  bool ChangePage(int from, int to, int direction);
  int TemplateIndex(LRESULT templateId) const;
  std::string caption_;
  std::vector<PropertyPage*> pages_;
  std::vector<std::unique_ptr<Control>> buttons_;
  int start_ = 0;
  int active_ = -1;
  int icon_ = 0;
  std::optional<int> result_;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

// ---- Keyboard navigation --------------------------------------------------------------------
// What the dialog manager does with Tab and the arrow keys, for backends whose toolkit does not.
// Labels and group boxes never take the focus.

// The controls of a dialog, or of a sheet (its active page's controls, then its own buttons Back,
// Next, Finish, Cancel and Help), in the order the keyboard visits them.
std::vector<Control*> KeyboardOrder(const Window& top);
// Where Tab moves the focus from `from` (null: from before the first control): the next control
// with WS_TABSTOP that is shown and enabled, wrapping around; `previous` is Shift+Tab. Null when no
// control can take the focus.
Control* NextTabStop(const Window& top, const Control* from, bool previous);
// Where an arrow key moves the focus from `from`: the next shown and enabled control of its group
// (WS_GROUP starts a group; a page's controls and the sheet's buttons are groups apart), wrapping
// inside the group; `from` itself when it is alone, null when it is not one of top's controls.
Control* NextGroupItem(const Window& top, const Control* from, bool previous);

// ---- Application ----------------------------------------------------------------------------
// One value of a set that Application::WriteProfileValues writes: text (REG_SZ) or a number
// (REG_DWORD).
struct ProfileValue {
  std::string entry;
  bool isNumber = false;
  std::string text;
  DWORD number = 0;
  static ProfileValue Text(std::string entry, std::string text) {
    return {std::move(entry), false, std::move(text), 0};
  }
  static ProfileValue Number(std::string entry, DWORD number) {
    return {std::move(entry), true, {}, number};
  }
};

class Application {
 public:
  Application();
  virtual ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // The one application object of the process (the most recently constructed live one).
  static Application* Current();

  virtual bool InitInstance() { return false; }
  virtual int ExitInstance() { return 0; }

  // Registry profile: HKEY_CURRENT_USER\Software\<registryKey>\<profileName>\<section>; an empty
  // section means the profile key itself. SetRegistryKey also makes the profile name the
  // application name.
  void SetRegistryKey(const std::string& key);
  std::string GetProfileString(const std::string& section, const std::string& entry,
                               const std::string& defaultValue = "");
  bool WriteProfileString(const std::string& section, const std::string& entry,
                          const std::string& value);
  UINT GetProfileInt(const std::string& section, const std::string& entry, int defaultValue);
  bool WriteProfileInt(const std::string& section, const std::string& entry, int value);
  // Writes the values into the section as one unit that is on the disk when this returns: the
  // store then holds all of them, and after a failure, a kill or a power cut either all or none.
  // False when the store refused them (profileWriteError says why; the section is unchanged).
  bool WriteProfileValues(const std::string& section, const std::vector<ProfileValue>& values);

  // The first error other than a missing key or value that a profile read met (the store could
  // not be read; the read gave its default), or 0.
  LONG profileReadError = 0;
  // The error of the last profile write that failed, or 0.
  LONG profileWriteError = 0;
  // While set, every profile write is refused (ERROR_ACCESS_DENIED): the program sets it when the
  // store could not be read, so that a value that was there is never replaced by one that was never
  // loaded.
  bool profileWritesRefused = false;

  // The dialogs' colours; while the desktop asks for high contrast, the system's take their place.
  void SetDialogBkColor(COLORREF background, COLORREF text);

  std::string appName;  // also the caption of every message box
  std::string registryKey;
  std::string profileName;
  COLORREF dialogBkColor = RGB(192, 192, 192);
  COLORREF dialogTextColor = RGB(0, 0, 0);
  Window* mainWindow = nullptr;
};

// Starts the framework's sockets (Windows Sockets 1.1); false unless exactly 1.1 is available.
bool SocketInit();
// Hosting of embedded controls in dialogs and three-dimensional control drawing: every backend
// always offers them, so enabling them has nothing left to do.
inline void EnableControlContainer() {}
inline void Enable3dControls() {}

// ---- Services of the running backend --------------------------------------------------------
// Message box owned by the topmost window; caption = the application name. Without an icon, OK,
// OK/Cancel, Yes/No and Yes/No/Cancel boxes get the exclamation icon.
int MessageBox(const std::string& text, UINT type = MB_OK);
int MessageBox(UINT stringId, UINT type = MB_OK);

// Handles the messages that are pending now.
void PumpMessages();
// Handles every message that arrives for `ms` milliseconds, waiting for them (never spinning).
void PumpMessagesFor(DWORD ms);
// Runs `work`, a call that blocks on the network, while the windows stay alive: they repaint and
// answer the window system (the desktop never takes the program for hung), while user input is
// not acted on until `work` has ended. `work` runs on another thread and must not touch windows;
// headless, it runs at once and virtual time stands still.
void RunKeepingWindowsAlive(const std::function<void()>& work);
// Milliseconds of the backend's clock (virtual time when headless).
DWORD TickCount();
// Key state as GetKeyState reports it (high bit set while the key is down).
short GetKeyState(int virtualKey);

// Shows the wait cursor for its lifetime (nests).
class WaitCursor {
 public:
  WaitCursor();
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

// Tooltips for controls of one window.
class ToolTip {
 public:
  bool Create(Window* owner);
  void Activate(bool active);
  bool AddTool(Control* control, const std::string& text);
  bool AddTool(Control* control, UINT stringId);
  // Pre-translation relays input here; the backends show tips themselves.
  void RelayEvent(const Message& msg) {}

 private:
  Window* owner_ = nullptr;
  bool active_ = false;
  std::vector<std::pair<Control*, std::string>> tools_;
};

// A bitmap resource.
class Bitmap {
 public:
  // True when the program has a bitmap of that number. Its pixels are read when it is first
  // measured or drawn, as Windows reads a resource when it is used: of the seven page pictures
  // the wizard loads, start-up needs two. A picture that cannot be read has no size.
  bool LoadBitmap(int id);
  int Width() const { return GetData().width; }
  int Height() const { return GetData().height; }
  int GetId() const { return id_; }
  const res::Bitmap& GetData() const;

 private:
  int id_ = 0;
  mutable bool read_ = true;
  mutable res::Bitmap data_;
};

// Device contexts: a paint context of a window (valid inside OnPaint) and memory contexts.
class DeviceContext {
 public:
  DeviceContext() = default;
  virtual ~DeviceContext() = default;
  DeviceContext(const DeviceContext&) = delete;
  DeviceContext& operator=(const DeviceContext&) = delete;
  // A memory context compatible with `other`; false when `other` cannot paint.
  bool CreateCompatibleDC(DeviceContext* other);
  // Selects a bitmap into a memory context; returns the previous one.
  Bitmap* SelectObject(Bitmap* bitmap);
  // Copies from a memory context with a selected bitmap onto this context.
  bool BitBlt(int x, int y, int width, int height, DeviceContext* source, int sx, int sy,
              DWORD rop);

 protected:
  Window* window_ = nullptr;  // set for a paint context
  bool valid_ = false;
  Bitmap* selected_ = nullptr;
};

class PaintDC : public DeviceContext {
 public:
  explicit PaintDC(Window* window);  // BeginPaint
  ~PaintDC() override;               // EndPaint
};

// The hidden top-level presence window of a class name; false when the backend cannot make it.
bool RegisterWindowClass(const std::string& className);
void* CreatePresenceWindow(const std::string& className);
// Whether a top-level window of that class exists in this process.
bool FindPresenceWindow(const std::string& className);
// The program that made a presence window of that class (another copy) comes to the front.
void BringPresenceOwnerForward(const std::string& className);

// The system's colours for text and its background while the desktop asks for high contrast.
struct HighContrast {
  COLORREF text;
  COLORREF background;
};
// Asked of the backend each time: nothing when the program keeps its own colours.
std::optional<HighContrast> HighContrastColours();

namespace detail {
inline const char* FormatArg(const std::string& s) { return s.c_str(); }
inline const char* FormatArg(const char* s) { return s; }
template <class T>
requires std::is_arithmetic_v<T> T FormatArg(T v) { return v; }
std::string FormatImpl(const char* format, ...);
}  // namespace detail

// printf-style formatting (as the program's sprintf of resource formats); std::string arguments
// are passed as their bytes.
template <class... Args>
std::string Format(const std::string& format, const Args&... args) {
  return detail::FormatImpl(format.c_str(), detail::FormatArg(args)...);
}

}  // namespace ui
