// Entry point of signup, the one place that sees every folder: builds the application object
// with the wizard of the pages folder, picks the backend (headless under a scenario, otherwise the
// system's window: GTK on Linux, user32 on Windows) and runs the program.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/SignApp.h"
#include "pages/SignPages.h"
#include "ui/headless/headless_backend.h"
#ifdef _WIN32
#include "ui/win32/win32_backend.h"
#else
#include "ui/gtk/gtk_backend.h"
#endif

namespace {
// The application object, constructed during static initialisation.
CSignApp theApp(&CSignWizard::Create);
}  // namespace

int main(int argc, char** argv) {
  const char* scenarioPath = std::getenv("SIGNUP_SCENARIO");
  if (scenarioPath != nullptr && *scenarioPath != '\0') {
    auto scenario = std::make_unique<ui::headless::Scenario>();
    std::string error;
    if (!scenario->Load(scenarioPath, error)) {
      std::fprintf(stderr, "signup: %s\n", error.c_str());
      return 2;
    }
    const char* transcriptPath = std::getenv("SIGNUP_TRANSCRIPT");
    ui::headless::Transcript transcript(transcriptPath != nullptr ? transcriptPath : "");
    if (!transcript.Open()) {
      std::fprintf(stderr, "signup: SIGNUP_TRANSCRIPT names \"%s\": %s\n", transcriptPath,
                   transcript.GetProblem().c_str());
      return 2;
    }
    ui::headless::HeadlessBackend backend(std::move(scenario), &transcript);
    ui::SetBackend(&backend);
    theApp.InitInstance();
    const int code = theApp.ExitInstance();
    backend.ProgramEnded();
    ui::SetBackend(nullptr);
    if (backend.HasFailed()) {
      std::fprintf(stderr, "signup: scenario failed: %s\n", backend.GetFailure().c_str());
      return 1;
    }
    if (!transcript.GetText().empty()) transcript.Line("end " + std::to_string(code));
    // A run whose record is lost has not shown what it did.
    if (!transcript.GetProblem().empty()) {
      std::fprintf(stderr, "signup: the transcript (SIGNUP_TRANSCRIPT, else standard output) %s\n",
                   transcript.GetProblem().c_str());
      return 2;
    }
    return code;
  }

#ifdef _WIN32
  std::unique_ptr<ui::Backend> window = ui::CreateWin32Backend();
#else
  std::unique_ptr<ui::Backend> window = ui::CreateGtkBackend(&argc, &argv);
#endif
  if (!window) {
    std::fprintf(stderr,
                 "signup: no display to open the window on; set SIGNUP_SCENARIO to a scenario "
                 "file to run without one\n");
    return 2;
  }
  ui::SetBackend(window.get());
  theApp.InitInstance();
  const int code = theApp.ExitInstance();
  ui::SetBackend(nullptr);
  return code;
}
