#pragma once

#include <span>
#include <string>
#include <string_view>

#include "brommet/ParameterInfo.h"
#include "host/Form.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// The built-in drive set-up page, a form file kept in the library (DrivePage.json): identity and
// communication, limits and motion on the left; read-only information, the drive's enable and
// speed command and live measurements on the right, showing every editor position, caption
// alignment and both preset styles.

// The page's name in messages, where a form file's path would be.
inline constexpr std::string_view kDrivePageName = "the built-in drive page";
// The page's form file text.
std::string_view drivePageText();
// Reads the page into the form as FormFile::fromJson reads any form (the controls unbound).
void loadDrivePage(Form& form);
// A drive of another description gets a page of its own parameters instead: one control each,
// named after its key, one under another in the description's order (the controls unbound).
void fillParameterPage(Form& form, std::span<const ParameterInfo> parameters);

}  // namespace kadrelle
#pragma GCC visibility pop
