// The registry store's fault plan (see registry_fault_plan.h).
#include "platform/registry_fault_plan.h"

#include <cstdlib>
#include <cstring>

namespace platform::regstore {

FaultPlan::Kind FaultPlan::At(long atSet, long atPoint) const {
  if (kind == kFull && atSet >= set) return kFull;
  if (kind == kKill && atSet == set && atPoint == point) return kKill;
  return kNone;
}

FaultPlan ParseFaultPlan(const char* text) {
  FaultPlan plan;
  if (text == nullptr) return plan;
  char* end = nullptr;
  if (std::strncmp(text, "kill:", 5) == 0) {
    plan.set = std::strtol(text + 5, &end, 10);
    if (*end == ':') plan.point = std::strtol(end + 1, &end, 10);
    if (*end == '\0' && plan.set > 0 && plan.point > 0) plan.kind = FaultPlan::kKill;
  } else if (std::strncmp(text, "full:", 5) == 0) {
    plan.set = std::strtol(text + 5, &end, 10);
    if (*end == '\0' && plan.set > 0) plan.kind = FaultPlan::kFull;
  }
  return plan;
}

const FaultPlan& ProcessFaultPlan() {
  static const FaultPlan plan = ParseFaultPlan(std::getenv("SIGNUP_REGISTRY_FAULT"));
  return plan;
}

}  // namespace platform::regstore
