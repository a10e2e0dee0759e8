#pragma once

#include <gmock/gmock.h>

#include <string>

#include "platform/Error.h"

namespace kadrelle {

// Matches a callable that throws Error with that number and a description the matcher accepts.
inline auto throwsError(int number, ::testing::Matcher<const std::string&> description =
                                        ::testing::A<const std::string&>()) {
  return ::testing::Throws<Error>(
      ::testing::AllOf(::testing::Property(&Error::number, number),
                       ::testing::Property(&Error::description, description)));
}

}  // namespace kadrelle
