// The user's language for a program's messages: the platform's own catalogue mechanism finds
// the translation of each English message. On Linux that is gettext, with the locale the
// environment asks for (LC_ALL, LC_MESSAGES, LANG, LANGUAGE) and the catalogues in the
// share/locale folder beside the program's bin folder, so a build tree and an installed tree
// both find theirs. On Windows it is the user's interface language, and the catalogue of that
// language is a resource of the program (see MoCatalog).
#pragma once

namespace platform {

// Once, before any message is looked up: the catalogue named domain in the user's language.
// Elsewhere than on Windows this also takes the environment's locale (setlocale), but keeps
// numbers in the C form that scripts read.
void OpenMessages(const char* domain);

// The translation of english, in the character set the host's output takes (on Windows the
// ANSI code page, elsewhere the locale's); english itself when there is none. The result lives
// as long as the program.
const char* Message(const char* english);

}  // namespace platform
