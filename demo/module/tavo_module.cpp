// tavo.dll, the demo product's web module in cgi-bin: a server extension that answers
// /cgi-bin/tavo.dll/html/default?TIPO=<code> with a small page naming the chosen database and
// where the module finds it (TAVO.INI beside the module: section DATABASE, keys Path and Ver).
#include <windows.h>
#include <httpext.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

HMODULE g_module = nullptr;

std::string ModuleIni() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(g_module, path, MAX_PATH);
  std::string dir(path, n);
  return dir.substr(0, dir.find_last_of('\\') + 1) + "TAVO.INI";
}

std::string ReadIni(const char* section, const char* key) {
  char value[256];
  DWORD n = GetPrivateProfileStringA(section, key, "", value, sizeof value, ModuleIni().c_str());
  return std::string(value, n);
}

// The value of TIPO in a query string such as "TIPO=F110", or "C110" when absent.
std::string TypeCode(const char* query) {
  std::string q = query ? query : "";
  std::string::size_type p = q.find("TIPO=");
  if (p == std::string::npos) return "C110";
  std::string code = q.substr(p + 5);
  return code.substr(0, code.find('&'));
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = instance;
  return TRUE;
}

extern "C" __declspec(dllexport) BOOL WINAPI GetExtensionVersion(HSE_VERSION_INFO* info) {
  info->dwExtensionVersion = MAKELONG(HSE_VERSION_MINOR, HSE_VERSION_MAJOR);
  lstrcpynA(info->lpszExtensionDesc, "TAVO - Pesquisa", HSE_MAX_EXT_DLL_NAME_LEN);
  return TRUE;
}

extern "C" __declspec(dllexport) DWORD WINAPI HttpExtensionProc(EXTENSION_CONTROL_BLOCK* ecb) {
  const std::string code = TypeCode(ecb->lpszQueryString);
  const std::string body =
      "<html><head><title>TAVO</title><link rel=\"stylesheet\" href=\"/tavo.css\"></head><body>"
      "<h1>Pesquisa TAVO</h1><p>Banco de dados: " +
      code + ".DB em " + ReadIni("DATABASE", "Path") + " (vers\xE3o " + ReadIni("DATABASE", "Ver") +
      ")</p></body></html>";
  char header[128];
  std::snprintf(header, sizeof header,
                "Content-Type: text/html; charset=windows-1252\r\nContent-Length: %u\r\n\r\n",
                static_cast<unsigned>(body.size()));
  HSE_SEND_HEADER_EX_INFO info{};
  info.pszStatus = "200 OK";
  info.cchStatus = 6;
  info.pszHeader = header;
  info.cchHeader = static_cast<DWORD>(std::strlen(header));
  ecb->ServerSupportFunction(ecb->ConnID, HSE_REQ_SEND_RESPONSE_HEADER_EX, &info, nullptr, nullptr);
  DWORD size = static_cast<DWORD>(body.size());
  ecb->WriteClient(ecb->ConnID, const_cast<char*>(body.data()), &size, HSE_IO_SYNC);
  return HSE_STATUS_SUCCESS;
}

extern "C" __declspec(dllexport) BOOL WINAPI TerminateExtension(DWORD) { return TRUE; }
