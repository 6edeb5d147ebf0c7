#include "platform/profile.h"

#include <charconv>

namespace platform {

std::int32_t Profile::ReadInteger(const std::string& file, const std::string& section,
                                  const std::string& key, std::int32_t def) {
  const std::string text = ReadString(file, section, key, "");
  std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return def;
  std::size_t last = text.find_last_not_of(" \t");
  const char* begin = text.data() + first;
  const char* end = text.data() + last + 1;
  if (*begin == '+' && end - begin > 1 && begin[1] != '-') ++begin;
  std::int32_t value = 0;
  auto [ptr, ec] = std::from_chars(begin, end, value);
  if (ec != std::errc() || ptr != end) return def;
  return value;
}

}  // namespace platform
