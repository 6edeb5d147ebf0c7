#include "platform/ini_file.h"

namespace platform {
namespace {

IniFileProfile host;
Profile* current = &host;

}  // namespace

Profile& CurrentProfile() { return *current; }
void SetProfile(Profile* profile) { current = profile ? profile : &host; }

}  // namespace platform
