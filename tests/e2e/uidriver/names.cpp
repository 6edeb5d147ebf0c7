#include "tests/e2e/uidriver/names.h"

#include <cstdlib>
#include <utility>

#include "app/control_ids.h"

namespace uidriver {
namespace {

#define TAVO_ID(n) \
  { #n, ids::n }
const std::pair<const char*, int> kNames[] = {
    TAVO_ID(lblWelcome),      TAVO_ID(Label1),   TAVO_ID(lblCopyright), TAVO_ID(lblAllRights),
    TAVO_ID(btnCancel),       TAVO_ID(Image1),   TAVO_ID(btnReadme),    TAVO_ID(btnBack),
    TAVO_ID(btnNext),         TAVO_ID(lblName),  TAVO_ID(Label4),       TAVO_ID(memoTerms),
    TAVO_ID(chkAccept),       TAVO_ID(Label5),   TAVO_ID(chkBin),       TAVO_ID(Label3),
    TAVO_ID(Label11),         TAVO_ID(Label2),   TAVO_ID(edtTarget),    TAVO_ID(chkIDAPI),
    TAVO_ID(Label10),         TAVO_ID(Label8),   TAVO_ID(edtIDAPI),     TAVO_ID(Label6),
    TAVO_ID(lblDefaultDb),    TAVO_ID(cboType),  TAVO_ID(Label9),       TAVO_ID(Label12),
    TAVO_ID(cboPort),         TAVO_ID(Label7),   TAVO_ID(OKBtn),        TAVO_ID(memoReadme),
    TAVO_ID(btnStatusCancel), TAVO_ID(lblGroup), TAVO_ID(lblItem),      TAVO_ID(StatusBar),
    TAVO_ID(PackBar),
};
#undef TAVO_ID

}  // namespace

std::optional<int> ControlId(const std::string& name) {
  for (const auto& [n, id] : kNames)
    if (name == n) return id;
  if (name.empty()) return std::nullopt;
  char* end = nullptr;
  const long v = std::strtol(name.c_str(), &end, 10);
  if (*end != '\0') return std::nullopt;
  return static_cast<int>(v);
}

}  // namespace uidriver
