#include <windows.h>

#include <string>

#include "platform/messages.h"
#include "platform/mo_catalog.h"
#include "platform/win32/code_page_win32.h"

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
  return bytes &&
         catalogue.Load(static_cast<const std::uint8_t*>(bytes), SizeofResource(nullptr, found));
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
    if (AnsiCodePageOf(translated, ansi)) g_messages.emplace(english, std::move(ansi));
  }
}

const char* Message(const char* english) {
  const auto it = g_messages.find(english);
  return it == g_messages.end() ? english : it->second.c_str();
}

}  // namespace platform
