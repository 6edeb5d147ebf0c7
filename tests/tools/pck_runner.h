// pck run as a user runs it: a separate process through the shell, both output streams kept.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/codecs/codec_test_util.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace pck_test {

struct Result {
  int exitCode;
  std::string out, err;
};

inline std::string Text(const codec_test::Bytes& b) { return std::string(b.begin(), b.end()); }

// Runs pck with the arguments through the shell, capturing both output streams.
inline Result RunPck(const codec_test::TempDir& dir, const std::vector<std::string>& args) {
  std::string program = PCK_PROGRAM;
#ifdef _WIN32
  // The build names the program by its host path; under Wine the host's root is drive Z:.
  if (!program.empty() && program[0] == '/') program = std::string("Z:").append(program);
  for (char& c : program)
    if (c == '/') c = '\\';
  auto quote = [](const std::string& s) { return "\"" + s + "\""; };
#else
  auto quote = [](const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
  };
#endif
  // Built with append: GCC 12 warns falsely (-Wrestrict) about "literal" + std::string&&.
  std::string command = quote(program);
  for (const std::string& a : args) command.append(" ").append(quote(a));
  command.append(" >").append(quote(dir.Host("stdout.txt").string()));
  command.append(" 2>").append(quote(dir.Host("stderr.txt").string()));
#ifdef _WIN32
  // cmd /c keeps the inner quotes only inside an outer pair.
  command = std::string("\"").append(command).append("\"");
#endif
  int status = std::system(command.c_str());
#ifndef _WIN32
  status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
  return {status, Text(dir.Read("stdout.txt")), Text(dir.Read("stderr.txt"))};
}

}  // namespace pck_test
