// Process-wide services (the user interface, the registry, profile files, DDE, the shell, the
// drive-type query): one slot each, holding the host's implementation until a tool or a test
// installs its own for a while.
#pragma once

#include <utility>

namespace platform {

// What a service setter returns. While it lives the slot holds the new value; when it goes the
// slot gets back what it held before, so whoever installs a service leaves the process as it
// found it, even when someone else had installed one before. Guards of one slot go in the
// reverse order of their making, as scopes and members do.
template <class Value>
class [[nodiscard]] ServiceGuard {
 public:
  ServiceGuard(Value& slot, Value value)
      : slot_(&slot), previous_(std::exchange(slot, std::move(value))) {}
  ~ServiceGuard() {
    if (slot_) *slot_ = std::move(previous_);
  }
  ServiceGuard(ServiceGuard&& other) noexcept
      : slot_(std::exchange(other.slot_, nullptr)), previous_(std::move(other.previous_)) {}
  ServiceGuard(const ServiceGuard&) = delete;
  ServiceGuard& operator=(const ServiceGuard&) = delete;
  ServiceGuard& operator=(ServiceGuard&&) = delete;

 private:
  Value* slot_;
  Value previous_;
};

// The slot of a service reached through an interface: the host's object until Set installs
// another.
template <class Service>
class ServiceSlot {
 public:
  constexpr explicit ServiceSlot(Service& host) : host_(&host), current_(&host) {}
  Service& Current() const { return *current_; }
  // Makes service current (nullptr: the host's) until the guard goes.
  ServiceGuard<Service*> Set(Service* service) { return {current_, service ? service : host_}; }

 private:
  Service* host_;
  Service* current_;
};

}  // namespace platform
