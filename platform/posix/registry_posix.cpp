// A host without a Windows registry keeps one in memory for the life of the process.
#include "platform/memory_registry.h"

namespace platform {
namespace {

MemoryRegistry host;
ServiceSlot<Registry> slot(host);

}  // namespace

Registry& CurrentRegistry() { return slot.Current(); }
ServiceGuard<Registry*> SetRegistry(Registry* registry) { return slot.Set(registry); }

}  // namespace platform
