// IDAPI32.DLL of the demo: the database engine's library as the product ships it. It tells the
// engine's version and where its configuration file is (the DLL's own directory, IDAPI32.CFG), so
// the installed engine directory holds a real, loadable library.
#include <windows.h>

namespace {
HMODULE g_module = nullptr;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = instance;
  return TRUE;
}

// Copies "4.0" into buffer (at most size bytes with the NUL); returns the length of the version.
extern "C" __declspec(dllexport) int WINAPI EngineVersion(char* buffer, int size) {
  lstrcpynA(buffer, "4.0", size);
  return 3;
}

// Copies the full path of IDAPI32.CFG beside the DLL into buffer; returns its length, or 0 when
// the buffer is too small.
extern "C" __declspec(dllexport) int WINAPI EngineConfigFile(char* buffer, int size) {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(g_module, path, MAX_PATH);
  while (n > 0 && path[n - 1] != '\\') --n;
  if (n + 12 >= static_cast<DWORD>(size) || n + 12 >= MAX_PATH) return 0;
  lstrcpyA(path + n, "IDAPI32.CFG");
  lstrcpynA(buffer, path, size);
  return lstrlenA(buffer);
}
