#include "tools/pck/progress.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

#include "platform/file.h"
#include "tools/pck/i18n.h"

namespace pck::progress {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kRedrawEvery = std::chrono::milliseconds(100);
constexpr int kAssumedColumns = 80;  // when the terminal does not say
constexpr int kBarMost = 24;

// Read by the signal handler: the whole line it writes, and how wide the line on screen is
// (0: none is drawn). Both are written by the main thread only.
char g_note[160] = "pck: interrupted\n";
std::size_t g_noteSize = std::strlen(g_note);
volatile std::sig_atomic_t g_drawn = 0;

struct State {
  bool wanted = false;
  Clock::time_point due;
  std::string name;
  int percent = 0;
} g_state;

#ifdef _WIN32
HANDLE ErrorHandle() { return GetStdHandle(STD_ERROR_HANDLE); }

bool IsTerminal() {
  DWORD mode;
  return GetConsoleMode(ErrorHandle(), &mode) != 0;
}

int Columns() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(ErrorHandle(), &info)) return kAssumedColumns;
  return info.srWindow.Right - info.srWindow.Left + 1;
}

// The line is drawn on a console only, which is given the characters themselves: it shows
// bytes in its own code page, not the ANSI one names are in. No allocation: the console's
// control handler writes the interruption's line while the main thread may hold the heap.
void WriteRaw(const char* bytes, std::size_t size) {
  wchar_t wide[256];
  while (size > 0) {
    const int piece = static_cast<int>(std::min<std::size_t>(size, 256));
    const int n = MultiByteToWideChar(CP_ACP, 0, bytes, piece, wide, 256);
    DWORD written;
    if (n <= 0 || !WriteConsoleW(ErrorHandle(), wide, static_cast<DWORD>(n), &written, nullptr))
      return;
    bytes += piece;
    size -= static_cast<std::size_t>(piece);
  }
}

// Names reach the console in the ANSI code page: one byte, one column.
bool StartsCharacter(unsigned char) { return true; }
#else
bool IsTerminal() { return isatty(STDERR_FILENO) != 0; }

int Columns() {
  winsize size{};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return kAssumedColumns;
  return size.ws_col;
}

void WriteRaw(const char* bytes, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(STDERR_FILENO, bytes, size);
    if (n <= 0) return;
    bytes += n;
    size -= static_cast<std::size_t>(n);
  }
}

// Names are UTF-8: a column starts at every byte but a continuation byte.
bool StartsCharacter(unsigned char c) { return (c & 0xC0) != 0x80; }
#endif

// Spaces over the width of the line drawn, between two returns of the carriage.
void Wipe(int columns) {
  static const char kSpaces[] = "                                                                ";
  WriteRaw("\r", 1);
  for (int left = columns; left > 0; left -= static_cast<int>(sizeof kSpaces - 1))
    WriteRaw(kSpaces, std::min<std::size_t>(static_cast<std::size_t>(left), sizeof kSpaces - 1));
  WriteRaw("\r", 1);
}

// The name as columns: one piece of text per column, control characters as "?".
std::vector<std::string> Glyphs(const std::string& name) {
  std::vector<std::string> glyphs;
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F)
      glyphs.emplace_back("?");
    else if (StartsCharacter(c) || glyphs.empty())
      glyphs.emplace_back(1, static_cast<char>(c));
    else
      glyphs.back() += static_cast<char>(c);
  }
  return glyphs;
}

}  // namespace

std::string Line(const std::string& name, int percent, int columns) {
  const int usable = columns - 1;
  char number[8];
  std::snprintf(number, sizeof number, "%3d%%", std::clamp(percent, 0, 100));
  if (usable < 4) return std::string(std::max(usable, 0), ' ');
  std::string line;
  int used = 4;
  if (usable >= 20) {
    const int bar = std::min(kBarMost, (usable - 8) / 3);
    const int filled = std::clamp(percent, 0, 100) * bar / 100;
    line.assign(1, '[').append(filled, '#').append(bar - filled, ' ').append("] ");
    used += bar + 3;
  }
  line += number;
  std::vector<std::string> glyphs = Glyphs(name);
  const int room = usable - used - 1;
  if (room > 0 && !glyphs.empty()) {
    line += ' ';
    ++used;
    std::size_t first = 0;
    if (static_cast<int>(glyphs.size()) > room) {
      const int ellipsis = room > 3 ? 3 : 0;
      first = glyphs.size() - static_cast<std::size_t>(room - ellipsis);
      line.append(ellipsis, '.');
      used += ellipsis;
    }
    for (std::size_t i = first; i < glyphs.size(); ++i) line += glyphs[i];
    used += static_cast<int>(glyphs.size() - first);
  }
  return line.append(static_cast<std::size_t>(std::max(usable - used, 0)), ' ');
}

void Start(const char* command, bool wanted) {
  std::snprintf(g_note, sizeof g_note, "pck %s: %s\n", command, _("interrupted"));
  g_noteSize = std::strlen(g_note);
  g_state.wanted = wanted && IsTerminal();
  // The first line after a tenth of a second: a run that ends sooner draws none.
  g_state.due = Clock::now() + kRedrawEvery;
}

void Show(const std::string& name, int percent) {
  if (!g_state.wanted) return;
  if (!name.empty()) g_state.name = name;
  g_state.percent = percent;
  const Clock::time_point now = Clock::now();
  if (now < g_state.due) return;
  g_state.due = now + kRedrawEvery;
  const int columns = Columns();
  const std::string line = std::string(1, '\r').append(
      Line(platform::NativePath(g_state.name), g_state.percent, columns));
  // Noted before it is written: a signal that comes while it goes out must still wipe it.
  g_drawn = std::max(columns - 1, 1);
  std::fflush(stderr);
  WriteRaw(line.data(), line.size());
}

void Clear() {
  if (!g_drawn) return;
  std::fflush(stderr);
  Wipe(g_drawn);
  g_drawn = 0;
}

void NoteInterrupted() {
  if (g_drawn) Wipe(g_drawn);
  g_drawn = 0;
  WriteRaw(g_note, g_noteSize);
}

}  // namespace pck::progress
