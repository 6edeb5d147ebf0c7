// ctrl_c.exe TEMPDIR WATCH BYTES PROGRAM [ARGS...]: runs PROGRAM on a console with TMP and TEMP
// set to TEMPDIR, presses Ctrl+C on that console once a file matching the mask WATCH holds at
// least BYTES bytes (the program is midway through its work), and prints how the program ended:
// "exit code 0x........".
//
// The keystroke goes the way Windows delivers it: GenerateConsoleCtrlEvent on the console the
// program shares with this one, so the program's console control handler runs on a thread of its
// own while the main thread is busy writing. A Wine prefix resets TMP and TEMP from its registry
// for a program started from Linux, so they are set here, where a Windows parent hands them on.
//
// Exit status: 0 when Ctrl+C was pressed and the program ended; 3 when the program ended before
// WATCH appeared or it did not appear in two minutes; 4 when it did not end after Ctrl+C; 2 wrong
// command line or a failed start.
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// The program gets the event; this one only delivers it.
BOOL WINAPI StayAlive(DWORD) { return TRUE; }

// One argument quoted for CommandLineToArgvW's rules, as the C runtime of the child reads them.
std::string Quoted(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string out = "\"";
  std::size_t slashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++slashes;
      continue;
    }
    out.append(c == '"' ? slashes * 2 + 1 : slashes, '\\');
    slashes = 0;
    out += c;
  }
  out.append(slashes * 2, '\\');
  return out + "\"";
}

bool Reached(const char* mask, unsigned long long bytes) {
  WIN32_FIND_DATAA found;
  HANDLE h = FindFirstFileA(mask, &found);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool reached = false;
  do {
    const unsigned long long size =
        (static_cast<unsigned long long>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    reached = size >= bytes;
  } while (!reached && FindNextFileA(h, &found));
  FindClose(h);
  return reached;
}

HANDLE Inheritable(DWORD which) {
  HANDLE h = GetStdHandle(which);
  if (h && h != INVALID_HANDLE_VALUE)
    SetHandleInformation(h, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
  return h;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: ctrl_c TEMPDIR WATCH BYTES PROGRAM [ARGS...]\n");
    return 2;
  }
  const unsigned long long bytes = std::strtoull(argv[3], nullptr, 10);
  // The program writes where this one was told to, not onto the console made below.
  HANDLE in = Inheritable(STD_INPUT_HANDLE), out = Inheritable(STD_OUTPUT_HANDLE),
         err = Inheritable(STD_ERROR_HANDLE);
  std::FILE* report = _fdopen(_dup(_fileno(stdout)), "w");
  // Started from Linux with its output in a file, this program has no console to share, yet Wine
  // refuses AllocConsole until FreeConsole has let go of the placeholder it keeps; and now and
  // then the new console's host fails to start, so it is tried again.
  if (!GetConsoleCP()) {
    bool made = false;
    for (int attempt = 0; attempt < 10 && !made; ++attempt) {
      if (attempt) Sleep(500);
      FreeConsole();
      made = AllocConsole();
      if (!made) std::fprintf(stderr, "ctrl_c: AllocConsole: error %lu\n", GetLastError());
    }
    if (!made) return 2;
  }
  SetConsoleCtrlHandler(StayAlive, TRUE);
  SetEnvironmentVariableA("TMP", argv[1]);
  SetEnvironmentVariableA("TEMP", argv[1]);

  std::string line;
  for (int i = 4; i < argc; ++i) {
    if (i > 4) line += ' ';
    line += Quoted(argv[i]);
  }
  STARTUPINFOA start{};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdInput = in;
  start.hStdOutput = out;
  start.hStdError = err;
  PROCESS_INFORMATION child{};
  if (!CreateProcessA(argv[4], line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start,
                      &child)) {
    std::fprintf(stderr, "ctrl_c: cannot start %s: error %lu\n", argv[4], GetLastError());
    return 2;
  }
  CloseHandle(child.hThread);

  int status = 3;
  for (DWORD waited = 0; waited < 120000; waited += 5) {
    if (Reached(argv[2], bytes)) {
      status = 0;
      break;
    }
    if (WaitForSingleObject(child.hProcess, 5) == WAIT_OBJECT_0) break;
  }
  if (status == 3 && WaitForSingleObject(child.hProcess, 0) != WAIT_OBJECT_0) {
    TerminateProcess(child.hProcess, 1);
    WaitForSingleObject(child.hProcess, INFINITE);
  }
  if (status == 0) {
    if (!GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) {
      std::fprintf(stderr, "ctrl_c: GenerateConsoleCtrlEvent: error %lu\n", GetLastError());
      TerminateProcess(child.hProcess, 1);
      return 2;
    }
    if (WaitForSingleObject(child.hProcess, 60000) != WAIT_OBJECT_0) {
      TerminateProcess(child.hProcess, 1);
      WaitForSingleObject(child.hProcess, INFINITE);
      status = 4;
    }
  }
  DWORD code = 0;
  GetExitCodeProcess(child.hProcess, &code);
  std::fprintf(report, "exit code 0x%08lx\n", code);
  std::fclose(report);
  return status;
}
