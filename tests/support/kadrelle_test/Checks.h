#pragma once

// What every test program may share: a matcher for thrown errors and a folder of its own.
#include <gmock/gmock.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/Error.h"

namespace kadrelle::test {

// Matches a callable that throws Error with a number and a description the matchers accept.
inline auto throwsError(
    ::testing::Matcher<int> number,
    ::testing::Matcher<const std::string&> description = ::testing::A<const std::string&>()) {
  return ::testing::Throws<Error>(
      ::testing::AllOf(::testing::Property(&Error::number, number),
                       ::testing::Property(&Error::description, description)));
}

// A new folder under the system's temporary one, removed with everything in it at the end.
struct TempFolder {
  explicit TempFolder(const std::string& prefix = "kadrelle-test")
      : path(::mkdtemp(
            (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string().data())) {}
  ~TempFolder() {
    std::error_code ignored;  // a killed writer's temporary may still be going away
    std::filesystem::remove_all(path, ignored);
  }
  std::filesystem::path path;
};

// The whole content of a file; empty when it cannot be read.
inline std::string readText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace kadrelle::test
