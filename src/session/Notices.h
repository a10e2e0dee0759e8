#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "brommet/ParameterInfo.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

class ServoDrive;

// What every program tells the user when an entry or a key did not do what it asked, in the words
// the command line uses for the same refusal. The control itself stays silent about these (it
// holds an entry to the limits, keeps the old value for text that is no number, and ignores keys
// while locked); a host compares what was typed with what was written and says why.

// Why the parameter cannot be changed now ("P1712 Serial Number: the parameter is read-only and
// cannot be changed", "P1510 Speed Limit: needs lock level 1 (technician), the application holds
// 0 (operator)", followed by `unlock` in brackets when given); empty when it can. `requiredLevel`
// is the level the drive needs for it now.
std::string whyNotWritable(const ParameterInfo& info, std::int32_t requiredLevel,
                           std::int32_t heldLevel, std::string_view unlock = {});

// How a listing marks a parameter that cannot be changed now: "read-only" for one no lock level
// changes, "locked (needs lock level 1 (technician))" for one the lock level holds; empty when it
// can be changed.
std::string notWritableMark(const ParameterInfo& info, std::int32_t requiredLevel,
                            std::int32_t heldLevel);

// What typed text came to when it is not the value written ("P1510 Speed Limit: \"abc\" is not a
// number; the value stays 3000", "P1510 Speed Limit: 99999 RPM is above the maximum of 6000 RPM;
// the value is 6000"); empty when the text is a value within the limits. `appView` is true in the
// application view (application units), false in the drive's own units; `written` is the text the
// control shows after the entry.
std::string entryNotice(const ParameterInfo& info, std::string_view typed, bool appView,
                        std::string_view written);

// A write the drive refused (UpdateError's code and description, which may begin with the
// parameter's name), naming the parameter by key and name once; a refusal for the lock level ends
// with `unlock` in brackets, the program's way to change the level ("P1510 Speed Limit: needs lock
// level 1 (the Lock level in the toolbar changes the level)").
std::string refusalNotice(const ParameterInfo& info, std::int32_t code,
                          std::string_view description, std::string_view unlock);

}  // namespace kadrelle
#pragma GCC visibility pop
