// A private X display for tests that open real windows: starts Xvfb on a free display number,
// with a window manager when asked, points DISPLAY at it for this process and stops it again.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace test {

class XvfbDisplay {
 public:
  // Starts Xvfb (waiting only until it reports its display number) and sets DISPLAY, GDK_BACKEND
  // and the variables that keep GTK from looking for desktop services. With `windowManager`,
  // also Openbox, waiting until it manages the screen: windows then have frames, focus and
  // stacking as on a desktop. `screen` is its size and depth. ok() tells if it all runs.
  explicit XvfbDisplay(bool windowManager = false, const char* screen = "1024x768x24");
  // Stops the server and restores the environment.
  ~XvfbDisplay();
  XvfbDisplay(const XvfbDisplay&) = delete;
  XvfbDisplay& operator=(const XvfbDisplay&) = delete;

  bool ok() const { return pid_ > 0; }
  // ":N" while it runs.
  const std::string& display() const { return display_; }
  // Why it is not running (empty when it is).
  const std::string& error() const { return error_; }

 private:
  void SetEnv(const char* name, const char* value);
  bool StartWindowManager();
  pid_t pid_ = -1;
  pid_t wm_ = -1;
  int wmOutput_ = -1;  // kept open while the window manager runs, so that it can always write
  std::string display_;
  std::string error_;
  std::vector<std::unique_ptr<ScopedEnv>> env_;
};

}  // namespace test
