#include "platform/drive.h"

#include <utility>

namespace platform {
namespace {

DriveTypeQuery& Query() {
  static DriveTypeQuery query;
  return query;
}

}  // namespace

DriveType DriveTypeOf(const std::string& root) {
  return Query() ? Query()(root) : SystemDriveType(root);
}

void SetDriveTypeQuery(DriveTypeQuery query) { Query() = std::move(query); }

}  // namespace platform
