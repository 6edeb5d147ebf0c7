#include "platform/ini_file.h"

namespace platform {
namespace {

IniFileProfile host;
ServiceSlot<Profile> slot(host);

}  // namespace

Profile& CurrentProfile() { return slot.Current(); }
ServiceGuard<Profile*> SetProfile(Profile* profile) { return slot.Set(profile); }

}  // namespace platform
