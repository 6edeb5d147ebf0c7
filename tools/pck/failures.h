// What a failure of the archive engine, the compressor or the file layer means to the user, worded
// in the user's language from what kind of failure it is (its type and Kind), never from its
// text: the texts are the setup program's, in its language.
#pragma once

#include <exception>
#include <string>

namespace pck {

struct Problem {
  std::string file;  // the file it concerns, a Windows path; empty when it names none
  std::string text;  // what happened, translated, without the file
  // Whether it concerns a file, so that one the failure does not name (the archive of the run)
  // goes before it; pck's own failures say what they concern themselves.
  bool aboutAFile = true;
};

Problem Describe(const std::exception& failure);

// Whether a volume lies in a DISKn folder, as the disks of a set copied to one place do.
bool InDiskFolder(const std::string& volume);
// The wording for a file that may not grow so large: a limit, not a full disk.
std::string SizeLimitText();

}  // namespace pck
