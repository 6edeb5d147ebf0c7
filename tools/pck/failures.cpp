#include "tools/pck/failures.h"

#include <new>

#include "codecs/lzh.h"
#include "codecs/lzrw1.h"
#include "codecs/lzrw1kh.h"
#include "pack/pack.h"
#include "pack/paths.h"
#include "platform/errors.h"
#include "platform/file.h"
#include "platform/text.h"
#include "tools/pck/commands.h"
#include "tools/pck/i18n.h"

namespace pck {
namespace {

// The system's reason for code, with a size limit called one and not a full disk.
std::string Reason(int code) {
  if (platform::IsSizeLimit(code)) return SizeLimitText();
  if (platform::IsDiskFull(code)) return _("the disk is full");
  return platform::SystemMessage(code);
}

// "what: reason", or what alone when the system gave no reason.
std::string With(const char* what, int code) {
  return code ? std::string(what) + ": " + Reason(code) : std::string(what);
}

const char* ActionText(platform::IoAction action) {
  switch (action) {
    case platform::IoAction::Open: return _("cannot open");
    case platform::IoAction::Create: return _("cannot create");
    case platform::IoAction::Read: return _("cannot read");
    case platform::IoAction::Write: return _("cannot write");
    case platform::IoAction::Seek: return _("cannot move to a position in");
    case platform::IoAction::Close: return _("cannot close");
    case platform::IoAction::Rename: return _("cannot move into place");
  }
  return _("cannot use");
}

Problem OfFile(const EInOutError& e) {
  const char* action = ActionText(e.Action);
  switch (e.Fault) {
    case platform::IoFault::EndOfFile:
      return {e.Path, std::string(action) + ": " + _("the file ends too soon (it is cut short)")};
    case platform::IoFault::DiskFull:
      // The write that fell short says why, when it can: a size limit is no full disk.
      return {e.Path,
              std::string(action) + ": " +
                  (platform::IsSizeLimit(e.ErrorCode) ? SizeLimitText() : _("the disk is full"))};
    case platform::IoFault::NoTempName:
      return {e.Path, std::string(action) + ": " + _("no unused temporary name is left")};
    case platform::IoFault::System: break;
  }
  return {e.Path, With(action, e.ErrorCode)};
}

// What to do when an archive goes on past its file and it may be the first disk of a set.
std::string MediaHint() {
  return _(
      "if it is the first disk of a set, give the folder that holds DISK1, DISK2, ... with "
      "--media DIR");
}

// A volume whose entry goes on past its end: a disk of a set read without the others, or an
// archive cut short. In a DISKn folder it is surely the former, and the fix can be spelt out.
std::string VolumeEndsText(const std::string& volume) {
  std::string folder = ExtractFilePath(volume);
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();
  if (!InDiskFolder(volume))
    return std::string(_("an entry goes on past the end of this file")) + ": " + MediaHint() +
           _("; otherwise the archive is cut short");
  std::string media = ExtractFilePath(folder);
  while (media.size() > 1 && media.back() == '\\') media.pop_back();
  return Format(_("this is one disk of a set, and an entry goes on on the next disk: read the "
                  "whole set with --media %s %s"),
                platform::NativePath(media.empty() ? "." : media).c_str(),
                platform::NativePath(ExtractFileName(volume)).c_str());
}

// What failed, in the words of the kind of failure; the file it concerns is the exception's.
std::string ArchiveText(const EPackException& e) {
  using K = EPackException::TKind;
  switch (e.Kind) {
    case K::ReadError: return _("cannot read the archive's data");
    case K::VolumeEnds: return VolumeEndsText(e.FileName);
    case K::Corrupt: return _("damaged: its data or record does not match its checksum");
    case K::Password: return _("wrong password");
    case K::FileName: return _("no archive named");
    case K::EntryName:
      return _("refused: the entry's name would leave the target folder or is no file name");
    case K::NotAnArchive: return _("not a .PCK archive");
    case K::WrongVolume:
      return _("not the volume due: a disk of another archive, or of another set");
    case K::VolumeTooSmall:
      return _("the volume size is too small for what must go on one volume whole");
    case K::TooManyHeaderLines: return _("too many header lines for an archive");
    case K::FileTooLarge: return _("too large to store: an archive holds files under 2 GB");
  }
  return e.Message();
}

std::string CompressorText(const ELzrw1Exception& e) {
  using K = ELzrw1Exception::TKind;
  switch (e.Kind) {
    case K::NoMemory: return _("not enough memory");
    case K::InputNotFound: return With(_("cannot open"), e.ErrorCode);
    case K::OutputNotOpened: return With(_("cannot create"), e.ErrorCode);
    case K::SizeUnknown: return With(_("cannot read its size"), e.ErrorCode);
    case K::ReadError:
      return e.ErrorCode ? With(_("cannot read"), e.ErrorCode)
                         : _("the compressed data ends too soon (it is cut short)");
    case K::WriteError: return With(_("cannot write"), e.ErrorCode);
    case K::TooLarge: return _("too large: a compressed file holds less than 2 GB");
    case K::Changed: return _("changed while it was being compressed; run again");
    case K::NotCompressed: return _("not a compressed file");
    case K::Corrupt: return _("damaged: its data does not expand to the size recorded");
    case K::Other: break;
  }
  return e.Message();
}

Problem OfArchive(const EPackException& e) { return {e.FileName, ArchiveText(e)}; }
Problem OfCompressor(const ELzrw1Exception& e) { return {e.FileName, CompressorText(e)}; }

}  // namespace

bool InDiskFolder(const std::string& volume) {
  std::string folder = ExtractFilePath(volume);
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();
  const std::string disk = platform::UpperAscii(ExtractFileName(folder));
  return disk.size() > 4 && disk.compare(0, 4, "DISK") == 0 &&
         disk.find_first_not_of("0123456789", 4) == std::string::npos;
}

std::string SizeLimitText() {
  return _(
      "the file would grow past the size limit for files (set for this process or by the "
      "file system); the disk is not full");
}

Problem Describe(const std::exception& failure) {
  if (const auto* e = dynamic_cast<const EPackException*>(&failure)) return OfArchive(*e);
  if (const auto* e = dynamic_cast<const ELzrw1Exception*>(&failure)) return OfCompressor(*e);
  if (const auto* e = dynamic_cast<const EInOutError*>(&failure)) return OfFile(*e);
  if (dynamic_cast<const EAbort*>(&failure)) return {std::string(), _("interrupted")};
  if (dynamic_cast<const ElzhException*>(&failure) || dynamic_cast<const std::bad_alloc*>(&failure))
    return {std::string(), _("not enough memory")};
  if (const auto* e = dynamic_cast<const ELzrw1KHCompressor*>(&failure))
    return {std::string(), e->Kind == ELzrw1KHCompressor::TKind::NoMemory
                               ? _("not enough memory")
                               : _("damaged: a block of its data cannot be expanded")};
  // pck's own failures are worded in the user's language where they are raised.
  return {std::string(), failure.what(), false};
}

}  // namespace pck
