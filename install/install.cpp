#include "install/install.h"

#include <cmath>
#include <cstdio>

#include "install/install_item.h"
#include "platform/file.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/text.h"
#include "platform/ui.h"

using platform::ShortString;
using platform::UpperAscii;

namespace {

std::string DiskTag(std::int32_t disk) {
  char tag[32];
  std::snprintf(tag, sizeof tag, "\\DISK%d\\", static_cast<int>(disk));
  return std::string(tag).substr(0, 10);
}

std::unique_ptr<platform::RegistryKey> OpenMachineKey(const char* path) {
  return platform::CurrentRegistry().OpenKey(platform::RootKey::LocalMachine, path, false);
}

// An absent value empties the field; a value that is not a string leaves it as it was, so a
// damaged or foreign setting cannot stop the program before it has started.
void ReadInto(platform::RegistryKey& key, const char* name, std::string& field) {
  if (std::optional<std::string> value = key.ReadString(name)) field = ShortString(*value);
}

}  // namespace

std::string JoinPath(const std::string& directory, const std::string& name) {
  if (directory.empty()) return name;
  if (directory.back() == '\\') return directory + name;
  return directory + '\\' + name;
}

TInstall::TInstall(TComponent* owner) : TComponent(owner) {
  platform::Shell& shell = platform::CurrentShell();
  const std::string program = shell.ProgramPath();
  const std::size_t slash = program.find_last_of('\\');
  SourceDir =
      ShortString(slash == std::string::npos ? std::string() : program.substr(0, slash + 1));
  WindowsDir = ShortString(shell.WindowsDirectory());
  SystemDir = ShortString(shell.SystemDirectory());
  CommonFilesDir = ShortString(JoinPath(WindowsDir, "Common Files"));

  if (auto key = OpenMachineKey("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion"))
    ReadInto(*key, "CommonFilesDir", CommonFilesDir);

  EngineDir = ShortString(JoinPath(CommonFilesDir, "Borland Shared\\BDE"));
  EngineConfigFile = ShortString(JoinPath(EngineDir, "IDAPI32.CFG"));
  BlapiDir = EngineDir;
  if (auto key = OpenMachineKey("\\SOFTWARE\\Borland\\Database Engine")) {
    ReadInto(*key, "DLLPath", EngineDir);
    ReadInto(*key, "CONFIGFILE01", EngineConfigFile);
  }
  if (auto key = OpenMachineKey("\\SOFTWARE\\Borland\\BLW32"))
    ReadInto(*key, "BLAPIPATH", BlapiDir);
  if (auto key = OpenMachineKey("\\SOFTWARE\\Microsoft\\Shared Tools"))
    ReadInto(*key, "SharedFilesDir", SharedToolsDir);
  if (SharedToolsDir.empty())
    SharedToolsDir = ShortString(JoinPath(CommonFilesDir, "Microsoft Shared"));
}

TInstall::~TInstall() { ShowProgramManager(platform::ShowRestore); }

void TInstall::AddTask(TInstallItem* item) {
  if (!item) return;
  Counted = false;
  Tasks.emplace_back(item->Title, item);
  item->TaskList = this;
}

std::int32_t TInstall::CountTasks() {
  if (Counted) return OperationCount;
  OperationCount = 0;
  for (std::size_t i = 0; i < Tasks.size(); ++i) Tasks[i].second->Execute(true);
  Counted = true;
  return OperationCount;
}

bool TInstall::Execute() {
  CurrentDisk = 1;
  if (BeforeExecute) BeforeExecute(this, CountTasks());
  bool result = true;
  for (std::size_t i = 0; i < Tasks.size() && result; ++i) result = Tasks[i].second->Execute(false);
  if (AfterExecute)
    AfterExecute(this, result);
  else if (result)
    platform::ShowMessage(CompletionMessages[1], platform::MsgType::Information, platform::mbOK);
  else
    platform::ShowMessage(CompletionMessages[0], platform::MsgType::Error, platform::mbOK);
  return result;
}

bool TInstall::ChangeDisk(std::int32_t disk, const std::string& keyFile) {
  const std::string oldTag = DiskTag(CurrentDisk);
  const std::string newTag = DiskTag(disk);
  if (SourceDir.size() >= oldTag.size() &&
      UpperAscii(SourceDir.substr(SourceDir.size() - oldTag.size())) == oldTag)
    SourceDir = ShortString(SourceDir.substr(0, SourceDir.size() - oldTag.size()) + newTag);

  const std::string prompt = "Por favor, insira o Disco " + std::to_string(disk);
  bool result = true;
  while (result && !platform::FileExists(JoinPath(SourceDir, keyFile))) {
    int answer = platform::ShowMessage(prompt, platform::MsgType::Warning,
                                       platform::mbOK | platform::mbCancel);
    if (answer == platform::mrCancel)
      answer =
          platform::ShowMessage("Voc\xEA tem certeza que deseja sair da instala\xE7\xE3o ?",
                                platform::MsgType::Confirmation, platform::mbYes | platform::mbNo);
    // No answer at all means no box could be shown, and an interface nobody answers gives the
    // same answers again: either way nobody is there to insert the disk, and asking again would
    // only spin.
    if (answer == platform::mrYes || answer == platform::mrNone || !platform::Ui().Interactive())
      result = false;
  }
  CurrentDisk = disk;
  return result;
}

void TInstall::PaintGradient(platform::Canvas& form, TColor topColour, TColor bottomColour) {
  const int width = form.Width();
  const int height = form.Height();
  const int n = form.ClientHeight() / BandHeight;
  if (n <= 0) {
    // Too low for two bands: there is nothing to blend, the top colour is the whole gradient.
    form.FillRect({0, 0, width, height}, topColour);
    return;
  }
  auto channel = [](TColor colour, int shift) {
    return static_cast<int>((colour >> shift) & 0xFF);
  };
  for (int i = 0; i <= n; ++i) {
    const double f = static_cast<double>(i) / n;
    // std::nearbyint rounds halves to even in the default rounding mode.
    auto blend = [&](int shift) {
      const int top = channel(topColour, shift), bottom = channel(bottomColour, shift);
      return static_cast<TColor>(std::nearbyint(f * (bottom - top) + top));
    };
    const TColor colour = blend(0) | (blend(8) << 8) | (blend(16) << 16);
    const int y = static_cast<int>(std::nearbyint(f * height));
    form.FillRect({0, y - 1, width, y + BandHeight + 1}, colour);
  }
}

void TInstall::ShowProgramManager(std::int32_t showCommand) {
  platform::CurrentShell().ShowWindowOfClass("PROGMAN", showCommand);
}
