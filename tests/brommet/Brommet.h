#pragma once

// What the value library's tests share: a recorder of a value object's events and a drive
// session.
#include <string>
#include <vector>

#include "brommet/BrommetLibrary.h"
#include "kadrelle_test/Checks.h"

namespace kadrelle {

using test::throwsError;

// Every event of one value object in order: "ValueChanged 4500", "UpdateError 30001 text".
struct Recorder {
  explicit Recorder(ValueObject& object) {
    auto add = [this](const char* name) {
      return [this, name](const Variant& v) { events.push_back(name + (" " + CStr(v))); };
    };
    connections.push_back(object.Changed.connect(add("Changed")));
    connections.push_back(object.ValueChanged.connect(add("ValueChanged")));
    connections.push_back(object.ContentChanged.connect(add("ContentChanged")));
    connections.push_back(object.Refresh.connect(add("Refresh")));
    connections.push_back(object.UpdateError.connect([this](std::int32_t& code, std::string& text) {
      events.push_back("UpdateError " + std::to_string(code) + " " + text);
    }));
  }
  std::vector<std::string> events;
  std::vector<Connection> connections;
};

// A drive session whose application holds lock level 2 (engineer).
class DriveSession : public ::testing::Test {
 protected:
  DriveSession() { drive().appLock()->put_Level(2); }
  ServoDrive& drive() { return library.drive(); }
  auto bound(ParameterNumbers number) { return library.makeValueObject(number); }
  BrommetLibrary library;
};

}  // namespace kadrelle
