#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "brommet/ParameterInfo.h"
#include "host/Form.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// The built-in drive set-up page, a form file kept in the library (DrivePage.json): identity and
// communication, limits and motion on the left; read-only information, the drive's enable and
// speed command and live measurements on the right; each an edit box at the right of its
// caption, in both preset styles.

// The page's name in messages, where a form file's path would be.
inline constexpr std::string_view kDrivePageName = "the built-in drive page";
// The page's form file text.
std::string_view drivePageText();
// Reads the page into the form as FormFile::fromJson reads any form (the controls unbound).
void loadDrivePage(Form& form);
// How a page of parameters is laid out: one control a row, named after its parameter's key, the
// caption at the left and the edit box at its right.
struct ParameterPageLayout {
  Form::Placement firstRow;       // the first control's place and size, twips
  float rowPitch = 480;           // from one row's top to the next; a taller control takes more
  float numberEditor = 900;       // the edit box's width for a number
  float textEditor = 1620;        // and for a text
  bool editorInFormFont = false;  // the edit box in the form's font (a window's) too
};
// The terminal host's rows: the width of the built-in page's.
inline constexpr ParameterPageLayout kTerminalPageLayout{{90, 0, 3510, 295}};
// A window's rows: wider, the edit box in the window's font.
inline constexpr ParameterPageLayout kWindowPageLayout{
    {320, 120, 6600, 420}, 480, 1800, 1800, true};

// A page of the given parameters, or of those of one group, one under another in the
// description's order (the controls unbound). A drive of another description gets such a page
// instead of the built-in one; a window shows one a group.
void fillParameterPage(Form& form, std::span<const ParameterInfo> parameters,
                       const ParameterPageLayout& layout = kTerminalPageLayout,
                       std::optional<ParameterGroup> group = std::nullopt);

}  // namespace kadrelle
#pragma GCC visibility pop
