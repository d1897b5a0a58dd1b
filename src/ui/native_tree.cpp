// The kinds and modal checks of the backends' native records (see native_tree.h).
#include "ui/native_tree.h"

namespace ui {

std::optional<NativeKind> NativeKindOf(const Window& window) {
  // A page is a dialog too: it is asked for first.
  if (dynamic_cast<const Control*>(&window)) return NativeKind::Control;
  if (dynamic_cast<const PropertyPage*>(&window)) return NativeKind::Page;
  if (dynamic_cast<const PropertySheet*>(&window)) return NativeKind::Sheet;
  if (dynamic_cast<const Dialog*>(&window)) return NativeKind::Dialog;
  return std::nullopt;
}

bool IsModalEnded(const Window& window) {
  if (auto* d = dynamic_cast<const Dialog*>(&window)) return d->IsModalEnded();
  if (auto* s = dynamic_cast<const PropertySheet*>(&window)) return s->IsModalEnded();
  return true;
}

}  // namespace ui
