#include "pack/paths.h"

#include <algorithm>
#include <vector>

#include "platform/drive.h"
#include "platform/errors.h"
#include "platform/file.h"
#include "platform/fileinfo.h"
#include "platform/text.h"

std::string ConcatPath(const std::string& Dir, const std::string& Name) {
  std::string result = Dir;
  if (!result.empty() && result.back() != '\\') result += '\\';
  if (!Name.empty() && Name.front() == '\\')
    result.append(Name, 1);
  else
    result += Name;
  return result;
}

std::int32_t ExtPos(const std::string& S) {
  for (std::size_t i = S.size(); i > 0; --i) {
    char c = S[i - 1];
    if (c == '.') return static_cast<std::int32_t>(i);
    if (c == '\\' || c == ':') break;
  }
  return static_cast<std::int32_t>(S.size() + 1);
}

// Whether Pattern from each position matches Text from each position, computed one pattern
// position at a time from the end: the row for position i needs only the row for i + 1, so
// neither the stack nor the time grows with the stars beyond |Pattern| x |Text| steps. A star
// followed by more pattern tries every non-empty remainder of Text; a last star takes any rest.
bool MatchMask(const std::string& Pattern, const std::string& Text) {
  const std::size_t n = Text.size();
  // next[j]: Pattern from i + 1 matches Text from j. Past the end of Pattern only the end of
  // Text matches.
  std::vector<char> next(n + 1, 0), row(n + 1, 0);
  next[n] = 1;
  for (std::size_t i = Pattern.size(); i-- > 0;) {
    const char p = Pattern[i];
    if (p == '*') {
      if (i + 1 == Pattern.size()) {
        std::fill(row.begin(), row.end(), 1);
      } else {
        row[n] = 0;  // no text left for the pattern after the star
        char any = 0;
        for (std::size_t j = n; j-- > 0;) row[j] = any = static_cast<char>(any | next[j]);
      }
    } else {
      row[n] = 0;
      for (std::size_t j = 0; j < n; ++j)
        row[j] =
            (p == '?' || platform::UpperAscii(p) == platform::UpperAscii(Text[j])) && next[j + 1];
    }
    std::swap(row, next);
  }
  return next[0] != 0;
}

bool MatchFileMask(const std::string& Mask, const std::string& Name) {
  std::size_t m = static_cast<std::size_t>(ExtPos(Mask));
  std::size_t n = static_cast<std::size_t>(ExtPos(Name));
  auto after = [](const std::string& s, std::size_t pos) {
    return pos < s.size() ? s.substr(pos) : std::string();
  };
  return MatchMask(Mask.substr(0, m - 1), Name.substr(0, n - 1)) &&
         MatchMask(after(Mask, m), after(Name, n));
}

bool MatchesAnyMask(const std::string& Dir, const std::vector<std::string>& Masks,
                    const std::string& Path) {
  for (const std::string& mask : Masks)
    if (MatchFileMask(ConcatPath(Dir, mask), Path)) return true;
  return false;
}

std::string ExtractFileDrive(const std::string& FileName) {
  if (FileName.size() >= 2 && FileName[1] == ':') return FileName.substr(0, 2);
  if (FileName.size() >= 2 && FileName[0] == '\\' && FileName[1] == '\\') {
    std::size_t server = FileName.find('\\', 2);
    if (server == std::string::npos || server == 2) return std::string();
    std::size_t share = FileName.find('\\', server + 1);
    return FileName.substr(0, share);
  }
  return std::string();
}

std::string ExtractFilePath(const std::string& FileName) {
  std::size_t cut = FileName.find_last_of("\\:");
  return cut == std::string::npos ? std::string() : FileName.substr(0, cut + 1);
}

std::string ExtractFileName(const std::string& FileName) {
  std::size_t cut = FileName.find_last_of("\\:");
  return cut == std::string::npos ? FileName : FileName.substr(cut + 1);
}

bool IsRemovableDrive(const std::string& FileName, bool AllowCdRom) {
  std::string drive = ExtractFileDrive(platform::ExpandFileName(FileName));
  switch (platform::DriveTypeOf(drive.empty() ? drive : drive + '\\')) {
    case platform::DriveType::Removable: return true;
    case platform::DriveType::CdRom: return AllowCdRom;
    default: return false;
  }
}

void SetFileDateAttr(const std::string& FileName, std::int32_t Time, std::uint16_t Attr) {
  platform::File file;
  if (!file.Open(FileName, platform::OpenMode::ReadWrite))
    platform::RaiseLastOSError(platform::IoAction::Open, FileName);
  file.SetDosTime(Time);  // a date the system refuses leaves the file's own
  if (!file.Close()) platform::RaiseLastOSError(platform::IoAction::Close, FileName);
  platform::FileSetAttr(FileName, Attr);
}

bool ClearReadOnly(const std::string& FileName) {
  std::int32_t attr = platform::FileGetAttr(FileName);
  if (attr < 0 || !(attr & platform::faReadOnly) || (attr & platform::faDirectory)) return false;
  return platform::FileSetAttr(FileName, static_cast<std::uint16_t>(attr & ~platform::faReadOnly));
}
