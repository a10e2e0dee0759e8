#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// The one error type of the control and its platform: a Basic-style error number and a
// description. Routines end at the failing step and let it travel to their caller; the few that
// trap say so where they do.
class Error : public std::runtime_error {
 public:
  Error(int number, std::string description)
      : std::runtime_error(description), number_(number), description_(std::move(description)) {}

  int number() const noexcept { return number_; }
  const std::string& description() const noexcept { return description_; }

  static constexpr int kInvalidCall = 5;
  static constexpr int kOverflow = 6;
  static constexpr int kTypeMismatch = 13;
  static constexpr int kObjectNotSet = 91;
  static constexpr int kObjectRequired = 424;
  static constexpr int kInvalidPropertyValue = 380;
  static constexpr int kNoSuchMember = 438;
  static constexpr int kFileNotFound = 53;
  static constexpr int kFileAccess = 75;  // path/file access error
  static constexpr int kBadFileFormat = 321;

  static Error invalidCall() { return {kInvalidCall, "Invalid procedure call or argument"}; }
  static Error overflow() { return {kOverflow, "Overflow"}; }
  static Error typeMismatch() { return {kTypeMismatch, "Type mismatch"}; }
  static Error objectNotSet() {
    return {kObjectNotSet, "Object variable or With block variable not set"};
  }
  static Error objectRequired() { return {kObjectRequired, "Object required"}; }
  static Error invalidPropertyValue() { return {kInvalidPropertyValue, "Invalid property value"}; }
  static Error noSuchMember() {
    return {kNoSuchMember, "Object doesn't support this property or method"};
  }
  // File errors begin with the file (or the place in it) they concern.
  static Error fileNotFound(const std::string& file) {
    return {kFileNotFound, file + ": file not found"};
  }
  static Error fileAccess(const std::string& file, const std::string& reason) {
    return {kFileAccess, file + ": " + reason};
  }
  static Error badFileFormat(const std::string& where, const std::string& what) {
    return {kBadFileFormat, where + ": " + what};
  }

 private:
  int number_;
  std::string description_;
};

// Any exception from code the control calls, as the Error it counts as: an Error as it is,
// anything else as error 5 with its what() as the description.
inline Error asError(const std::exception& e) {
  if (const auto* error = dynamic_cast<const Error*>(&e)) return *error;
  return Error(Error::kInvalidCall, e.what());
}

// Uses an object reference the way Basic does: a null reference is error 91.
template <class T>
T& deref(const std::shared_ptr<T>& p) {
  if (!p) throw Error::objectNotSet();
  return *p;
}

}  // namespace kadrelle
#pragma GCC visibility pop
