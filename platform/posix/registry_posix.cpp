// A host without a Windows registry keeps one in memory for the life of the process.
#include "platform/memory_registry.h"

namespace platform {
namespace {

MemoryRegistry host;
Registry* current = &host;

}  // namespace

Registry& CurrentRegistry() { return *current; }
void SetRegistry(Registry* registry) { current = registry ? registry : &host; }

}  // namespace platform
