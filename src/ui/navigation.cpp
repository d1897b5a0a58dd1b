// Keyboard navigation as the dialog manager does it: the order Tab visits controls in, tab stops,
// and the groups the arrow keys move inside.
#include "ui/framework.h"

namespace ui {

namespace {

bool CanTakeFocus(const Control* c) {
  return c->GetKind() != res::ControlKind::Static && c->GetKind() != res::ControlKind::GroupBox &&
         c->IsWindowVisible() && c->IsWindowEnabled();
}

int IndexOf(const std::vector<Control*>& order, const Control* c) {
  for (size_t i = 0; i < order.size(); ++i)
    if (order[i] == c) return static_cast<int>(i);
  return -1;
}

// Steps k places from `start` through [first, last], wrapping inside it.
int Wrap(int start, int k, int first, int last) {
  const int n = last - first + 1;
  return first + (((start - first + k) % n) + n) % n;
}

}  // namespace

std::vector<Control*> KeyboardOrder(const Window& top) {
  if (const auto* sheet = dynamic_cast<const PropertySheet*>(&top)) {
    std::vector<Control*> order;
    if (const PropertyPage* page = sheet->GetActivePage(); page != nullptr && page->IsCreated())
      order = page->Controls();
    for (int id :
         {int{ID_WIZBACK}, int{ID_WIZNEXT}, int{ID_WIZFINISH}, int{IDCANCEL}, int{ID_SHEET_HELP}})
      if (Control* button = sheet->GetDlgItem(id)) order.push_back(button);
    return order;
  }
  if (const auto* dialog = dynamic_cast<const Dialog*>(&top)) return dialog->Controls();
  return {};
}

Control* NextTabStop(const Window& top, const Control* from, bool previous) {
  const std::vector<Control*> order = KeyboardOrder(top);
  const int n = static_cast<int>(order.size());
  if (n == 0) return nullptr;
  int start = IndexOf(order, from);
  if (start < 0) start = previous ? 0 : -1;
  for (int k = 1; k <= n; ++k) {
    Control* c = order[static_cast<size_t>(Wrap(start, previous ? -k : k, 0, n - 1))];
    if ((c->GetStyle() & WS_TABSTOP) != 0 && CanTakeFocus(c)) return c;
  }
  return nullptr;
}

Control* NextGroupItem(const Window& top, const Control* from, bool previous) {
  const std::vector<Control*> order = KeyboardOrder(top);
  const int at = IndexOf(order, from);
  if (at < 0) return nullptr;
  auto sameWindow = [&](int i) {
    return order[static_cast<size_t>(i)]->GetParent() == from->GetParent();
  };
  int first = at;
  while (first > 0 && (order[static_cast<size_t>(first)]->GetStyle() & WS_GROUP) == 0 &&
         sameWindow(first - 1))
    --first;
  int last = at;
  while (last + 1 < static_cast<int>(order.size()) && sameWindow(last + 1) &&
         (order[static_cast<size_t>(last + 1)]->GetStyle() & WS_GROUP) == 0)
    ++last;
  for (int k = 1; k <= last - first; ++k) {
    Control* c = order[static_cast<size_t>(Wrap(at, previous ? -k : k, first, last))];
    if (CanTakeFocus(c)) return c;
  }
  return order[static_cast<size_t>(at)];
}

}  // namespace ui
