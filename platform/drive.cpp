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

ServiceGuard<DriveTypeQuery> SetDriveTypeQuery(DriveTypeQuery query) {
  return {Query(), std::move(query)};
}

}  // namespace platform
