// uidriver: runs a UI script against a Windows program (see script.h for the language).
//
//   uidriver [--shots DIR] [--timeout SECONDS] SCRIPT
//
// Exit code 0 when every step passed, 1 at the first failing step, 2 on a usage error.
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>

#include "tests/e2e/uidriver/script.h"

int main(int argc, char** argv) {
  uidriver::ScriptOptions options{"", 20000, &std::cout};
  int i = 1;
  for (; i + 1 < argc && std::strncmp(argv[i], "--", 2) == 0; i += 2) {
    if (std::strcmp(argv[i], "--shots") == 0) {
      options.shotDir = argv[i + 1];
    } else if (std::strcmp(argv[i], "--timeout") == 0) {
      options.timeoutMs = std::atoi(argv[i + 1]) * 1000;
    } else {
      break;
    }
  }
  if (i + 1 != argc || options.timeoutMs <= 0) {
    std::cerr << "usage: uidriver [--shots DIR] [--timeout SECONDS] SCRIPT\n";
    return 2;
  }
  std::ifstream in(argv[i]);
  if (!in) {
    std::cerr << "uidriver: cannot read " << argv[i] << "\n";
    return 2;
  }
  return uidriver::RunScript(in, argv[i], options) ? 0 : 1;
}
