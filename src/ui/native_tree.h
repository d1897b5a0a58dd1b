// The bookkeeping the window-system backends (GTK, Win32) share: one record of native state per
// framework window, in a tree as the windows are parented, found from its window or by serial
// number, forgotten and freed with the records below it; and the checks before a modal run.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "ui/framework.h"

namespace ui {

enum class NativeKind { Sheet, Dialog, Page, Control };

// What kind of native a framework window gets; nothing for a window of no such kind.
std::optional<NativeKind> NativeKindOf(const Window& window);
// Whether the modal run of a dialog or sheet is over (any other window has none: true).
bool IsModalEnded(const Window& window);

// What every backend keeps of a window; a backend's record derives from it with its own handles.
template <class Native>
struct NativeNode {
  uint64_t serial = 0;  // never reused: a record found again by its serial is the same one
  NativeKind kind = NativeKind::Control;
  Window* window = nullptr;
  Native* parent = nullptr;
  std::vector<Native*> children;
  bool ended = false;  // a modal run of this window is over
  bool shown = false;  // shown once (placed on the screen)
  bool dead = false;   // forgotten: its window has gone, its native side is going

  bool IsTopLevel() const { return kind == NativeKind::Sheet || kind == NativeKind::Dialog; }
};

// The records of one backend, owned here and kept in the order they were made.
template <class Native>
class NativeTree {
 public:
  static Native* Of(const Window& window) { return static_cast<Native*>(window.native); }
  // The record of that serial while it is kept, else null.
  Native* Find(uint64_t serial) const {
    auto it = natives_.find(serial);
    return it == natives_.end() ? nullptr : it->second.get();
  }

  // A record for `window` below `parent` (null: a top-level window); the window points at it.
  Native* New(Window& window, NativeKind kind, Native* parent) {
    auto owned = std::make_unique<Native>();
    Native* n = owned.get();
    n->serial = nextSerial_++;
    n->kind = kind;
    n->window = &window;
    n->parent = parent;
    if (parent != nullptr) parent->children.push_back(n);
    natives_[n->serial] = std::move(owned);
    window.native = n;
    return n;
  }

  // Marks `n` and the records below it dead and unhooks them from their windows, after calling
  // `release` on each for what the backend keeps of it elsewhere (timers, handle maps); `n` leaves
  // its parent's children. The records stay until Erase, so that handlers still running on them
  // find them dead.
  template <class Release>
  void Forget(Native* n, Release&& release) {
    ForgetTree(n, release);
    if (n->parent != nullptr) std::erase(n->parent->children, n);
  }

  // Frees `n` and the records below it (forgotten already), calling `release` on each first.
  template <class Release>
  void Erase(Native* n, Release&& release) {
    std::vector<Native*> all{n};
    for (size_t i = 0; i < all.size(); ++i)
      for (Native* child : all[i]->children) all.push_back(child);
    for (Native* dead : all) release(dead);
    for (Native* dead : all) natives_.erase(dead->serial);
  }

  // The records without a parent, oldest first (a backend drops them as it ends).
  std::vector<Native*> Roots() const {
    std::vector<Native*> roots;
    for (const auto& [serial, n] : natives_)
      if (n->parent == nullptr) roots.push_back(n.get());
    return roots;
  }

  // Calls fn on every record, oldest first.
  template <class Fn>
  void ForEach(Fn&& fn) const {
    for (const auto& [serial, n] : natives_) fn(n.get());
  }

  // The record a modal run of `window` is for, made by `make` when the window has none yet; null
  // when there is nothing to run: not a sheet or dialog, or a run that has ended already.
  template <class Make>
  Native* ForModalRun(Window& window, Make&& make) {
    Native* n = Of(window);
    if (n == nullptr) n = make();
    if (n == nullptr || !n->IsTopLevel() || n->ended || IsModalEnded(window)) return nullptr;
    return n;
  }

 private:
  template <class Release>
  void ForgetTree(Native* n, Release& release) {
    n->dead = true;
    for (Native* child : n->children) ForgetTree(child, release);
    release(n);
    if (n->window->native == n) n->window->native = nullptr;
  }

  uint64_t nextSerial_ = 1;
  std::map<uint64_t, std::unique_ptr<Native>> natives_;
};

}  // namespace ui
