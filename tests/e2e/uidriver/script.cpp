#include "tests/e2e/uidriver/script.h"

#include <algorithm>
#include <functional>
#include <istream>
#include <memory>
#include <optional>
#include <ostream>
#include <utility>
#include <vector>

#include "tests/e2e/uidriver/driver.h"
#include "tests/e2e/uidriver/names.h"

namespace uidriver {
namespace {

struct Line {
  std::vector<std::string> words;  // Windows-1252
  std::string rest;                // what follows the verb, unsplit (for start)
};

Line Split(const std::string& utf8) {
  Line line;
  const std::string s = Utf8ToAnsi(utf8);
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r')) ++i;
    if (i >= s.size()) break;
    if (line.words.size() == 1) line.rest = s.substr(i);
    std::string word;
    if (s[i] == '"') {
      for (++i;; ++i) {
        if (i >= s.size()) throw DriverError("a quoted text has no closing quote");
        if (s[i] == '"') {
          if (i + 1 < s.size() && s[i + 1] == '"') {
            word += '"';
            ++i;
            continue;
          }
          ++i;
          break;
        }
        word += s[i];
      }
    } else {
      while (i < s.size() && s[i] != ' ' && s[i] != '\t' && s[i] != '\r') word += s[i++];
    }
    line.words.push_back(word);
  }
  while (!line.rest.empty() && (line.rest.back() == '\r' || line.rest.back() == ' '))
    line.rest.pop_back();
  return line;
}

class Interpreter {
 public:
  explicit Interpreter(const ScriptOptions& options) : opt_(options) {}

  void Step(const Line& line) {
    const auto& w = line.words;
    const std::string& verb = w[0];
    if (verb == "start") {
      if (w.size() < 2) throw DriverError("start needs a command line");
      app_.reset();
      app_ = std::make_unique<App>(App::Launch(line.rest));
      top_ = nullptr;
    } else if (verb == "window") {
      Args(w, 2, 3);
      top_ = App_().Wait(w[1].c_str(), w.size() > 2 ? w[2].c_str() : nullptr, opt_.timeoutMs);
    } else if (verb == "expect") {
      Args(w, 3, 3);
      Eventually([&] {
        const std::string shown = Text(Control(w[1]));
        if (shown != w[2]) Mismatch(w[1], w[2], shown);
      });
    } else if (verb == "expect-caption") {
      Args(w, 2, 2);
      Eventually([&] {
        const std::string shown = Text(Top());
        if (shown != w[1]) Mismatch("the caption", w[1], shown);
      });
    } else if (verb == "expect-state") {
      Args(w, 3, 3);
      Eventually([&] { ExpectState(Control(w[1]), w[1], w[2]); });
    } else if (verb == "expect-choice") {
      Args(w, 3, 3);
      Eventually([&] {
        const std::string shown = ChosenItem(Control(w[1]));
        if (shown != w[2]) Mismatch(w[1], w[2], shown);
      });
    } else if (verb == "click") {
      Args(w, 2, 2);
      Click(Control(w[1]));
    } else if (verb == "check" || verb == "uncheck") {
      Args(w, 2, 2);
      SetChecked(Control(w[1]), verb == "check");
    } else if (verb == "type") {
      Args(w, 3, 3);
      Type(Control(w[1]), w[2]);
    } else if (verb == "choose") {
      Args(w, 3, 3);
      Choose(Control(w[1]), w[2]);
    } else if (verb == "close") {
      Args(w, 1, 1);
      Close(Top());
    } else if (verb == "box") {
      Box(w);
    } else if (verb == "answer") {
      Args(w, 2, 2);
      const int id = ButtonId(w[1]);
      if (!id) throw DriverError("unknown button " + w[1]);
      if (!box_) box_ = App_().WaitBox(opt_.timeoutMs);
      HWND answered = std::exchange(box_, nullptr);
      Answer(answered, id, opt_.timeoutMs);
    } else if (verb == "wait-gone") {
      Args(w, 2, 2);
      if (!WaitUntil([&] { return !App_().Find(w[1].c_str()); }, opt_.timeoutMs))
        throw DriverError("a window of class " + w[1] + " is still shown");
    } else if (verb == "wait-exit") {
      Args(w, 1, 2);
      const DWORD code = App_().WaitExit(opt_.timeoutMs);
      if (w.size() > 1 && std::to_string(code) != w[1])
        throw DriverError("the program ended with code " + std::to_string(code));
    } else if (verb == "print") {
      Args(w, 2, 2);
      *opt_.log << w[1] << ": " << AnsiToUtf8(Text(Control(w[1]))) << "\n";
    } else if (verb == "snap") {
      Args(w, 2, 2);
      const std::string dir = opt_.shotDir.empty() ? "" : opt_.shotDir + "\\";
      SaveScreenshot(dir + w[1] + ".bmp");
    } else if (verb == "sleep") {
      Args(w, 2, 2);
      Sleep(static_cast<DWORD>(std::stoul(w[1])));
    } else {
      throw DriverError("unknown step \"" + verb + "\"");
    }
  }

