// Processor time the dial-up progress dialog uses in the GTK window while a dial waits: the
// simulated dial stays in one state (rassim's "hold" outcome) for SECONDS seconds, measured in
// ten equal windows while the dialog polls the connection; prints the share of one core used
// (all threads of the process) and the goal.
//
//   bench_dial_cpu [SECONDS]   (default 30)
#include <gtk/gtk.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/SignApp.h"
#include "dialup/DialupDialog.h"
#include "support/ras_fixture.h"
#include "support/test_support.h"
#include "support/xvfb_fixture.h"
#include "ui/gtk/gtk_backend.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kGoalPercent = 2.0;
constexpr int kWindows = 10;

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::max(kWindows, std::atoi(argv[1])) : 30;
  test::XvfbDisplay display;
  if (!display.ok()) {
    std::fprintf(stderr, "bench_dial_cpu: %s\n", display.error().c_str());
    return 1;
  }
  test::RasFixture ras;
  if (!ras.AddModem("Modem A") || !ras.SetOutcome("hold --at ConnectDevice")) return 1;
  test::TempDir dir;
  test::ScopedEnv registry("SIGNUP_REGISTRY", dir.File("registry.db"));
  std::unique_ptr<ui::Backend> backend = ui::CreateGtkBackend(&argc, &argv);
  if (!backend) {
    std::fprintf(stderr, "bench_dial_cpu: GTK cannot open %s\n", display.display().c_str());
    return 1;
  }
  ui::SetBackend(backend.get());
  std::vector<double> shares;
  {
    CSignApp app;
    app.SelectProfile("");
    app.SetDialogBkColor(RGB(85, 159, 255), RGB(255, 255, 255));
    app.DialMode = "T";
    DialupDialog dialog;
    std::string entry;
    if (dialog.PrepareEntry(entry, "Modem A", "user", "pass", "0120111111") != 0) {
      std::fprintf(stderr, "bench_dial_cpu: the signup entry cannot be made\n");
      return 1;
    }
    // The watch runs beside the window's thread and only reads the clock and the process's
    // processor time; the dialog is cancelled on its own thread when the time is up.
    std::thread watch([&] {
      std::this_thread::sleep_for(std::chrono::seconds(1));  // the dial has started
      const auto window = std::chrono::milliseconds(seconds * 1000 / kWindows);
      for (int i = 0; i < kWindows; ++i) {
        const Clock::time_point start = Clock::now();
        const double cpu = CpuSeconds();
        std::this_thread::sleep_for(window);
        const double wall = std::chrono::duration<double>(Clock::now() - start).count();
        shares.push_back(100.0 * (CpuSeconds() - cpu) / wall);
      }
      g_idle_add(
          [](gpointer data) -> gboolean {
            auto* d = static_cast<DialupDialog*>(data);
            if (ui::Control* cancel = d->GetDlgItem(ui::IDCANCEL))
              gtk_button_clicked(GTK_BUTTON(ui::gtk::WidgetOf(*cancel)));
            return G_SOURCE_REMOVE;
          },
          &dialog);
    });
    dialog.DoModal();
    watch.join();
    dialog.RemoveEntry("");
  }
  ui::SetBackend(nullptr);
  backend.reset();
  if (shares.size() != kWindows) return 1;
  double total = 0;
  for (double s : shares) total += s;
  std::sort(shares.begin(), shares.end());
  const double median = shares[kWindows / 2];
  std::printf(
      "processor time while the progress dialog waits %d s on a held dial: %.2f%% of one "
      "core (median of %d windows %.2f%%, highest %.2f%%; goal at most %.1f%%) %s\n",
      seconds, total / kWindows, kWindows, median, shares.back(), kGoalPercent,
      total / kWindows <= kGoalPercent ? "met" : "MISSED");
  return 0;
}
