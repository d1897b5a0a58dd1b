// Times the built signup headless, from its start to its exit: the complete new signup over LAN
// against the provider stand-in (scripts/demo.scn, through the completion page and the
// mail-account dialog) next to a run that only opens the start page and cancels. Prints both
// medians and the goals: the signup under 0.5 s of wall time and under 3 times the cancelled run.
//
//   bench_signup [RUNS]   (default 20)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_support.h"
#include "support/flow_fixture.h"

namespace {

constexpr double kGoalSeconds = 0.5;
constexpr double kGoalRatio = 3.0;
constexpr char kStartAndCancel[] = "wait page 0\nclick 2\nwait end\n";

// One run in a world of its own (a fresh stand-in, registry and modem, made before the clock
// starts); its wall time in microseconds, or a negative value when the program did not succeed.
double TimedRun(const std::string& scenario) {
  test::SignupWorld world;
  if (!world.problem().empty()) {
    std::fprintf(stderr, "the world could not be set up: %s\n", world.problem().c_str());
    return -1;
  }
  const bench::Clock::time_point start = bench::Clock::now();
  const test::FlowResult r = world.Play(scenario);
  const double elapsed = bench::MicrosecondsSince(start);
  if (r.exitCode != 0) {
    std::fprintf(stderr, "signup ended with %d: %s\n", r.exitCode, r.stderrText.c_str());
    return -1;
  }
  return elapsed;
}

const char* Verdict(bool met) { return met ? "met" : "NOT met"; }

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  const std::string signup = test::ReadFile(SIGNUP_SOURCE_DIR "/scripts/demo.scn");
  if (signup.empty()) {
    std::fprintf(stderr, "cannot read scripts/demo.scn\n");
    return 1;
  }
  test::NoDesktopProxy noProxy;

  std::vector<double> full, cancelled;
  for (int i = 0; i < runs; ++i) {
    // Alternating keeps slow drifts of the machine from favouring one side.
    const double a = TimedRun(signup);
    const double b = TimedRun(kStartAndCancel);
    if (a < 0 || b < 0) return 1;
    full.push_back(a);
    cancelled.push_back(b);
  }

  const double fullSeconds = bench::Median(full) / 1e6;
  const double cancelSeconds = bench::Median(cancelled) / 1e6;
  const double ratio = fullSeconds / cancelSeconds;
  std::printf("signup headless against the provider stand-in, %d runs each, start to exit\n", runs);
  std::printf("  complete new signup over LAN  median %7.3f s\n", fullSeconds);
  std::printf("  start page, then Cancel       median %7.3f s\n", cancelSeconds);
  std::printf("  ratio of medians              %7.2f\n", ratio);
  std::printf("  goal: signup under %.1f s      %s\n", kGoalSeconds,
              Verdict(fullSeconds < kGoalSeconds));
  std::printf("  goal: ratio under %.0f           %s\n", kGoalRatio, Verdict(ratio < kGoalRatio));
  return 0;
}
