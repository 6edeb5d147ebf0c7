// Program Manager groups and items, created through Program Manager's DDE command interface.
#include "install/progman.h"

#include <utility>

#include "install/install_item.h"
#include "platform/dde.h"

std::uint16_t ProgmanExecute(const std::string& command) {
  // Program Manager answers to its service and topic; a shell that emulates it may answer to
  // only one of the two.
  static const std::pair<const char*, const char*> kLinks[] = {
      {"PROGMAN", "PROGMAN"}, {"", "PROGMAN"}, {"PROGMAN", ""}};
  std::unique_ptr<platform::DdeConversation> conversation =
      platform::CurrentDde().NewConversation();
  for (const auto& [service, topic] : kLinks)
    if (conversation->SetLink(service, topic)) return conversation->ExecuteMacro(command) ? 0 : 1;
  return 1;
}

bool TInstallItem::CreateGroup(const std::string& groupName) {
  const std::string command = "[CreateGroup(" + groupName + ")]\r\n";
  return Operation("Criando grupo \"" + groupName + "\"",
                   "Erro na cria\xE7\xE3o do grupo \"" + groupName + "\"",
                   [&] { return ProgmanExecute(command) == 0; });
}

bool TInstallItem::AddGroupItem(const std::string& caption, const std::string& directory,
                                const std::string& programFile, const std::string& iconFile) {
  const std::string programPath = JoinPath(directory, programFile);
  const std::string iconPath = iconFile.empty() ? std::string() : JoinPath(directory, iconFile);
  // Arguments go in verbatim: Program Manager's syntax has no quoting.
  const std::string command =
      "[AddItem(" + programPath + "," + caption + "," + iconPath + ",,)]\r\n";
  return Operation(
      "Criando \xED"
      "cone para \"" +
          programPath + "\"",
      "Erro na cria\xE7\xE3o do \xED"
      "cone para \"" +
          programPath + "\"",
      [&] { return ProgmanExecute(command) == 0; });
}
