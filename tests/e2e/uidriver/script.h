// The driver's script language: one step per line, words separated by blanks, texts in double
// quotes (a doubled quote stands for one), "#" starts a comment line. Scripts are UTF-8; texts are
// compared and typed in Windows-1252. Controls are named as in the setup program ("btnNext") or
// given by number.
//
//   start COMMAND LINE...        start a program (the rest of the line); it is the one driven
//   window CLASS ["CAPTION"]     wait for its window; later control steps act on that window
//   expect CONTROL "TEXT"        the control shows exactly TEXT
//   expect-caption "TEXT"        the current window's caption is TEXT
//   expect-state CONTROL STATE   enabled, disabled, visible, hidden, checked or unchecked
//   expect-choice CONTROL "ITEM" the list shows ITEM as its choice
//   click CONTROL                press a button
//   check CONTROL / uncheck CONTROL
//   type CONTROL "TEXT"          replace an edit box's text
//   choose CONTROL "ITEM"        pick a list item
//   close                        the close box of the current window
//   box ["TEXT" [BUTTON...]]     wait for a message box; check its text and its buttons
//   answer BUTTON                press OK, Cancel, Abort, Retry, Ignore, Yes or No in that box
//   wait-gone CLASS              wait until no window of that class is shown
//   wait-exit [CODE]             wait for the program to end (with that exit code)
//   print CONTROL                print what a control shows
//   snap NAME                    save the screen as NAME.bmp in the screenshot folder
//   sleep MILLISECONDS
#pragma once

#include <iosfwd>
#include <string>

namespace uidriver {

struct ScriptOptions {
  std::string shotDir;  // where snap writes; empty: the current directory
  int timeoutMs;        // for every wait
  std::ostream* log;    // each step and each print goes here
};

// Runs the script read from in. Returns true when every step passed; on the first failing step
// it writes "NAME:LINE: what went wrong" to the log and returns false.
bool RunScript(std::istream& in, const std::string& name, const ScriptOptions& options);

}  // namespace uidriver
