// How long the wizard's window goes without answering the window system during a complete LAN
// signup in the GTK window, against a stand-in that holds its signup reply for SECONDS seconds: a
// probe on a connection of its own sends the window manager's ping (_NET_WM_PING) every 10 ms and
// times each answer. Prints the longest round trip during the held request and over the whole
// signup, with the goal; then the same for the Windows program under Wine, where this machine
// runs it (a probe program's SendMessageTimeout(WM_NULL) round trips).
//
//   bench_responsiveness [SECONDS]   (default 10)
#include <X11/Xlib.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <poll.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/SignApp.h"
#include "pages/SignPages.h"
#include "support/provider_fixture.h"
#include "support/test_support.h"
#include "support/xvfb_fixture.h"
#include "ui/gtk/gtk_backend.h"
#include "wine_run.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kGoalMs = 100;

double MsBetween(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

// Pings one window from its own display connection until stopped; keeps each round trip.
class PingProbe {
 public:
  struct Sample {
    Clock::time_point sent;
    double ms;
  };

  PingProbe(const std::string& display, Window target) : target_(target) {
    thread_ = std::thread([this, display] { Run(display); });
  }
  ~PingProbe() { Stop(); }
  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  // The longest round trip of the pings sent from `from` to `to` (a ping unanswered at the end
  // counts until then).
  double LongestMs(Clock::time_point from, Clock::time_point to) {
    std::lock_guard lock(mutex_);
    double longest = 0;
    for (const Sample& s : samples_)
      if (s.sent >= from && s.sent <= to) longest = std::max(longest, s.ms);
    return longest;
  }

 private:
  void Run(const std::string& name) {
    Display* d = XOpenDisplay(name.c_str());
    if (d == nullptr) return;
    const Window root = DefaultRootWindow(d);
    XSelectInput(d, root, SubstructureNotifyMask);
    const Atom protocols = XInternAtom(d, "WM_PROTOCOLS", False);
    const Atom ping = XInternAtom(d, "_NET_WM_PING", False);
    for (long serial = 1; !stop_; ++serial) {
      XEvent e{};
      e.xclient.type = ClientMessage;
      e.xclient.window = target_;
      e.xclient.message_type = protocols;
      e.xclient.format = 32;
      e.xclient.data.l[0] = static_cast<long>(ping);
      e.xclient.data.l[1] = serial;
      e.xclient.data.l[2] = static_cast<long>(target_);
      const Clock::time_point sent = Clock::now();
      XSendEvent(d, target_, False, NoEventMask, &e);
      XFlush(d);
      bool answered = false;
      while (!answered && !stop_) {
        while (!answered && XPending(d) > 0) {
          XEvent got;
          XNextEvent(d, &got);
          answered = got.type == ClientMessage && got.xclient.window == root &&
                     got.xclient.data.l[1] == serial;
        }
        pollfd p{ConnectionNumber(d), POLLIN, 0};
        if (!answered) poll(&p, 1, 20);
      }
      {
        std::lock_guard lock(mutex_);
        samples_.push_back({sent, MsBetween(sent, Clock::now())});
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    XCloseDisplay(d);
  }

  Window target_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<Sample> samples_;
  std::thread thread_;
};

// Walks the wizard as a person would, one action per page: LAN on the start page, agree to the
// terms once they are shown, the entries as stored, the signup, a communication name, the
// verification and communication ID; it ends the wizard on the completion page. Runs from a
// timer that may fire inside the wizard's own nested loops, so it acts once per page.
struct Walk {
  CSignWizard* wizard = nullptr;
  int actedOn = -1;
  Clock::time_point requestStart, requestEnd;

  void Next() {
    gtk_button_clicked(GTK_BUTTON(ui::gtk::WidgetOf(*wizard->GetDlgItem(ui::ID_WIZNEXT))));
  }
  bool Step() {
    const int page = wizard->GetActiveIndex();
    if (page == actedOn) return true;
    if (page == 1 &&
        wizard->GetDlgItem(ui::ID_WIZNEXT)->GetWindowText() != res::String(IDS_BUTTON_AGREE))
      return true;
    actedOn = page;
    switch (page) {
      case 3:
        requestStart = Clock::now();
        Next();
        requestEnd = Clock::now();
        break;
      case 4:
        wizard->page5.GetDlgItem(IDC_COMM_NAME)->UserType(test::Sjis("かな"));
        Next();
        break;
      case 6:
        wizard->EndDialog(ui::IDCANCEL);
        return false;
      default:
        Next();
    }
    return true;
  }
};

gboolean WalkStep(gpointer data) {
  return static_cast<Walk*>(data)->Step() ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}

void Report(const char* what, double heldMs, double wholeMs) {
  std::printf(
      "%s: longest time without an answer during the held request %.1f ms, over the "
      "whole signup %.1f ms (goal: at most %.0f ms) %s\n",
      what, heldMs, wholeMs, kGoalMs, heldMs <= kGoalMs ? "met" : "NOT met");
}

// The GTK window: 0 when measured.
int MeasureGtk(int seconds, int* argc, char*** argv) {
  test::XvfbDisplay display;
  if (!display.ok()) {
    std::fprintf(stderr, "bench_responsiveness: %s\n", display.error().c_str());
    return 1;
  }
  test::ProviderFixture provider;
  test::Fault hold;
  hold.kind = test::FaultKind::kDelay;
  hold.ms = seconds * 1000;
  if (!provider.ok() || !provider.SetFault("/signup_pc/signup_pc.cgi", hold)) return 1;
  test::TempDir dir;
  test::ScopedEnv registry("SIGNUP_REGISTRY", dir.File("registry.db"));
  test::ScopedEnv noDialup("SIGNUP_RASAPI32", dir.File("none.so"));
  std::unique_ptr<ui::Backend> backend = ui::CreateGtkBackend(argc, argv);
  if (!backend) return 1;
  ui::SetBackend(backend.get());
  double held = 0, whole = 0;
  {
    CSignApp app;
    app.SelectProfile("Servers");
    app.WriteProfileString("", "SignupPage", provider.HttpUrl());
    app.WriteProfileString("", "ProfilePage", provider.HttpUrl());
    app.SelectProfile("");
    app.LoadSettings("", "");
    app.SetDialogBkColor(RGB(85, 159, 255), RGB(255, 255, 255));
    app.ApplyConnectionConfig("Lan", "udp", false, "", "", "", "");
    app.Kana = test::Sjis("ヤマダ");
    app.Kana2 = test::Sjis("タロウ");
    app.Name = test::Sjis("山田");
    app.Name2 = test::Sjis("太郎");
    app.Zip = "100";
    app.Zip2 = "0001";
    app.Address1 = test::Sjis("東京都千代田区1-1");
    app.Tel = "03";
    app.Tel2 = "1234";
    app.Tel3 = "5678";
    app.MekoID = "bench01";
    app.MekoID2 = "bench02";
    app.MekoID3 = "bench03";
    app.EntryCode = "12";
    app.EntryCode2 = "345";
    CSignWizard wizard(false, nullptr);
    app.sheet = &wizard;
    app.mainWindow = &wizard;
    wizard.CopyUserInfoToPages();
    wizard.AddWizardPages();
    Walk walk;
    walk.wizard = &wizard;
    std::unique_ptr<PingProbe> probe;
    backend->Post([&] {
      GtkWidget* top = ui::gtk::WidgetOf(wizard);
      while (!gtk_widget_get_mapped(top)) g_main_context_iteration(nullptr, TRUE);
      probe = std::make_unique<PingProbe>(display.display(),
                                          gdk_x11_window_get_xid(gtk_widget_get_window(top)));
      GSource* source = g_timeout_source_new(20);
      g_source_set_can_recurse(source, TRUE);
      g_source_set_callback(source, WalkStep, &walk, nullptr);
      g_source_attach(source, nullptr);
      g_source_unref(source);
    });
    const Clock::time_point start = Clock::now();
    wizard.DoModal();
    const Clock::time_point end = Clock::now();
    if (probe) probe->Stop();
    app.sheet = nullptr;
    app.mainWindow = nullptr;
    if (!probe || walk.actedOn != 6) {
      std::fprintf(stderr, "bench_responsiveness: the signup stopped on page %d\n", walk.actedOn);
      ui::SetBackend(nullptr);
      return 1;
    }
    held = probe->LongestMs(walk.requestStart, walk.requestEnd);
    whole = probe->LongestMs(start, end);
    std::printf("GTK: the signup request took %.1f s\n",
                MsBetween(walk.requestStart, walk.requestEnd) / 1000);
  }
  ui::SetBackend(nullptr);
  Report("GTK window", held, whole);
  return 0;
}

// The Windows program in its Win32 window under Wine on a display of its own, walked by
// responsiveness_probe.exe; says why when it cannot run here.
void MeasureWine(int seconds) {
  if (const std::string why = wine::Unavailable(); !why.empty()) {
    std::printf("Win32 window under Wine: not measured: %s\n", why.c_str());
    return;
  }
  wine::FreshDesktop desktop;
  test::XvfbDisplay display;
  test::ProviderFixture provider;
  test::Fault hold;
  hold.kind = test::FaultKind::kDelay;
  hold.ms = seconds * 1000;
  wine::WineRun run;
  test::TempDir dir;
  const std::string entries = dir.File("entries.reg");
  test::WriteFile(entries,
                  "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Orvel\\Lumipass\\Signup]\n"
                  "\"Kana\"=\"ヤマダ\"\n\"Kana2\"=\"タロウ\"\n\"Name\"=\"山田\"\n"
                  "\"Name2\"=\"太郎\"\n\"Zip\"=\"100\"\n\"Zip2\"=\"0001\"\n"
                  "\"Address1\"=\"東京都千代田区1-1\"\n\"Tel\"=\"03\"\n\"Tel2\"=\"1234\"\n"
                  "\"Tel3\"=\"5678\"\n\"MekoID\"=\"wine01\"\n\"MekoID2\"=\"wine02\"\n\"MekoID3\"=\"wine03\"\n\"EntryCode\"=\"12\"\n"
                  "\"EntryCode2\"=\"345\"\n");
  if (!desktop.ok() || !display.ok() || !provider.ok() ||
      !provider.SetFault("/signup_pc/signup_pc.cgi", hold) || !run.SetServers(provider.HttpUrl()) ||
      !run.AddModem("Bench Modem") ||
      run.Regtool({"import", wine::WindowsPath(entries)}).exit != 0) {
    std::printf("Win32 window under Wine: not measured: its world could not be made\n");
    return;
  }
  run.SetEnv("DISPLAY", display.display());
  const pid_t program = run.Start("signup.exe", {});
  const test::ProgramResult probe = run.Run("responsiveness_probe.exe", {"Orvel_Signup_App"});
  test::StopChild(program, SIGKILL);
  double signup = -1, whole = -1;
  std::sscanf(probe.out.c_str(), "signup %lf whole %lf", &signup, &whole);
  if (probe.exit != 0 || signup < 0) {
    std::printf("Win32 window under Wine: not measured: %s%s%s\n", probe.out.c_str(),
                probe.err.c_str(), test::ReadFile(run.dir().File("signup.exe.log")).c_str());
    return;
  }
  Report("Win32 window under Wine (WM_NULL round trips)", signup, whole);
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
  const int gtk = argc > 2 ? 0 : MeasureGtk(seconds, &argc, &argv);
  MeasureWine(seconds);
  return gtk;
}
