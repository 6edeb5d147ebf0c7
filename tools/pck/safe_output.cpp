#include "tools/pck/safe_output.h"

#include <csignal>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "pack/paths.h"
#include "platform/console.h"
#include "platform/file.h"
#include "platform/fileinfo.h"
#include "platform/tempfile.h"
#include "tools/pck/i18n.h"
#include "tools/pck/progress.h"

namespace pck {
namespace {

// A fixed table of C strings: a signal handler may not allocate or take locks, so the handlers
// read only this. A slot is filled before it is marked used and unmarked before it is cleared.
// Enough for every worker's temporary file and output at the most jobs, and the volumes of a
// large disk set.
constexpr int kSlots = 1024;
constexpr std::size_t kPathMax = 4096;
char g_paths[kSlots][kPathMax];
volatile std::sig_atomic_t g_used[kSlots];

#ifdef _WIN32
// The console control handler runs on a thread of its own while the main thread goes on. This
// lock keeps it out while a temporary file is made and listed, moved into place and unlisted, or
// the list changes; once the handler has it, it keeps it, so the main thread stops at its next
// change to the list.
struct Lock {
  CRITICAL_SECTION section;
  Lock() { InitializeCriticalSection(&section); }
} g_lock;

struct Locked {
  Locked() { EnterCriticalSection(&g_lock.section); }
  ~Locked() { LeaveCriticalSection(&g_lock.section); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;
};

// Each listed file is opened to go when its last handle closes, not deleted: until the process
// ends the main thread may still write it, delete it and make it anew, or rename it into place.
// The handle kept here outlives all of that, and as it shares no deletion the main thread cannot
// rename the file away from it (an output it was replacing stays as it was); the file goes with
// the process. While the main thread is midway through renaming or deleting a file it holds it
// for deletion itself and the open fails for sharing; it is tried again until that is done, or
// the file, killed with the process halfway, would stay.
void RemoveTracked() {
  for (int i = 0; i < kSlots; ++i) {
    if (!g_used[i]) continue;
    for (int attempt = 0; attempt < 400; ++attempt) {
      HANDLE h =
          CreateFileA(g_paths[i], DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
      if (h != INVALID_HANDLE_VALUE || GetLastError() != ERROR_SHARING_VIOLATION) break;
      Sleep(5);
    }
  }
}

// Ends the process here rather than leaving it to the default handler: under Wine that one ends
// it with status 0, as if the run had succeeded. Terminating, like the default action of a signal
// elsewhere, flushes nothing: the main thread is stopped wherever it is and may hold the locks of
// the C runtime's streams.
[[noreturn]] void EndRun(UINT status) {
  EnterCriticalSection(&g_lock.section);  // never left
  RemoveTracked();
  platform::RestoreEcho();  // a password may be being typed
  progress::NoteInterrupted();
  TerminateProcess(GetCurrentProcess(), status);
  for (;;) Sleep(INFINITE);  // the process ends with the call above
}

BOOL WINAPI OnConsoleControl(DWORD) { EndRun(STATUS_CONTROL_C_EXIT); }
#else
// A closed pipe on standard output (pck list | head -1) ends pck as an interrupt does: the
// handler cleans up, and the shell still sees SIGPIPE.
constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

void RemoveTracked() {
  for (int i = 0; i < kSlots; ++i)
    if (g_used[i]) ::unlink(g_paths[i]);
}

extern "C" void OnSignal(int sig) {
  RemoveTracked();
  platform::RestoreEcho();  // a password may be being typed
  progress::NoteInterrupted();
  std::signal(sig, SIG_DFL);
  std::raise(sig);
}
#endif

}  // namespace

std::string RefusedArchive(const char* command, const std::string& archive) {
  if (!platform::IsSpecialFile(archive)) return std::string();
  return "pck " + std::string(command) + ": " + platform::NativePath(archive) + ": " +
         _("is a pipe or a device: archives are read from files only, so that every entry can "
           "be checked before anything is written; save it to a file first");
}

void InstallSignalCleanup() {
#ifdef _WIN32
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
#else
  for (int sig : kCleanupSignals) {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int other : kCleanupSignals) sigaddset(&action.sa_mask, other);
    sigaction(sig, &action, nullptr);
  }
#endif
}

void EndIfOutputLost() {
#ifdef _WIN32
  if (std::ferror(stdout)) EndRun(kExitBrokenPipe);
#endif
}

#ifdef _WIN32
SignalsHeld::SignalsHeld() {
  EnterCriticalSection(&g_lock.section);
  held_ = true;
}

void SignalsHeld::Release() {
  if (!held_) return;
  LeaveCriticalSection(&g_lock.section);
  held_ = false;
}
#else
namespace {
sigset_t CleanupSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (int sig : kCleanupSignals) sigaddset(&set, sig);
  return set;
}
}  // namespace

SignalsHeld::SignalsHeld() {
  const sigset_t set = CleanupSignals();
  held_ = sigprocmask(SIG_BLOCK, &set, nullptr) == 0;
}

void SignalsHeld::Release() {
  if (!held_) return;
  const sigset_t set = CleanupSignals();
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
  held_ = false;
}
#endif

void TrackedPath::Set(const std::string& path) {
#ifdef _WIN32
  Locked locked;
#endif
  if (slot_ >= 0) {
    g_used[slot_] = 0;
    slot_ = -1;
  }
  const std::string native = platform::NativePath(path);
  if (native.empty() || native.size() >= kPathMax) return;
  for (int i = 0; i < kSlots; ++i) {
    if (g_used[i]) continue;
    std::memcpy(g_paths[i], native.c_str(), native.size() + 1);
    g_used[i] = 1;
    slot_ = i;
    return;
  }
}

SafeOutput::SafeOutput(const std::string& target) : target_(target), path_(target) {
  special_ = platform::IsSpecialFile(target);
  if (special_) return;
  std::string named = target;
  for (char& c : named)
    if (c == '/') c = '\\';
  SignalsHeld hold;
  const std::string temp = platform::CreateTempFile(ExtractFilePath(named), "~pck");
  if (temp.empty()) return;
  path_ = temp;
  temporary_ = true;
  tracked_.Set(temp);
}

SafeOutput::~SafeOutput() {
  if (temporary_) platform::RemoveFile(path_);
}

// The move and the change to the list go together with the signals held: a handler that ran
// between them would delete the file just put in place.
bool SafeOutput::Commit() {
  if (!temporary_) return true;
  SignalsHeld hold;
  if (!platform::MoveIntoPlace(path_, target_)) return false;
  tracked_.Set(std::string());
  temporary_ = false;
  return true;
}

PlacedOutput::PlacedOutput(std::shared_ptr<const platform::Folder> folder, const std::string& name)
    : folder_(std::move(folder)), name_(name) {
  SignalsHeld hold;
  temp_ = folder_->OpenTemp("~pck", file_);
  if (!temp_.empty()) tracked_.Set(folder_->Path() + temp_);
}

PlacedOutput::~PlacedOutput() {
  file_.Close();
  if (!temp_.empty()) folder_->Remove(temp_);
}

bool PlacedOutput::Commit(std::uint16_t attr, bool replace) {
  SignalsHeld hold;
  if (temp_.empty() || !folder_->MoveIntoPlace(file_, temp_, name_, attr, replace)) return false;
  tracked_.Set(std::string());
  temp_.clear();
  return true;
}

}  // namespace pck
