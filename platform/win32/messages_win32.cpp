#include <windows.h>

#include <string>

#include "platform/messages.h"
#include "platform/mo_catalog.h"

namespace platform {
namespace {

// The translations of the user's language in the ANSI code page, by their English original.
std::map<std::string, std::string> g_messages;

// The catalogue is the program's resource DOMAIN_LANGUAGE of type RCDATA ("PCK_PT"): a .mo
// file, UTF-8 inside.
bool LoadCatalogue(const std::string& name, MoCatalog& catalogue) {
  HRSRC found = FindResourceA(nullptr, name.c_str(), MAKEINTRESOURCEA(10));  // RT_RCDATA
  HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  return bytes && catalogue.Load(static_cast<const std::uint8_t*>(bytes),
                                 SizeofResource(nullptr, found));
}

// UTF-8 text in the ANSI code page, every character kept; false when one has no place in it.
bool AnsiOf(const std::string& utf8, std::string& ansi) {
  const int size = static_cast<int>(utf8.size());
  std::wstring wide(utf8.size(), L'\0');
  const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size,
                                    wide.data(), size);
  if (n <= 0) return false;
  BOOL lossy = FALSE;
  ansi.resize(static_cast<std::size_t>(n) * 2);
  const int m = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), n, ansi.data(),
                                    static_cast<int>(ansi.size()), nullptr, &lossy);
  if (m <= 0 || lossy) return false;
  ansi.resize(static_cast<std::size_t>(m));
  return true;
}

}  // namespace

void OpenMessages(const char* domain) {
  char language[9] = "";
  const LCID locale = MAKELCID(GetUserDefaultUILanguage(), SORT_DEFAULT);
  if (!GetLocaleInfoA(locale, LOCALE_SISO639LANGNAME, language, sizeof language)) return;
  std::string name = std::string(domain) + "_" + language;
  for (char& c : name) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  MoCatalog catalogue;
  if (!LoadCatalogue(name, catalogue)) return;
  // A translation the code page cannot show stays English rather than showing '?'.
  for (const auto& [english, translated] : catalogue.Entries()) {
    std::string ansi;
    if (AnsiOf(translated, ansi)) g_messages.emplace(english, std::move(ansi));
  }
}

const char* Message(const char* english) {
  const auto it = g_messages.find(english);
  return it == g_messages.end() ? english : it->second.c_str();
}

}  // namespace platform
