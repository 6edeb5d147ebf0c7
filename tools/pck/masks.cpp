#include "tools/pck/masks.h"

#include <algorithm>

#include "platform/text.h"
#include "tools/pck/commands.h"

namespace pck {
namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// The key of a literal mask or of a path: its names in upper case, joined by backslashes.
void Extend(std::string& key, const std::string& name) {
  if (!key.empty()) key += '\\';
  key += platform::UpperAscii(name);
}

}  // namespace

std::vector<std::string> NamesOf(std::string_view path) {
  std::vector<std::string> names;
  while (!path.empty()) {
    const std::size_t end = std::min(path.find_first_of("/\\"), path.size());
    const std::string_view name = path.substr(0, end);
    if (!name.empty() && name != ".") names.emplace_back(name);
    path.remove_prefix(std::min(end + 1, path.size()));
  }
  return names;
}

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
      names_(NamesOf(EngineMask(typed))),
      anchored_(std::any_of(typed.begin(), typed.end(), IsSeparator)) {}

bool Mask::HasWildcards() const {
  return std::any_of(names_.begin(), names_.end(), [](const std::string& name) {
    return name.find_first_of("*?") != std::string::npos;
  });
}

bool Mask::Selects(const std::vector<std::string>& path) const {
  if (anchored_) {
    if (path.size() < names_.size()) return false;
    for (std::size_t i = 0; i < names_.size(); ++i)
      if (!MatchName(names_[i], path[i])) return false;
    return true;
  }
  if (names_.empty()) return true;  // "." and the like: the base itself
  return std::any_of(path.begin(), path.end(),
                     [this](const std::string& name) { return MatchName(names_[0], name); });
}

bool Mask::MayReachBelow(const std::vector<std::string>& folder) const {
  if (!anchored_) return true;
  for (std::size_t i = 0; i < std::min(folder.size(), names_.size()); ++i)
    if (!MatchName(names_[i], folder[i])) return false;
  return true;
}

Selection::Selection(const std::vector<std::string>& masks,
                     const std::vector<std::string>& excludes)
    : masks_(masks.begin(), masks.end()),
      excludes_(excludes.begin(), excludes.end()),
      found_(masks.size(), false) {
  for (std::size_t i = 0; i < masks_.size(); ++i) {
    const Mask& mask = masks_[i];
    if (mask.HasWildcards() || mask.Names().empty()) {
      wild_.push_back(i);
      anyDepthMask_ = anyDepthMask_ || !mask.Anchored();
      continue;
    }
    std::string key;
    if (!mask.Anchored()) {
      Extend(key, mask.Names()[0]);
      anyDepthLiterals_[key].push_back(i);
      anyDepthMask_ = true;
      continue;
    }
    for (const std::string& name : mask.Names()) {
      if (!key.empty()) literalFolders_.insert(key);
      Extend(key, name);
    }
    anchoredLiterals_[key].push_back(i);
  }
}

std::size_t Selection::Select(const std::string& path) {
  if (masks_.empty()) return Excludes(path) ? kNone : 0;
  const std::vector<std::string> names = NamesOf(path);
  std::size_t first = kNone;
  auto note = [&](std::size_t i) {
    found_[i] = true;
    first = std::min(first, i);
  };
  std::string key;
  for (const std::string& name : names) {
    Extend(key, name);
    if (auto it = anchoredLiterals_.find(key); it != anchoredLiterals_.end())
      for (std::size_t i : it->second) note(i);
    if (auto it = anyDepthLiterals_.find(platform::UpperAscii(name)); it != anyDepthLiterals_.end())
      for (std::size_t i : it->second) note(i);
  }
  for (std::size_t i : wild_)
    if (masks_[i].Selects(names)) note(i);
  return first != kNone && !Excludes(path) ? first : kNone;
}

bool Selection::Excludes(const std::string& path) const {
  const std::vector<std::string> names = NamesOf(path);
  return std::any_of(excludes_.begin(), excludes_.end(),
                     [&](const Mask& mask) { return mask.Selects(names); });
}

bool Selection::MayReachBelow(const std::string& folder) const {
  if (Excludes(folder)) return false;
  if (masks_.empty() || anyDepthMask_) return true;
  const std::vector<std::string> names = NamesOf(folder);
  std::string key;
  for (const std::string& name : names) {
    Extend(key, name);
    if (anchoredLiterals_.count(key)) return true;  // inside a folder a mask names
  }
  if (literalFolders_.count(key)) return true;  // on the way to what a mask names
  return std::any_of(wild_.begin(), wild_.end(),
                     [&](std::size_t i) { return masks_[i].MayReachBelow(names); });
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
