#include <windows.h>

#include <io.h>

#include <csignal>

#include "platform/console.h"

namespace platform {
namespace {

// The console's input mode while ReadHiddenLine has its echo off, for RestoreEcho.
DWORD g_savedMode = 0;
volatile std::sig_atomic_t g_hidden = 0;

std::wstring Wide(const std::string& text, UINT codePage) {
  std::wstring wide(text.size(), L'\0');
  const int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()),
                                    wide.data(), static_cast<int>(wide.size()));
  wide.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return wide;
}

}  // namespace

void WriteText(std::FILE* stream, const std::string& text) {
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode;
  if (handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) {
    std::fwrite(text.data(), 1, text.size(), stream);
    return;
  }
  // The console shows bytes in its own code page (an OEM one), not the ANSI one the text is in.
  std::fflush(stream);
  const std::wstring wide = Wide(text, CP_ACP);
  DWORD written;
  WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
}

bool ReadHiddenLine(const std::string& prompt, std::string& line) {
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  if (!GetConsoleMode(input, &g_savedMode)) return false;
  WriteText(stderr, prompt);
  g_hidden = 1;
  SetConsoleMode(input, (g_savedMode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) | ENABLE_LINE_INPUT |
                            ENABLE_PROCESSED_INPUT);
  std::wstring typed;
  bool ended = false;
  wchar_t buffer[256];
  DWORD got = 0;
  while (!ended && ReadConsoleW(input, buffer, 256, &got, nullptr) && got > 0) {
    for (DWORD i = 0; i < got && !ended; ++i) {
      if (buffer[i] == L'\n')
        ended = true;
      else if (buffer[i] != L'\r')
        typed += buffer[i];
    }
  }
  SetConsoleMode(input, g_savedMode);
  g_hidden = 0;
  WriteText(stderr, "\n");
  const int n = WideCharToMultiByte(CP_UTF8, 0, typed.data(), static_cast<int>(typed.size()),
                                    nullptr, 0, nullptr, nullptr);
  line.assign(n > 0 ? static_cast<std::size_t>(n) : 0, '\0');
  if (n > 0)
    WideCharToMultiByte(CP_UTF8, 0, typed.data(), static_cast<int>(typed.size()), line.data(), n,
                        nullptr, nullptr);
  return ended || !line.empty();
}

void RestoreEcho() {
  if (g_hidden) SetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), g_savedMode);
}

}  // namespace platform
