// The commands of the pck tool. Each returns the process exit code; args are the words after the
// command name.
#pragma once

#include <string>
#include <vector>

namespace pck {

struct Command {
  const char* name;
  const char* usage;    // one line: "compress [--mode good|fast|auto] INPUT OUTPUT"
  const char* summary;  // what it does, for the overview
  const char* help;     // the full text of "pck COMMAND --help"
  int (*run)(const std::vector<std::string>& args);
};

// Each group of commands lives in its own file.
const std::vector<Command>& CodecCommands();

}  // namespace pck
