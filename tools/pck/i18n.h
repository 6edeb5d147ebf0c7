#pragma once
namespace pck { inline const char* Tr(const char* english) { return english; } }
#define _(text) ::pck::Tr(text)
#define N_(text) text
