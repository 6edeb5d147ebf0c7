#include "platform/ini_file.h"

#include <cstdio>
#include <optional>
#include <vector>

#include "platform/file.h"
#include "platform/shell.h"

namespace platform {
namespace {

std::string Trim(const std::string& text) {
  std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  auto fold = [](unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7) ? c - 0x20 : c;
  };
  for (std::size_t i = 0; i < a.size(); ++i)
    if (fold(static_cast<unsigned char>(a[i])) != fold(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// The file's lines without their line ends; nothing when it cannot be read.
std::optional<std::vector<std::string>> LoadLines(const std::string& path) {
  File file;
  if (!file.Open(path, OpenMode::Read)) return std::nullopt;
  std::int64_t size = file.Size();
  if (size < 0) return std::nullopt;
  std::string text(static_cast<std::size_t>(size), '\0');
  if (file.Read(text.data(), text.size()) != size) return std::nullopt;
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

// The section named by a "[name]" line, or nothing for any other line.
std::optional<std::string> SectionOf(const std::string& line) {
  std::string text = Trim(line);
  if (text.empty() || text.front() != '[') return std::nullopt;
  std::size_t close = text.find(']');
  return Trim(text.substr(1, close == std::string::npos ? std::string::npos : close - 1));
}

// The key of a "key=value" line, or nothing for a line without '='.
std::optional<std::string> KeyOf(const std::string& line) {
  std::size_t eq = line.find('=');
  if (eq == std::string::npos) return std::nullopt;
  return Trim(line.substr(0, eq));
}

}  // namespace

std::string IniFileProfile::Resolve(const std::string& file) {
  if (file.find_first_of("\\/") != std::string::npos) return file;
  std::string dir = CurrentShell().WindowsDirectory();
  if (!dir.empty() && dir.back() != '\\') dir += '\\';
  return dir + file;
}

std::string IniFileProfile::ReadString(const std::string& file, const std::string& section,
                                       const std::string& key, const std::string& def) {
  auto lines = LoadLines(Resolve(file));
  if (!lines) return def;
  bool inSection = false;
  for (const std::string& line : *lines) {
    if (auto name = SectionOf(line)) {
      inSection = SameName(*name, section);
      continue;
    }
    auto name = KeyOf(line);
    if (!inSection || !name || !SameName(*name, key)) continue;
    std::string value = Trim(line.substr(line.find('=') + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    return value;
  }
  return def;
}

bool IniFileProfile::WriteString(const std::string& file, const std::string& section,
                                 const std::string& key, const std::string& value) {
  const std::string path = Resolve(file);
  std::vector<std::string> lines = LoadLines(path).value_or(std::vector<std::string>{});

  // Find the section, the key in it, and the last non-blank line of the section.
  std::optional<std::size_t> sectionLine, keyLine, lastLine;
  bool inSection = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (auto name = SectionOf(lines[i])) {
      if (inSection) break;
      inSection = !sectionLine && SameName(*name, section);
      if (inSection) sectionLine = lastLine = i;
      continue;
    }
    if (!inSection) continue;
    if (!Trim(lines[i]).empty()) lastLine = i;
    auto name = KeyOf(lines[i]);
    if (name && SameName(*name, key)) {
      keyLine = i;
      break;
    }
  }
  if (keyLine) {
    lines[*keyLine] = *KeyOf(lines[*keyLine]) + "=" + value;
  } else if (sectionLine) {
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*lastLine + 1), key + "=" + value);
  } else {
    if (!lines.empty() && !Trim(lines.back()).empty()) lines.emplace_back();
    lines.push_back("[" + section + "]");
    lines.push_back(key + "=" + value);
  }

  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  const std::string temporary = path + ".new";
  {
    File out;
    if (!out.Open(temporary, OpenMode::Create)) return false;
    bool written = out.Write(text.data(), text.size()) == static_cast<std::int64_t>(text.size());
    if (!out.Close() || !written) {
      RemoveFile(temporary);
      return false;
    }
  }
  if (std::rename(NativePath(temporary).c_str(), NativePath(path).c_str()) != 0) {
    RemoveFile(temporary);
    return false;
  }
  return true;
}

}  // namespace platform
