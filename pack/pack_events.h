// The events an archive component fires, for those who hand a handler to one without needing
// the component itself.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/component.h"
#include "platform/exception.h"

using TNotifyEvent = std::function<void(TObject* Sender)>;
using TOnProgress = std::function<void(TObject* Sender, const std::string& FileName,
                                       std::int32_t Percent, bool& Cancel)>;
using TOnPassword = std::function<void(TObject* Sender, std::string& Password)>;
using TOnList = std::function<void(TObject* Sender, const std::string& FileName, std::int32_t Size,
                                   std::uint16_t Attr, std::int32_t Time)>;
using TOnIO = std::function<void(TObject* Sender, std::string& FileName)>;
// The first bytes of the current entry's stored data (fewer when the entry is shorter).
using TOnPeek = std::function<void(TObject* Sender, const std::vector<std::uint8_t>& Data)>;
using TOnError =
    std::function<void(TObject* Sender, const Exception& E, const std::string& FileName)>;
