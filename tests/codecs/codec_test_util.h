// Data and files for the codec tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/file.h"
#include "tests/support/temp_dir.h"

namespace codec_test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes RandomBytes(std::size_t n, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes out(n);
  for (auto& b : out) b = static_cast<std::uint8_t>(rng());
  return out;
}

// Words, spaces and line breaks: compresses the way source text does.
inline Bytes TextBytes(std::size_t n, std::uint32_t seed) {
  static const char* const kWords[] = {"the",    "archive", "volume", "setup",  "install",
                                       "window", "return",  "const",  "static", "int",
                                       "{",      "}",       "();",    "=",      "if"};
  std::mt19937 rng(seed);
  Bytes out;
  out.reserve(n + 16);
  while (out.size() < n) {
    const char* w = kWords[rng() % std::size(kWords)];
    out.insert(out.end(), w, w + std::char_traits<char>::length(w));
    out.push_back(rng() % 9 == 0 ? '\n' : ' ');
  }
  out.resize(n);
  return out;
}

// Text, runs of one byte and noise in turns: every kind of item of both codecs.
inline Bytes MixedBytes(std::size_t n, std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes out;
  out.reserve(n + 5000);
  while (out.size() < n) {
    const std::size_t len = 1 + rng() % 3000;
    switch (rng() % 3) {
      case 0: {
        Bytes t = TextBytes(len, static_cast<std::uint32_t>(rng()));
        out.insert(out.end(), t.begin(), t.end());
        break;
      }
      case 1: out.insert(out.end(), len, static_cast<std::uint8_t>(rng())); break;
      default: {
        Bytes r = RandomBytes(len % 200, static_cast<std::uint32_t>(rng()));
        out.insert(out.end(), r.begin(), r.end());
      }
    }
  }
  out.resize(n);
  return out;
}

// A fresh directory of the test's own, with helpers to write and read whole files in it.
class TempDir : public testsupport::TempDir {
 public:
  TempDir() : testsupport::TempDir("tavo-codecs-") {}

  void Write(const std::string& name, const Bytes& data) const {
    std::ofstream f(Host(name), std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  }
  Bytes Read(const std::string& name) const {
    std::ifstream f(Host(name), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  }
  bool Exists(const std::string& name) const { return std::filesystem::exists(Host(name)); }
};

}  // namespace codec_test
