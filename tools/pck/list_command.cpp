// pck list: the entries of an archive with their sizes before and after compression, as a
// table for people or one JSON document for scripts.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "codecs/lzrw1.h"
#include "pack/pack_lz.h"
#include "platform/file.h"
#include "platform/fileinfo.h"
#include "platform/text.h"
#include "tools/pck/archive_cli.h"
#include "tools/pck/commands.h"
#include "tools/pck/i18n.h"
#include "tools/pck/masks.h"
#include "tools/pck/safe_output.h"

namespace pck {
namespace {

// One entry as listed: its record and what the first bytes of its data say.
struct Listed {
  std::string name;  // Windows-1252, as stored
  std::int32_t stored = 0;
  std::uint16_t attr = 0;
  std::int32_t time = 0;
  TCompressedHeader header;
};

std::string AttrText(std::uint16_t attr) {
  std::string s = "....";
  if (attr & platform::faReadOnly) s[0] = 'R';
  if (attr & platform::faHidden) s[1] = 'H';
  if (attr & platform::faSysFile) s[2] = 'S';
  if (attr & platform::faArchive) s[3] = 'A';
  return s;
}

struct DosFields {
  unsigned year, month, day, hour, minute, second;
};

DosFields Split(std::int32_t dosTime) {
  const platform::DateTime t = platform::UnpackDosTime(dosTime);
  auto u = [](int field) { return static_cast<unsigned>(field); };
  return {u(t.Year), u(t.Month), u(t.Day), u(t.Hour), u(t.Minute), u(t.Second)};
}

const char* MethodName(TCompressedHeader::TKind kind) {
  switch (kind) {
    case TCompressedHeader::TKind::Fast: return "Fast";
    case TCompressedHeader::TKind::Good: return "Good";
    case TCompressedHeader::TKind::Damaged:
    case TCompressedHeader::TKind::NotCompressed: break;
  }
  return nullptr;
}

bool HasSize(const TCompressedHeader& h) { return MethodName(h.Kind) != nullptr; }

// Stored bytes per 100 original ones; blank when there is no original size to compare with.
std::string RatioText(std::int64_t stored, std::int64_t size, bool known) {
  if (!known || size == 0) return "";
  return std::to_string(stored * 100 / size) + "%";
}

// --- The table -----------------------------------------------------------------------------

void PrintTable(const TCustomPack& pack, const std::string& archive,
                const std::vector<Listed>& entries) {
  std::string out =
      Format(pack.GetVolume() == 1 ? _("Archive: %s  (version %d, %d volume)")
                                   : _("Archive: %s  (version %d, %d volumes)"),
             platform::NativePath(archive).c_str(), pack.GetVersion(), pack.GetVolume()) +
      "\n";
  // TRANSLATORS: column headings over fields of 10, 10, 5, 6, 4, 10, 5 characters and the
  // name; keep each heading within its field, right-aligned as here for the first three.
  out += _("      Size      Stored  Ratio  Method  Attr  Date       Time   Name");
  out += "\n----------  ----------  -----  ------  ----  ---------- -----  ----\n";
  std::int64_t size = 0, stored = 0, storedOfSized = 0;
  bool allSized = !entries.empty();
  for (const Listed& e : entries) {
    std::string sizeText = e.header.Kind == TCompressedHeader::TKind::Damaged ? _("damaged")
                           : HasSize(e.header) ? std::to_string(e.header.Size)
                                               : "";
    const char* method = MethodName(e.header.Kind);
    DosFields t = Split(e.time);
    out += Format("%10s  %10ld  %5s  %-6s  %s  %04u-%02u-%02u %02u:%02u  %s\n", sizeText.c_str(),
                  static_cast<long>(e.stored),
                  RatioText(e.stored, e.header.Size, HasSize(e.header)).c_str(),
                  method ? method : "", AttrText(e.attr).c_str(), t.year, t.month, t.day, t.hour,
                  t.minute, platform::NativePath(e.name).c_str());
    stored += e.stored;
    if (HasSize(e.header)) {
      size += e.header.Size;
      storedOfSized += e.stored;
    } else {
      allSized = false;
    }
  }
  // The total size counts the entries whose size is known; the ratio compares those alone.
  out += Format(
      "----------  ----------  -----                                -------\n"
      "%10lld  %10lld  %5s                                ",
      static_cast<long long>(size), static_cast<long long>(stored),
      RatioText(storedOfSized, size, true).c_str());
  out += Format(entries.size() == 1 ? _("%zu entry") : _("%zu entries"), entries.size()) + "\n";
  if (!allSized && !entries.empty())
    out += std::string(_("(entries without a known size are left out of the total size and "
                         "ratio)")) +
           "\n";
  for (const auto& h : pack.Header)
    out += Format(_("Header: %s"), platform::NativeText(h).c_str()) + "\n";
  Print(stdout, out);
}

// --- JSON ----------------------------------------------------------------------------------

// A JSON string of Windows-1252 text, recoded to UTF-8.
std::string JsonString(const std::string& ansi) {
  std::string out = "\"";
  for (unsigned char c : platform::Utf8FromAnsi(ansi)) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

// Entry names with "/" between directories on every host, as scripts expect.
std::string SlashedName(std::string name) {
  for (char& c : name)
    if (c == '\\') c = '/';
  return name;
}

void PrintJson(const TCustomPack& pack, const std::string& archive,
               const std::vector<Listed>& entries) {
  std::string out = "{\n  \"archive\": " + JsonString(SlashedName(archive)) +
                    ",\n  \"version\": " + std::to_string(pack.GetVersion()) +
                    ",\n  \"volumes\": " + std::to_string(pack.GetVolume()) + ",\n  \"header\": [";
  for (std::size_t i = 0; i < pack.Header.size(); ++i)
    out += (i ? ", " : "") + JsonString(pack.Header[i]);
  out += "],\n  \"entries\": [";
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const Listed& e = entries[i];
    const char* method = MethodName(e.header.Kind);
    DosFields t = Split(e.time);
    char time[32];
    std::snprintf(time, sizeof time, "%04u-%02u-%02uT%02u:%02u:%02u", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    out += i ? ",\n    {" : "\n    {";
    out += "\"name\": " + JsonString(SlashedName(e.name));
    out += ", \"size\": " + (HasSize(e.header) ? std::to_string(e.header.Size) : "null");
    out += ", \"stored\": " + std::to_string(e.stored);
    out += ", \"method\": ";
    out += method ? JsonString(method) : "null";
    out += ", \"damaged\": ";
    out += e.header.Kind == TCompressedHeader::TKind::Damaged ? "true" : "false";
    out += ", \"attributes\": \"" + AttrText(e.attr) + "\"";
    out += ", \"attr\": " + std::to_string(e.attr);
    out += ", \"time\": \"" + std::string(time) + "\"}";
  }
  out += entries.empty() ? "]\n}\n" : "\n  ]\n}\n";
  Print(stdout, out);
}

int List(const Command& command, const Options& o) {
  ArchiveEngine<TPackLz> engine(o);
  TPackLz& pack = engine.pack;
  std::string archive = pack.PackFileName;
  if (std::string refused = RefusedArchive(command.name, archive); !refused.empty())
    return Failure(refused);
  std::vector<Listed> entries;
  pack.OnList = [&](TObject*, const std::string& name, std::int32_t size, std::uint16_t attr,
                    std::int32_t time) {
    entries.push_back({name, size, attr, time, {}});
  };
  pack.PeekSize = TCompressedHeader::kSize;
  pack.OnPeek = [&](TObject*, const std::vector<std::uint8_t>& head) {
    Listed& e = entries.back();
    e.header = TCompressedHeader::Read(head.data(), head.size(), e.stored);
  };
  Terminal terminal;
  if (!pack.Process(TCustomPack::kModeList)) return terminal.RunFailure(pack);
  Selection selection(o.masks, {});
  std::erase_if(entries, [&](const Listed& e) { return !selection.Selects(e.name); });
  if (o.json)
    PrintJson(pack, archive, entries);
  else
    PrintTable(pack, archive, entries);
  std::fflush(stdout);  // the listing first, then what it lacks
  return terminal.NotFound(selection.NotFound()) ? kExitFailure : kExitOk;
}

// The one command of this file.
const Command kList = {
    "list",
    "ARCHIVE [MASK...]",
    1,
    kAnyNumber,
    N_("List the entries of an archive: sizes, ratio, method, attributes, date and name."),
    N_("Lists the entries of ARCHIVE that a MASK selects (default: all; a MASK that selects\n"
       "none is named after the listing, exit status 1): the size of each (from the header of\n"
       "the compressed file stored in the entry), its stored size, the ratio of the two, the\n"
       "method (Fast or Good), its attributes (R read-only, H hidden, S system, A archive),\n"
       "last-write time and name, then a line of totals and the header text. Size, Ratio and\n"
       "Method are blank for an entry whose data is not a compressed file; Size reads\n"
       "\"damaged\" when the compressed file's header cannot be right. Only the first bytes of\n"
       "each entry are read.\n"),
    {{Opt::Password}, {Opt::PasswordFile}, {Opt::Media}, {Opt::Json}},
    N_("JSON (UTF-8, \"/\" between directories; members may be added, none will change):\n"
       "  {\"archive\": path, \"version\": 1 or 2, \"volumes\": n, \"header\": [line, ...],\n"
       "   \"entries\": [{\"name\": \"DIR/FILE\",\n"
       "                \"size\": bytes or null, \"stored\": bytes,\n"
       "                \"method\": \"Fast\", \"Good\" or null, \"damaged\": true or false,\n"
       "                \"attributes\": \"RHSA\" with \".\" for a missing one, \"attr\": number,\n"
       "                \"time\": \"YYYY-MM-DDThh:mm:ss\" (local time, as stored)}, ...]}\n"),
    List};

}  // namespace

const std::vector<Command>& ListCommands() {
  static const std::vector<Command> commands = {kList};
  return commands;
}

}  // namespace pck
