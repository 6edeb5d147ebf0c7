#include "tools/pck/options.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "tools/pck/commands.h"
#include "tools/pck/i18n.h"

namespace pck {
namespace {

// What makes a path more than a name: separators, and on Windows a drive.
#ifdef _WIN32
constexpr char kFolderMarks[] = "/\\:";
#else
constexpr char kFolderMarks[] = "/";
#endif

// One option: how it is written, what its value is called in the help (null: it takes none),
// its help, and what it does to the options. apply returns the problem with value, or nothing.
struct OptionRow {
  Opt id;
  char shortName;  // 0: only the long name
  const char* longName;
  const char* value;
  bool repeatable;
  const char* help;  // lines after the first are indented under the first
  const char* note;  // a paragraph at the end of the help of every command with it, or null
  std::string (*apply)(Options& o, const std::string& value);
};

std::string Mode(Options& o, const std::string& value) {
  if (value == "good")
    o.mode = TCompressMode::Good;
  else if (value == "fast")
    o.mode = TCompressMode::Fast;
  else if (value == "auto")
    o.mode = TCompressMode::Auto;
  else
    return Format(_("unknown mode \"%s\" (good, fast or auto)"), value.c_str());
  return {};
}

std::string Password(Options& o, const std::string& value, bool fromFile) {
  if (o.hasPassword) return _("one --password or --password-file only");
  o.hasPassword = true;
  (fromFile ? o.passwordFile : o.password) = value;
  return {};
}

// What most options do: keep their value, add it to a list, or turn a switch on.
template <std::string Options::*field>
std::string Keep(Options& o, const std::string& value) {
  o.*field = value;
  return {};
}
template <std::vector<std::string> Options::*field>
std::string Add(Options& o, const std::string& value) {
  (o.*field).push_back(value);
  return {};
}
template <bool Options::*field>
std::string SwitchOn(Options& o, const std::string&) {
  o.*field = true;
  return {};
}

const OptionRow kOptions[] = {
    {Opt::Directory, 'C', "directory", "DIR", false,
     N_("extract into DIR (default: the current directory)"), nullptr, Keep<&Options::directory>},
    {Opt::Mode, 'm', "mode", "good|fast|auto", false,
     N_("good: one LZH stream per file, smaller, slower (the default)\n"
        "fast: LZRW1-KH blocks, larger, several times faster to expand\n"
        "auto: fast for a file whose trial blocks shrink under 40 %, else\n"
        "good; files under 98304 bytes are always good"),
     nullptr, Mode},
    {Opt::Password, 'p', "password", "P", false, N_("the archive's password (see below)"),
     N_("A password only gates the reader: it is stored in the archive itself (each byte\n"
        "inverted) and encrypts nothing. It keeps out casual users, not attackers.\n"),
     [](Options& o, const std::string& v) { return Password(o, v, false); }},
    {Opt::PasswordFile, 0, "password-file", "FILE", false,
     N_("the password from the first line of FILE (\"-\": standard\n"
        "input), kept off the command line other users can list"),
     nullptr, [](Options& o, const std::string& v) { return Password(o, v, true); }},
    {Opt::Header, 0, "header", "LINE", true,
     N_("a line of header text (repeatable; at most 255 bytes each)"), nullptr,
     Add<&Options::headers>},
    {Opt::Exclude, 'x', "exclude", "MASK", true, N_("leave out entries matching MASK (repeatable)"),
     nullptr, Add<&Options::excludes>},
    {Opt::Media, 0, "media", "DIR", false,
     N_("read the set of disks DIR/DISK1/ARCHIVE, DIR/DISK2/ARCHIVE, ...\n"
        "(ARCHIVE is then a file name alone, without a folder)"),
     nullptr, Keep<&Options::media>},
    {Opt::VolumeSize, 0, "volume-size", "SIZE", false,
     N_("with --media: the largest volume, in bytes or with K, M or G\n"
        "(1423K fills a 1.44 MB floppy disk; at most 1024G)"),
     nullptr,
     [](Options& o, const std::string& v) {
       return ParseSize(v, kMaxVolumeSize, o.volumeSize)
                  ? std::string()
                  : Format(_("bad volume size \"%s\" (bytes, or a number with K, M or G, up "
                             "to 1024G)"),
                           v.c_str());
     }},
    {Opt::Jobs, 'j', "jobs", "N", false,
     N_("expand on N workers (default: one per core, at most 64)"), nullptr,
     [](Options& o, const std::string& v) {
       return ParseCount(v, 1, kMaxJobs, o.jobs)
                  ? std::string()
                  : Format(_("bad number of jobs \"%s\" (1 to %d)"), v.c_str(), kMaxJobs);
     }},
    {Opt::Json, 0, "json", nullptr, false, N_("one JSON document instead of the table (below)"),
     nullptr, SwitchOn<&Options::json>},
    {Opt::Verbose, 'v', "verbose", nullptr, false, N_("name every file extracted"), nullptr,
     SwitchOn<&Options::verbose>},
    {Opt::Quiet, 'q', "quiet", nullptr, false,
     N_("no progress bar and no summary; failures are still reported"), nullptr,
     SwitchOn<&Options::quiet>},
    {Opt::FilesFrom, 'T', "files-from", "FILE|-", true,
     N_("store the names or masks in FILE, one a line (\"-\": standard\n"
        "input), as if each were a MASK (repeatable)"),
     nullptr, Add<&Options::filesFrom>},
    {Opt::KeepOld, 'k', "keep-old-files", nullptr, false,
     N_("replace no existing file: each one found is named and left as\n"
        "it is, the other entries are extracted, and the exit status is 1"),
     nullptr, SwitchOn<&Options::keepOld>},
    {Opt::ToStdout, 'O', "to-stdout", nullptr, false,
     N_("write the entries' bytes to standard output, one after another\n"
        "in archive order, and make no file; each entry is checked whole\n"
        "before any of it is written"),
     nullptr, SwitchOn<&Options::toStdout>},
    {Opt::KeepGoing, 0, "keep-going", nullptr, false,
     N_("go on past a damaged entry: every sound entry is extracted,\n"
        "each damaged one named, and the exit status is 1"),
     nullptr, SwitchOn<&Options::keepGoing>},
};

// The one mask rule, at the end of the help of every command that takes masks.
const char kMaskNote[] =
    N_("Masks (MASK, --exclude and the lines of --files-from) are matched as shells match\n"
       "names: \"*\" is any run of characters within one name and \"?\" one character, so\n"
       "\"*\" is every name and \"*.*\" only names with a dot; \"/\" and \"\\\" both separate\n"
       "folders; letters match either case. A mask with a separator starts at the top\n"
       "(\"usb/*.txt\", \"/README\"); one without matches a name at any depth (\"*.txt\" also\n"
       "selects docs/a.txt). A folder a mask matches comes with everything in it: \"usb\"\n"
       "and \"usb/*\" alike. Quote masks, so that the shell leaves them to pck.\n");

bool TakesMasks(const Command& command) {
  return std::string_view(command.operands).find("MASK") != std::string_view::npos ||
         std::any_of(command.options.begin(), command.options.end(), [](const OptionUse& use) {
           return use.option == Opt::Exclude || use.option == Opt::FilesFrom;
         });
}

const OptionRow& Row(Opt id) {
  return *std::find_if(std::begin(kOptions), std::end(kOptions),
                       [id](const OptionRow& row) { return row.id == id; });
}

// The row of the option the command takes by that name, or null.
const OptionRow* Find(const Command& command, std::string_view longName, char shortName) {
  for (const OptionUse& use : command.options) {
    const OptionRow& row = Row(use.option);
    if (longName.empty() ? row.shortName == shortName : longName == row.longName) return &row;
  }
  return nullptr;
}

std::string Spelled(const OptionRow& row) { return std::string("--") + row.longName; }

// The first line of FILE ("-": standard input), without its line end.
bool ReadPasswordFile(const std::string& file, std::string& password) {
  std::FILE* in = file == "-" ? stdin : std::fopen(file.c_str(), "rb");
  if (!in) return false;
  password.clear();
  int c;
  while ((c = std::fgetc(in)) != EOF && c != '\n') password += static_cast<char>(c);
  bool ok = !std::ferror(in);
  if (in != stdin) std::fclose(in);
  if (!password.empty() && password.back() == '\r') password.pop_back();
  return ok;
}

// The operand names the usage line requires: those not in brackets.
std::vector<std::string> RequiredOperands(const Command& command) {
  std::vector<std::string> names;
  std::string_view rest = command.operands;
  while (!rest.empty()) {
    const std::size_t space = std::min(rest.find(' '), rest.size());
    if (rest[0] != '[') names.emplace_back(rest.substr(0, space));
    rest.remove_prefix(std::min(space + 1, rest.size()));
  }
  return names;
}

std::string Missing(const Command& command, std::size_t given) {
  std::vector<std::string> names = RequiredOperands(command);
  names.erase(names.begin(), names.begin() + std::min(given, names.size()));
  if (names.size() == 1) return Format(_("%s is missing"), names[0].c_str());
  std::string list;
  for (std::size_t i = 0; i < names.size(); ++i)
    list += (i == 0 ? "" : i + 1 == names.size() ? _(" and ") : ", ") + names[i];
  return Format(_("%s are missing"), list.c_str());
}

// The parsing proper; the problem, or nothing when the command line is right.
std::string Read(const Command& command, const std::vector<std::string>& args, Options& o) {
  bool options = true;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!options || arg == "-" || arg.size() < 2 || arg[0] != '-') {
      o.operands.push_back(arg);
      continue;
    }
    if (arg == "--") {
      options = false;
      continue;
    }
    // The value of an option that takes one: attached or the next word.
    auto valueOf = [&](const OptionRow& row, std::string attached, bool hasAttached,
                       std::string& value) -> std::string {
      if (hasAttached) {
        value = std::move(attached);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        return Format(_("%s needs a value %s"), Spelled(row).c_str(), row.value);
      }
      return {};
    };
    std::string problem, value;
    if (arg[1] == '-') {  // --name or --name=value
      const std::size_t equals = arg.find('=');
      const std::string name = arg.substr(2, equals == std::string::npos ? equals : equals - 2);
      const OptionRow* row = Find(command, name, 0);
      if (!row) return Format(_("unknown option \"%s\""), ("--" + name).c_str());
      const bool attached = equals != std::string::npos;
      if (!row->value && attached) return Format(_("%s takes no value"), Spelled(*row).c_str());
      if (row->value) problem = valueOf(*row, arg.substr(equals + 1), attached, value);
      if (problem.empty()) problem = row->apply(o, value);
    } else {  // -abc: flags, the last of them may take the rest of the word or the next one
      for (std::size_t at = 1; at < arg.size() && problem.empty(); ++at) {
        const OptionRow* row = Find(command, {}, arg[at]);
        if (!row)
          return Format(_("unknown option \"%s\""), std::string("-").append(1, arg[at]).c_str());
        if (row->value) {
          problem = valueOf(*row, arg.substr(at + 1), at + 1 < arg.size(), value);
          at = arg.size();
        }
        if (problem.empty()) problem = row->apply(o, value);
      }
    }
    if (!problem.empty()) return problem;
  }
  const int count = static_cast<int>(o.operands.size());
  if (count < command.minOperands) return Missing(command, o.operands.size());
  if (command.maxOperands != kAnyNumber && count > command.maxOperands)
    return Format(_("too many arguments: \"%s\""), o.operands[command.maxOperands].c_str());
  if (!o.operands.empty()) {
    o.archive = o.operands.front();
    o.masks.assign(o.operands.begin() + 1, o.operands.end());
  }
  if (o.verbose && o.quiet) return _("--verbose and --quiet exclude each other");
  if (std::count(o.filesFrom.begin(), o.filesFrom.end(), "-") + (o.passwordFile == "-") > 1)
    return _(
        "standard input can be read only once: give one of --files-from - and "
        "--password-file - a file");
  if (o.volumeSize > 0 && o.media.empty())
    return _("--volume-size needs --media DIR: each volume is a disk of its own");
  // DIR/DISKn/ARCHIVE must be one file per disk: "../x.pck" or "/tmp/x.pck" would put every
  // volume in one place, each over the one before, or somewhere else than DIR.
  if (!o.media.empty() && o.archive.find_first_of(kFolderMarks) != std::string::npos)
    return Format(_("with --media, ARCHIVE is a file name without a folder (\"%s\"): each volume "
                    "is DIR/DISKn/ARCHIVE"),
                  o.archive.c_str());
  return {};
}

