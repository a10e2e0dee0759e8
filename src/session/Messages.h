#pragma once

#include <cstdint>
#include <string>

#include "brommet/ParameterInfo.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// What a user is told about a value they entered, in the words every program uses: the
// parameter's key, then the drive's reason.

// An entry the edit box took with Enter: "" when it was written as typed, otherwise why not
// ("P1510 \"abc\" is not a number", "P1510 10007000 RPM is above the maximum of 6000 RPM; 6000
// RPM was written"). `appView` is false for an entry in drive units. `written` is the text the
// control shows after the entry.
std::string entryMessage(const ParameterInfo& info, const std::string& entry, bool appView,
                         const std::string& written);

// A write the drive refused (UpdateError's code and description); a refusal for the lock level
// ends with `unlock` in brackets, the program's way to change the level.
std::string refusalMessage(const ParameterInfo& info, std::int32_t code,
                           const std::string& description, const std::string& unlock);

}  // namespace kadrelle
#pragma GCC visibility pop
