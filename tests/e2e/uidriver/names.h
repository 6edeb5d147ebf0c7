// Names of the setup program's controls as a script writes them ("chkAccept", "btnNext", ...),
// mapped to their control IDs.
#pragma once

#include <optional>
#include <string>

namespace uidriver {

// The control ID of name, or a decimal number given as text; nullopt when neither.
std::optional<int> ControlId(const std::string& name);

}  // namespace uidriver
