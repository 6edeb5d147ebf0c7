// The one rule by which every mask typed on pck's command line selects files and entries: the
// MASKs of create, extract, test and list, --exclude and the lines of --files-from. The engine
// keeps its own rule for the setup program (pack/paths.h); pck applies this one instead.
//
//   "*" any run of characters within one name, "?" one character; a dot is a character like
//   any other, so "*" is every name and "*.*" every name with a dot in it. "/" and "\" both
//   separate names; ASCII letters match either case, every other byte only itself.
//   A mask with a separator is anchored at the base folder (DIR, or the archive's root):
//   "usb/*.txt" is the .txt files of usb, "/README" the README at the top only. A mask
//   without one matches a name at any depth: "*.txt" selects sub/a.txt as well.
//   Whatever a mask matches, a file or a folder, is selected with everything below it: "usb"
//   and "usb/*" both select the whole of usb. "." parts are dropped ("./usb" is "usb").
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pck {

// Whether a name (no separators) matches a mask of one name: "*" and "?" as above.
bool MatchName(std::string_view mask, std::string_view name);

class Mask {
 public:
  // Typed: the mask as typed on the command line (EngineMask throws Unusable for one that
  // cannot be used).
  explicit Mask(const std::string& typed);

  const std::string& Typed() const { return typed_; }
  // Whether path (relative to the base, Windows-1252; "\" or "/" between names) is selected:
  // the path itself or a folder it lies in matches.
  bool Selects(const std::string& path) const;
  // Whether anything below the folder path may be selected: a walk need not enter it if not.
  bool MayReachBelow(const std::string& folder) const;

 private:
  std::string typed_;
  std::vector<std::string> names_;
  bool anchored_ = false;
};

// The masks (as typed) that select and those that leave out, and which of the selecting masks found
// something. No mask to select selects everything.
class Selection {
 public:
  Selection(const std::vector<std::string>& masks, const std::vector<std::string>& excludes);

  // Whether path is selected and not left out; notes the masks that match it.
  bool Selects(const std::string& path);
  // Whether path, a folder, is left out with all it holds.
  bool Excludes(const std::string& folder) const;
  // Whether a walk must enter the folder path to find what the masks select.
  bool MayReachBelow(const std::string& folder) const;
  // The masks (as typed) that have matched nothing so far, in the order given.
  std::vector<std::string> NotFound() const;
  bool Empty() const { return masks_.empty(); }

 private:
  std::vector<Mask> masks_, excludes_;
  std::vector<bool> found_;
};

// A mask typed on the command line in the engine's form: like EnginePath, but a backslash is a
// separator on every system (a path keeps it as a character of a name where the system does).
std::string EngineMask(const std::string& typed);

}  // namespace pck
