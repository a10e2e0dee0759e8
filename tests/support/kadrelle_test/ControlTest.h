#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "kadrelle_test/Fakes.h"

namespace kadrelle::test {

// The fixture of the control's tests: a recording site and one control on it, set up as a new
// instance (or left as just constructed), with the logs of that set-up cleared.
class ControlTest : public testing::Test {
 protected:
  explicit ControlTest(const char* debug = nullptr, bool initialize = true)
      : k(made(debug, initialize)) {}

  TestSite t;
  Kadrelle& k;
  std::shared_ptr<FakeValueObject> value = t.makeValue();  // not bound
  int changeCount = 0;                                     // Change events raised
  Connection changes = k.Change.connect([this] { ++changeCount; });

  // Runs `body` while the control loads: inside UserControl_ReadProperties of a bag holding the
  // control's own settings, as the last row is read (so the body's settings stay, but UserUnit).
  void whileLoading(const std::function<void()>& body) {
    RecordingBag bag;
    k.UserControl_WriteProperties(bag);
    bag.onRead = [&](const std::string& key) {
      if (key == "UserUnit") body();
    };
    k.UserControl_ReadProperties(bag);
  }

 private:
  Kadrelle& made(const char* debug, bool initialize) {
    if (debug) t.settings.setDebug(debug);
    Kadrelle& made = t.make();
    if (initialize) made.UserControl_InitProperties();
    t.clear();
    return made;
  }
};

}  // namespace kadrelle::test
