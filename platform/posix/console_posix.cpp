#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "platform/console.h"

namespace platform {
namespace {

// The terminal's settings while ReadHiddenLine has its echo off, for RestoreEcho.
termios g_saved;
volatile std::sig_atomic_t g_hidden = 0;

}  // namespace

void WriteText(std::FILE* stream, const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stream);
}

bool ReadHiddenLine(const std::string& prompt, std::string& line) {
  termios quiet;
  if (tcgetattr(STDIN_FILENO, &g_saved) != 0) return false;
  quiet = g_saved;
  quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  quiet.c_lflag |= ECHONL;  // the line end still shows, so what follows starts a line of its own
  g_hidden = 1;
  // The echo goes before the prompt shows: nothing typed after the prompt may be seen.
  if (tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet) != 0) {
    g_hidden = 0;
    return false;
  }
  std::fputs(prompt.c_str(), stderr);
  std::fflush(stderr);
  // Byte by byte from the descriptor: nothing typed after the line is taken from the input.
  line.clear();
  bool ended = false;
  char c;
  for (ssize_t n; (n = ::read(STDIN_FILENO, &c, 1)) != 0;) {
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (c == '\n') {
      ended = true;
      break;
    }
    line += c;
  }
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_saved);
  g_hidden = 0;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return ended || !line.empty();
}

void RestoreEcho() {
  if (g_hidden) tcsetattr(STDIN_FILENO, TCSANOW, &g_saved);
}

}  // namespace platform