 private:
  static void Args(const std::vector<std::string>& w, size_t min, size_t max) {
    if (w.size() < min || w.size() > max) throw DriverError("wrong number of words for " + w[0]);
  }

  [[noreturn]] static void Mismatch(const std::string& what, const std::string& want,
                                    const std::string& shown) {
    throw DriverError(what + " shows \"" + shown + "\", expected \"" + want + "\"");
  }

  // Checks the way a person looks at the screen: what a press changes shows a moment later, so a
  // check passes as soon as it holds and fails with its last finding when the time is up.
  void Eventually(const std::function<void()>& check) {
    std::string last;
    if (WaitUntil(
            [&] {
              try {
                check();
                return true;
              } catch (const DriverError& e) {
                last = e.what();
                return false;
              }
            },
            opt_.timeoutMs))
      return;
    throw DriverError(last);
  }

  App& App_() {
    if (!app_) throw DriverError("no program started");
    return *app_;
  }

  HWND Top() {
    if (!top_ || !IsWindow(top_)) throw DriverError("no current window (use window first)");
    return top_;
  }

  HWND Control(const std::string& name) {
    const std::optional<int> id = ControlId(name);
    if (!id) throw DriverError("unknown control " + name);
    return Item(Top(), *id);
  }

  void ExpectState(HWND c, const std::string& name, const std::string& state) {
    bool ok;
    if (state == "enabled")
      ok = IsEnabled(c);
    else if (state == "disabled")
      ok = !IsEnabled(c);
    else if (state == "visible")
      ok = IsVisible(c);
    else if (state == "hidden")
      ok = !IsVisible(c);
    else if (state == "checked")
      ok = IsChecked(c);
    else if (state == "unchecked")
      ok = !IsChecked(c);
    else
      throw DriverError("unknown state " + state);
    if (!ok) throw DriverError(name + " is not " + state);
  }

  void Box(const std::vector<std::string>& w) {
    box_ = App_().WaitBox(opt_.timeoutMs);
    const BoxInfo info = ReadBox(box_);
    *opt_.log << "  box \"" << AnsiToUtf8(info.caption) << "\": " << AnsiToUtf8(info.text) << "\n";
    if (w.size() > 1 && info.text != w[1]) Mismatch("the message box", w[1], info.text);
    if (w.size() > 2) {
      std::vector<int> want;
      for (size_t i = 2; i < w.size(); ++i) {
        const int id = ButtonId(w[i]);
        if (!id) throw DriverError("unknown button " + w[i]);
        want.push_back(id);
      }
      std::vector<int> have = info.buttons;
      std::sort(want.begin(), want.end());
      std::sort(have.begin(), have.end());
      if (want != have) throw DriverError("the message box has other buttons");
    }
  }

  const ScriptOptions& opt_;
  std::unique_ptr<App> app_;
  HWND top_ = nullptr;
  HWND box_ = nullptr;
};

}  // namespace

bool RunScript(std::istream& in, const std::string& name, const ScriptOptions& options) {
  Interpreter interp(options);
  std::string text;
  for (int number = 1; std::getline(in, text); ++number) {
    try {
      const Line line = Split(text);
      if (line.words.empty() || line.words[0][0] == '#') continue;
      *options.log << "> " << AnsiToUtf8(Utf8ToAnsi(text)) << "\n";
      options.log->flush();
      interp.Step(line);
    } catch (const std::exception& e) {
      *options.log << name << ":" << number << ": " << AnsiToUtf8(e.what()) << "\n";
      return false;
    }
  }
  return true;
}

}  // namespace uidriver
