#include <libintl.h>
#include <unistd.h>

#include <clocale>
#include <string>

#include "platform/messages.h"

namespace platform {
namespace {

const char* g_domain = nullptr;

// <prefix>/bin/PROGRAM -> <prefix>/share/locale; the build tree has the same layout.
std::string CatalogueFolder() {
  std::string self(4096, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", self.data(), self.size());
  if (n <= 0 || static_cast<std::size_t>(n) >= self.size()) return std::string();
  self.resize(static_cast<std::size_t>(n));
  const std::size_t bin = self.rfind('/');
  return bin == std::string::npos ? std::string() : self.substr(0, bin) + "/../share/locale";
}

}  // namespace

void OpenMessages(const char* domain) {
  std::setlocale(LC_ALL, "");
  // Numbers stay as scripts read them ("1.5", not "1,5"), whatever the language.
  std::setlocale(LC_NUMERIC, "C");
  const std::string folder = CatalogueFolder();
  if (!folder.empty()) bindtextdomain(domain, folder.c_str());
  g_domain = domain;
}

const char* Message(const char* english) {
  return g_domain ? dgettext(g_domain, english) : english;
}

}  // namespace platform
