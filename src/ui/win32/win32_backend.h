// The user32 backend of the framework: the real window of the program on Windows.
#pragma once

#include <memory>

namespace ui {

class Backend;

// The backend for this process (common controls initialised); null when the window system
// cannot be used.
std::unique_ptr<Backend> CreateWin32Backend();

}  // namespace ui
