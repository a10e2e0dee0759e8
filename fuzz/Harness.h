#pragma once

// What the harnesses' controls run on: the headless toolkit, the real edit box and the simulated
// drive, with no stored settings and trace lines dropped.
#include <string>
#include <string_view>

#include "brommet/BrommetLibrary.h"
#include "host/Form.h"
#include "ombrel/OmbrelFactory.h"
#include "platform/HeadlessToolkit.h"

namespace kadrelle::fuzz {

class Quiet : public DebugChannel {
 public:
  void Output(std::string_view) override {}
};

class NoSettings : public SettingsStore {
 public:
  std::string GetSetting(const std::string&, const std::string&, const std::string&,
                         const std::string& defaultValue) override {
    return defaultValue;
  }
};

struct Harness {
  // One drive for the whole run, as a program has.
  static BrommetLibrary& library() {
    static BrommetLibrary drive;
    return drive;
  }
  Form::Services services() { return {toolkit, boxes, library(), settings, quiet}; }

  HeadlessToolkit toolkit;
  OmbrelFactory boxes;
  NoSettings settings;
  Quiet quiet;
};

}  // namespace kadrelle::fuzz
