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

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace pck {

// Whether a name (no separators) matches a mask of one name: "*" and "?" as above.
bool MatchName(std::string_view mask, std::string_view name);

// The names of a path or a mask: its parts between separators, without empty and "." ones.
std::vector<std::string> NamesOf(std::string_view path);

class Mask {
 public:
  // Typed: the mask as typed on the command line (EngineMask throws Unusable for one that
  // cannot be used).
  explicit Mask(const std::string& typed);

  const std::string& Typed() const { return typed_; }
  bool Anchored() const { return anchored_; }
  bool HasWildcards() const;
  // Its names, in the engine's Windows-1252 form.
  const std::vector<std::string>& Names() const { return names_; }
  // Whether a path given by its names (relative to the base) is selected: the path itself or
  // a folder it lies in matches.
  bool Selects(const std::vector<std::string>& path) const;
  // Whether anything below a folder given by its names may be selected.
  bool MayReachBelow(const std::vector<std::string>& folder) const;

 private:
  std::string typed_;
  std::vector<std::string> names_;
  bool anchored_ = false;
};

// The masks (as typed) that select and those that leave out, and which of the selecting masks
// found something. No mask to select selects everything. Masks without wildcards are looked up
// rather than tried one by one, so thousands of names from --files-from cost little.
class Selection {
 public:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  Selection(const std::vector<std::string>& masks, const std::vector<std::string>& excludes);

  // The index of the first mask that selects path (relative to the base, Windows-1252; "\" or
  // "/" between names), 0 when there are no masks, kNone when none does or an exclude leaves
  // it out. Notes every mask that matches it.
  std::size_t Select(const std::string& path);
  bool Selects(const std::string& path) { return Select(path) != kNone; }
  // Whether path, a file or a folder, is left out with all it holds.
  bool Excludes(const std::string& path) const;
  // Whether a walk must enter the folder path to find what the masks select.
  bool MayReachBelow(const std::string& folder) const;
  // The masks (as typed) that have matched nothing so far, in the order given.
  std::vector<std::string> NotFound() const;

 private:
  std::vector<Mask> masks_, excludes_;
  std::vector<bool> found_;
  // Masks without wildcards by their names in upper case joined by "\": anchored ones by the
  // whole path, the others by their one name; and every shorter path an anchored one goes
  // through. The rest is tried in turn.
  std::unordered_map<std::string, std::vector<std::size_t>> anchoredLiterals_, anyDepthLiterals_;
  std::unordered_set<std::string> literalFolders_;
  std::vector<std::size_t> wild_;
  bool anyDepthMask_ = false;
};

// A mask typed on the command line in the engine's form: like EnginePath, but a backslash is a
// separator on every system (a path keeps it as a character of a name where the system does).
std::string EngineMask(const std::string& typed);

}  // namespace pck