// Words joined by spaces, wrapped before 80 columns, further lines indented by indent.
std::string Wrapped(const std::vector<std::string>& words, std::size_t indent) {
  constexpr std::size_t kColumns = 79;
  std::string out;
  std::size_t column = indent;
  for (const std::string& word : words) {
    if (!out.empty() && column + 1 + word.size() > kColumns) {
      out += '\n';
      out.append(indent + 2, ' ');
      column = indent + 2;
    } else if (!out.empty()) {
      out += ' ';
      ++column;
    }
    out += word;
    column += word.size();
  }
  return out;
}

}  // namespace

int ParseOptions(const Command& command, const std::vector<std::string>& args, Options& o) {
  if (std::string problem = Read(command, args, o); !problem.empty())
    return UsageError(command, problem);
  if (!o.passwordFile.empty() && !ReadPasswordFile(o.passwordFile, o.password))
    return o.passwordFile == "-"
               ? Failure(std::string(), _("cannot read the password from standard input"))
               : Failure(EnginePath(o.passwordFile), _("cannot read the password from it"));
  return kExitOk;
}

std::string Synopsis(const Command& command, std::size_t indent) {
  std::vector<std::string> words{std::string("pck ") + command.name};
  for (const OptionUse& use : command.options) {
    const OptionRow& row = Row(use.option);
    std::string word = row.value       ? Spelled(row) + " " + row.value
                       : row.shortName ? std::string("-") + row.shortName
                                       : Spelled(row);
    words.push_back("[" + word + "]" + (row.repeatable ? "..." : ""));
  }
  words.push_back(command.operands);
  return Wrapped(words, indent);
}

