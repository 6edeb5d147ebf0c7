// The install operations that write configuration: registry values, INI values, and the database
// engine's settings.
#include <cstring>

#include "install/install_item.h"
#include "platform/profile.h"

namespace {

using platform::RootKey;

const char* const kParadoxInit =
    "SOFTWARE\\Borland\\Database Engine\\Settings\\DRIVERS\\PARADOX\\INIT";
const char* const kParadoxTable =
    "SOFTWARE\\Borland\\Database Engine\\Settings\\DRIVERS\\PARADOX\\TABLE CREATE";
const char* const kSystemInit = "SOFTWARE\\Borland\\Database Engine\\Settings\\SYSTEM\\INIT";
const char* const kEngine = "SOFTWARE\\Borland\\Database Engine";
const char* const kBlw32 = "SOFTWARE\\Borland\\BLW32";

// Stores a tagged value by its kind; the kinds without a registry form store nothing.
struct ValueWriter {
  platform::RegistryKey& key;
  const std::string& name;

  void operator()(std::int32_t value) const { key.WriteInteger(name, value); }
  void operator()(double value) const {
    unsigned char bytes[sizeof value];
    std::memcpy(bytes, &value, sizeof value);
    key.WriteBinary(name, bytes, sizeof bytes);
  }
  void operator()(bool value) const { key.WriteInteger(name, value ? 1 : 0); }
  void operator()(const std::string& value) const { key.WriteString(name, value); }
  template <class Other>
  void operator()(const Other&) const {}
};

}  // namespace

bool TInstallItem::WriteRegistry(RootKey rootKey, const std::string& keyPath,
                                 const std::string& valueName, const TRegistryValue& value) {
  return Operation("Atualizando o Registry", "Erro na atualiza\xE7\xE3o do Registry", [&] {
    auto key = platform::CurrentRegistry().OpenKey(rootKey, keyPath, true);
    if (!key) throw platform::ERegistryException("Failed to create key '" + keyPath + "'");
    std::visit(ValueWriter{*key, valueName}, value);
    return true;
  });
}

bool TInstallItem::WriteRegistryString(RootKey rootKey, const std::string& keyPath,
                                       const std::string& valueName, const std::string& value) {
  return WriteRegistry(rootKey, keyPath, valueName, TRegistryValue(value));
}

bool TInstallItem::WriteIniString(const std::string& directory, const std::string& fileName,
                                  const std::string& section, const std::string& key,
                                  const std::string& value) {
  const std::string path = JoinPath(directory, fileName);
  auto write = [&] { return platform::CurrentProfile().WriteString(path, section, key, value); };
  return Operation("Atualizando arquivo " + path, "Erro na atualiza\xE7\xE3o do arquivo " + path,
                   write);
}

bool TInstallItem::SetParadoxDriver(bool localShare, const std::string& langDriver) {
  const RootKey machine = RootKey::LocalMachine;
  return WriteRegistryString(machine, kParadoxInit, "VERSION", "4.0") &&
         WriteRegistryString(machine, kParadoxInit, "TYPE", "FILE") &&
         WriteRegistryString(machine, kParadoxInit, "LANGDRIVER", langDriver) &&
         WriteRegistryString(machine, kParadoxTable, "LEVEL", "7") &&
         WriteRegistryString(machine, kParadoxTable, "BLOCK SIZE", "2048") &&
         WriteRegistryString(machine, kParadoxTable, "FILL FACTOR", "95") &&
         WriteRegistryString(machine, kParadoxTable, "STRICTINTEGRTY", "TRUE") &&
         WriteRegistryString(machine, kSystemInit, "LOCAL SHARE", LocalShareValues[localShare]);
}

bool TInstallItem::SetEnginePaths(const std::string& dllPath, const std::string& blapiPath) {
  const RootKey machine = RootKey::LocalMachine;
  return WriteRegistryString(machine, kEngine, "DLLPATH", dllPath) &&
         WriteRegistryString(machine, kEngine, "RESOURCE", "0009") &&
         WriteRegistryString(machine, kBlw32, "BLAPIPATH", blapiPath);
}
