// kadrelle: places controls on a headless form bound to a simulated drive, prints their trace
// lines and their public state. Trace verbosity comes from the user's "Debug" setting.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "DriveCommands.h"
#include "brommet/BrommetLibrary.h"
#include "brommet/ParameterCatalog.h"
#include "control/Kadrelle.h"
#include "host/Form.h"
#include "host/FormFile.h"
#include "ombrel/OmbrelFactory.h"
#include "platform/Error.h"
#include "platform/HeadlessToolkit.h"
#include "platform/IniSettingsStore.h"

namespace {

using namespace kadrelle;

// Trace lines go to standard output, between the state reports, one line each.
class PrintingChannel : public DebugChannel {
 public:
  void Output(std::string_view line) override {
    if (line.size() >= 2 && line.substr(line.size() - 2) == "\r\n") line.remove_suffix(2);
    std::cout << "trace: " << line << '\n';
  }
};

// The user's settings, with the trace mask optionally given on the command line.
class CommandLineSettings : public SettingsStore {
 public:
  std::string GetSetting(const std::string& application, const std::string& section,
                         const std::string& key, const std::string& defaultValue) override {
    if (!debug.empty() && application == Kadrelle::kTypeName && section == "1" && key == "Debug") {
      return debug;
    }
    return user_.GetSetting(application, section, key, defaultValue);
  }
  std::string debug;

 private:
  IniSettingsStore user_;
};

std::string hex(std::uint32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", v);
  return buf;
}

void printState(const std::string& name, Kadrelle& k) {
  std::cout << name << '\n';
  auto row = [](const char* what, const std::string& value) {
    std::printf("  %-17s %s\n", what, value.c_str());
  };
  auto flag = [](Boolean b) { return booleanText(b); };
  row("ParamKey", k.get_ParamKey());
  row("Parameter", std::to_string(k.get_Parameter()));
  row("Caption", k.children().caption.get_Text());
  row("Text", k.get_Text());
  row("Value", CStr(k.get_Value()));
  row("Enabled", flag(k.get_Enabled()));
  row("DisplayMode", std::to_string(k.get_DisplayMode()));
  row("EditorWidth", numberText(k.get_EditorWidth()));
  row("EditorPosition", std::to_string(k.get_EditorPosition()));
  row("CaptionPosition", std::to_string(k.get_CaptionPosition()));
  row("BackColor", hex(k.get_BackColor()));
  row("ForeColor", hex(k.get_ForeColor()));
  row("TransparentBack", flag(k.get_TransparentBack()));
  row("UnitsFontScale", std::to_string(k.get_UnitsFontScale()));
  row("PresetStyle", std::to_string(k.get_PresetStyle()));
  row("BorderStyle", std::to_string(k.get_BorderStyle()));
  row("UseLimits", flag(k.get_UseLimits()));
  row("SignLock", flag(k.get_SignLock()));
  row("ZeroException", flag(k.get_ZeroException()));
  row("CausesValidation", flag(k.get_CausesValidation()));
  row("ToolTipText", k.get_ToolTipText());
  row("UserDescription", k.get_UserDescription());
  row("UserUnit", k.get_UserUnit());
  const FontRef font = k.get_Font();
  row("Font", font ? font->get_Name() + " " + numberText(font->get_Size()) : "(none)");
  const FontRef captionFont = k.get_CaptionFont();
  row("CaptionFont", captionFont
                         ? captionFont->get_Name() + " " + numberText(captionFont->get_Size()) +
                               (captionFont->get_Bold() ? " bold" : "")
                         : "(none)");
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Kadrelle: parameter-edit controls on a headless form bound to a simulated drive"};
  app.set_version_flag("--version", "kadrelle " KADRELLE_VERSION);
  DriveCommands driveCommands(app);
  std::string formFile;
  std::string saveFile;
  app.add_option("--form", formFile,
                 "Load the controls from this form file instead of placing two new ones")
      ->check(CLI::ExistingFile);
  app.add_option("--save", saveFile, "Save the form to this file when done");
  CommandLineSettings settings;
  app.add_option("--debug", settings.debug,
                 "Trace mask (overrides the Debug setting; -1 traces everything)");
  CLI11_PARSE(app, argc, argv);
  try {
    if (int status = driveCommands.run(); status >= 0) return status;
  } catch (const Error& e) {
    std::cerr << "kadrelle: " << e.description() << " (error " << e.number() << ")\n";
    return 1;
  }

  try {
    auto drive = std::make_shared<ServoDrive>();
    BrommetLibrary library(drive);
    drive->appLock()->put_Level(2);  // engineer
    HeadlessToolkit toolkit;
    OmbrelFactory editBoxes;
    PrintingChannel channel;
    Form form({toolkit, editBoxes, library, settings, channel});
    std::vector<std::string> events;

    if (!formFile.empty()) {
      FormFile::load(formFile, form);
    } else {
      form.addNew("", {120, 120, 4200, 400});
      form.addNew("", {120, 600, 4200, 400});
      for (std::size_t i = 0; i < form.size(); ++i) form.control(i).put_EditorWidth(1400);
      form.control(0).put_Parameter(param::SpeedLimit);
      form.control(1).put_Parameter(param::DriveName);
      form.control(1).put_PresetStyle(CorvoStyle);
    }

    // Bind each control to the parameter it names, and report what the user would see.
    std::vector<Connection> connections;
    for (std::size_t i = 0; i < form.size(); ++i) {
      Kadrelle& k = form.control(i);
      const std::string name = form.name(i);
      connections.push_back(
          k.Change.connect([&events, name] { events.push_back(name + ": Change"); }));
      connections.push_back(
          k.UpdateError.connect([&events, name](std::int32_t& code, std::string& text) {
            events.push_back(name + ": UpdateError " + std::to_string(code) + " " + text);
          }));
      if (k.get_Parameter() != 0) k.putref_ValueObjRef(library.makeValueObject(k.get_Parameter()));
    }

    // A user's entries: an accepted speed limit, then one above the maximum.
    if (formFile.empty()) {
      EditBox& speed = form.control(0).children().editBox;
      for (const char* entry : {"3000\r", "12000\r"}) {
        speed.focusIn();
        speed.typeText(entry);
      }
      EditBox& name = form.control(1).children().editBox;
      name.focusIn();
      name.typeText("Axis X\r");
    }

    for (std::size_t i = 0; i < form.size(); ++i) {
      printState(form.name(i), form.control(i));
    }
    for (const auto& e : events) std::cout << "event: " << e << '\n';
    std::cout << "drive: speed limit " << numberText(drive->value(param::SpeedLimit))
              << " counts/s, name \"" << drive->text(param::DriveName) << "\"\n";

    if (!saveFile.empty()) {
      FormFile::save(form, saveFile);
      std::cout << "saved: " << saveFile << '\n';
    }
  } catch (const Error& e) {
    std::cerr << "kadrelle: " << e.description() << " (error " << e.number() << ")\n";
    return 1;
  }
  return 0;
}
