// Program Manager's DDE command interface, which the group and item operations of a task use.
#pragma once

#include <cstdint>
#include <string>

// Sends a command to Program Manager over DDE: 0 when it was handed over, 1 when no
// conversation could be opened or the command was not sent.
std::uint16_t ProgmanExecute(const std::string& command);
