#include "tools/pck/i18n.h"

#include "platform/messages.h"

namespace pck {

const char* Tr(const char* english) { return platform::Message(english); }

void StartLanguage() { platform::OpenMessages("pck"); }

}  // namespace pck