std::string HelpText(const Command& command) {
  constexpr std::size_t kTextColumn = 24;
  const std::string usage = _("Usage:");
  std::string out = usage + " " + Synopsis(command, usage.size() + 1) + "\n\n" + Tr(command.help);
  if (!command.options.empty()) out += std::string("\n") + _("Options:") + "\n";
  for (const OptionUse& use : command.options) {
    const OptionRow& row = Row(use.option);
    std::string left = "  ";
    if (row.shortName) left += std::string("-") + row.shortName + ", ";
    left += Spelled(row);
    if (row.value) left += std::string(" ") + row.value;
    out += left;
    if (left.size() + 2 > kTextColumn)
      out += "\n" + std::string(kTextColumn, ' ');
    else
      out += std::string(kTextColumn - left.size(), ' ');
    for (const char* c = Tr(use.help ? use.help : row.help); *c; ++c) {
      out += *c;
      if (*c == '\n') out += std::string(kTextColumn, ' ');
    }
    out += '\n';
  }
  if (*command.notes) out += std::string("\n") + Tr(command.notes);
  if (TakesMasks(command)) out += std::string("\n") + Tr(kMaskNote);
  for (const OptionUse& use : command.options)
    if (const char* note = Row(use.option).note) out += std::string("\n") + Tr(note);
  return out;
}

bool ParseSize(std::string_view text, std::int64_t max, std::int64_t& size) {
  std::uint64_t value = 0;
  const char* const end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop == text.data()) return false;
  std::uint64_t unit = 1;
  if (end - stop == 1) {
    switch (*stop) {
      case 'k':
      case 'K': unit = std::uint64_t{1} << 10; break;
      case 'm':
      case 'M': unit = std::uint64_t{1} << 20; break;
      case 'g':
      case 'G': unit = std::uint64_t{1} << 30; break;
      default: return false;
    }
  } else if (stop != end) {
    return false;
  }
  const auto limit = static_cast<std::uint64_t>(max);
  if (value == 0 || value > limit / unit) return false;
  size = static_cast<std::int64_t>(value * unit);
  return true;
}

bool ParseCount(std::string_view text, int min, int max, int& n) {
  int value = 0;
  const char* const end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end || value < min || value > max) return false;
  n = value;
  return true;
}

}  // namespace pck
