// Start-up and memory of the wizard window next to a minimal GTK 3 program that shows one
// 448 x 310 picture: time from starting the program to the first painted frame of its window
// (and the processor time used until then), and resident memory once it has settled, as medians of
// RUNS runs each on one private display, taken in turns so both see the same machine. Prints both
// figures, their ratios and the goals.
//
//   bench_window [RUNS]   (default 11)
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/ras_fixture.h"
#include "support/test_support.h"
#include "support/xvfb_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kStartupGoal = 1.2;
constexpr double kMemoryGoal = 1.3;
// Only keeps a broken program from stalling the benchmark.
constexpr int kFrameLimitMs = 60000;

struct Sample {
  double ms = 0;
  double cpuMs = 0;
  long rssKb = 0;
};

// Processor time the process has used so far, all its threads together: on a machine shared
// with other work the wall time waits for the processor, this does not.
double ProcessorMs(pid_t pid) {
  double ns = 0;
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  std::error_code ec;
  for (const auto& task : std::filesystem::directory_iterator(tasks, ec)) {
    std::ifstream schedstat(task.path() / "schedstat");
    double onCpu = 0;
    if (schedstat >> onCpu) ns += onCpu;
  }
  return ns / 1e6;
}

long ResidentKb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  return 0;
}

// Starts the program and waits for its report of the first painted frame.
bool Measure(const std::vector<std::string>& argv, Sample& out) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return false;
  test::ChildOptions options;
  options.env["G_MESSAGES_DEBUG"] = "signup";
  options.stdout_fd = options.stderr_fd = fds[1];  // GLib logs debug lines on stdout
  const Clock::time_point start = Clock::now();
  const pid_t pid = test::StartChild(argv, options);
  close(fds[1]);
  if (pid < 0) {
    close(fds[0]);
    return false;
  }
  std::string seen;
  bool painted = false;
  while (!painted) {
    pollfd p{fds[0], POLLIN, 0};
    if (poll(&p, 1, kFrameLimitMs) <= 0) break;
    char buf[512];
    const ssize_t n = read(fds[0], buf, sizeof buf);
    if (n <= 0) break;
    seen.append(buf, static_cast<size_t>(n));
    painted = seen.find("first frame painted") != std::string::npos;
  }
  out.ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
  out.cpuMs = painted ? ProcessorMs(pid) : 0;
  // GTK keeps loading what the first frame asked for (icon renderers, GL probing) for a moment
  // after it: memory is read once it has stopped growing for 300 ms (at most 5 s).
  long rss = painted ? ResidentKb(pid) : 0;
  for (int still = 0, i = 0; painted && still < 3 && i < 50; ++i) {
    usleep(100000);
    const long now = ResidentKb(pid);
    still = now == rss ? still + 1 : 0;
    rss = now;
  }
  out.rssKb = rss;
  test::StopChild(pid, SIGTERM);
  close(fds[0]);
  if (!painted)
    std::fprintf(stderr, "bench_window: %s painted nothing:\n%s\n", argv[0].c_str(), seen.c_str());
  return painted;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 11;
  test::XvfbDisplay display;
  if (!display.ok()) {
    std::fprintf(stderr, "bench_window: %s\n", display.error().c_str());
    return 1;
  }
  // The wizard opens on its start page: a modem to list, a fresh registry, no scenario.
  test::RasFixture ras;
  if (!ras.AddModem("Modem A")) return 1;
  test::TempDir dir;
  test::ScopedEnv registry("SIGNUP_REGISTRY", dir.File("registry.db"));
  test::ScopedEnv scenario("SIGNUP_SCENARIO", std::nullopt);
  test::ScopedEnv runtime("XDG_RUNTIME_DIR", dir.path());
  const std::string bin = SIGNUP_BIN_DIR;
  const std::vector<std::string> wizard = {bin + "/signup"};
  const std::vector<std::string> minimal = {
      bin + "/minimal_window", std::string(SIGNUP_SOURCE_DIR) + "/src/res/art/bitmap149.bmp"};

  std::vector<double> wizardMs, minimalMs, wizardCpu, minimalCpu, wizardKb, minimalKb;
  for (int i = 0; i < runs; ++i) {
    Sample a, b;
    if (!Measure(wizard, a) || !Measure(minimal, b)) return 1;
    wizardMs.push_back(a.ms);
    minimalMs.push_back(b.ms);
    wizardCpu.push_back(a.cpuMs);
    minimalCpu.push_back(b.cpuMs);
    wizardKb.push_back(static_cast<double>(a.rssKb));
    minimalKb.push_back(static_cast<double>(b.rssKb));
  }
  const double startup = Median(wizardMs) / Median(minimalMs);
  const double memory = Median(wizardKb) / Median(minimalKb);
  std::printf(
      "start-up to the first painted frame (median of %d): signup %.1f ms, minimal GTK %.1f "
      "ms: %.2fx (goal at most %.1fx) %s\n",
      runs, Median(wizardMs), Median(minimalMs), startup, kStartupGoal,
      startup <= kStartupGoal ? "met" : "MISSED");
  std::printf(
      "  processor time until then: signup %.1f ms, minimal GTK %.1f ms: %.2fx (the wall time "
      "also waits for a busy machine)\n",
      Median(wizardCpu), Median(minimalCpu), Median(wizardCpu) / Median(minimalCpu));
  std::printf(
      "resident memory at the start page (median of %d): signup %.0f KiB, minimal GTK "
      "%.0f KiB: %.2fx (goal at most %.1fx) %s\n",
      runs, Median(wizardKb), Median(minimalKb), memory, kMemoryGoal,
      memory <= kMemoryGoal ? "met" : "MISSED");
  return 0;
}
