// pck in the user's language. Every text pck shows is written in English in the sources and
// marked: _("...") where it is used, N_("...") in a table whose entries are translated where
// they are shown (with Tr). The catalogues are in po/; platform/messages.h finds the one of the
// user's language.
#pragma once

namespace pck {

// The translation of english in the user's language, or english itself.
#if defined(__GNUC__)
__attribute__((format_arg(1)))
#endif
const char*
Tr(const char* english);

// Once, first thing: the user's language, from the locale or the user's interface language.
void StartLanguage();

}  // namespace pck

#define _(text)  ::pck::Tr(text)
#define N_(text) text
