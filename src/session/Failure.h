#pragma once

#include <exception>
#include <string>

#include "platform/Error.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// A failure as every program says it: the description, then the error number
// ("f.json.controls[0]: ... (error 321)").
inline std::string failureText(const std::exception& e) {
  const Error error = asError(e);
  return error.description() + " (error " + std::to_string(error.number()) + ")";
}

}  // namespace kadrelle
#pragma GCC visibility pop
