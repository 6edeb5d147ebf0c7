// The progress line on stderr: a bar, the percent and the name at work, redrawn in place.
//
// It is drawn only when stderr is a terminal (so logs and pipes stay clean) and not under
// --quiet. Each redraw fits the terminal's width as it is then, so the line follows a resize,
// and redraws come at most ten times a second however many entries go by. A signal that ends
// the run (Ctrl+C) leaves a clean line that says the run was interrupted.
#pragma once

#include <string>

namespace pck::progress {

// Once, before anything is drawn: the command's name for the interruption's line, and whether
// the line is wanted at all.
void Start(const char* command, bool wanted);
// The run is at percent of name (host form; empty: the name shown last); drawn when due.
void Show(const std::string& name, int percent);
// Takes the line away, so that other output starts on a clean line.
void Clear();
// From a signal handler or the console's control handler, as the run is ended: wipes the line
// and says the run was interrupted. Async-signal-safe.
void NoteInterrupted();

// The line for a terminal of that many columns: never more than columns - 1 of them, so it
// never wraps; the name is cut at its front, and control characters in it are shown as "?".
std::string Line(const std::string& name, int percent, int columns);

}  // namespace pck::progress
