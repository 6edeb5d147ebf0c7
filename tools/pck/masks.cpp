#include "tools/pck/masks.h"

#include <algorithm>

#include "platform/text.h"
#include "tools/pck/commands.h"

namespace pck {
namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// The names of a path or mask, without empty and "." parts.
std::vector<std::string> Names(std::string_view path) {
  std::vector<std::string> names;
  while (!path.empty()) {
    const std::size_t end = std::min(path.find_first_of("/\\"), path.size());
    const std::string_view name = path.substr(0, end);
    if (!name.empty() && name != ".") names.emplace_back(name);
    path.remove_prefix(std::min(end + 1, path.size()));
  }
  return names;
}

}  // namespace

bool MatchName(std::string_view mask, std::string_view name) {
  // One pass with a return to the last star: the star takes one more character each time what
  // follows it fails, so no mask costs more than |mask| x |name| steps.
  std::size_t m = 0, n = 0;
  std::size_t star = std::string_view::npos, resume = 0;
  while (n < name.size()) {
    if (m < mask.size() && mask[m] == '*') {
      star = m++;
      resume = n;
    } else if (m < mask.size() &&
               (mask[m] == '?' || platform::UpperAscii(mask[m]) == platform::UpperAscii(name[n]))) {
      ++m;
      ++n;
    } else if (star != std::string_view::npos) {
      m = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

Mask::Mask(const std::string& typed)
    : typed_(typed),
      names_(Names(EngineMask(typed))),
      anchored_(std::any_of(typed.begin(), typed.end(), IsSeparator)) {}

bool Mask::Selects(const std::string& path) const {
  const std::vector<std::string> names = Names(path);
  if (anchored_) {
    if (names.size() < names_.size()) return false;
    for (std::size_t i = 0; i < names_.size(); ++i)
      if (!MatchName(names_[i], names[i])) return false;
    return true;
  }
  if (names_.empty()) return true;  // "." and the like: the base itself
  return std::any_of(names.begin(), names.end(),
                     [this](const std::string& name) { return MatchName(names_[0], name); });
}

bool Mask::MayReachBelow(const std::string& folder) const {
  if (!anchored_) return true;
  const std::vector<std::string> names = Names(folder);
  for (std::size_t i = 0; i < std::min(names.size(), names_.size()); ++i)
    if (!MatchName(names_[i], names[i])) return false;
  return true;
}

Selection::Selection(const std::vector<std::string>& masks,
                     const std::vector<std::string>& excludes)
    : masks_(masks.begin(), masks.end()),
      excludes_(excludes.begin(), excludes.end()),
      found_(masks.size(), false) {}

bool Selection::Selects(const std::string& path) {
  bool selected = masks_.empty();
  for (std::size_t i = 0; i < masks_.size(); ++i) {
    if (masks_[i].Selects(path)) found_[i] = selected = true;
  }
  return selected && !Excludes(path);
}

bool Selection::Excludes(const std::string& folder) const {
  return std::any_of(excludes_.begin(), excludes_.end(),
                     [&](const Mask& mask) { return mask.Selects(folder); });
}

bool Selection::MayReachBelow(const std::string& folder) const {
  if (Excludes(folder)) return false;
  return masks_.empty() || std::any_of(masks_.begin(), masks_.end(), [&](const Mask& mask) {
           return mask.MayReachBelow(folder);
         });
}

std::vector<std::string> Selection::NotFound() const {
  std::vector<std::string> missing;
  for (std::size_t i = 0; i < masks_.size(); ++i)
    if (!found_[i]) missing.push_back(masks_[i].Typed());
  return missing;
}

std::string EngineMask(const std::string& typed) {
  std::string mask = typed;
  std::replace(mask.begin(), mask.end(), '\\', '/');
  return EnginePath(mask);
}

}  // namespace pck
