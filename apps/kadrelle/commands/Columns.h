#pragma once

#include <cstdint>
#include <string>

#include "platform/Text.h"

namespace kadrelle {

// Text padded with blanks to `width` columns as a terminal shows it, so that columns line up
// after a unit that is not ASCII ("°C" is two bytes and one column).
inline std::string padded(std::string text, std::int32_t width) {
  const std::int32_t shown = utf8Length(text);
  if (shown < width) text.append(static_cast<std::size_t>(width - shown), ' ');
  return text;
}

}  // namespace kadrelle
