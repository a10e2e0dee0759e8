// Embeds one Kadrelle control in a minimal host: binds it to the speed limit of the simulated
// drive, types a value into its edit box as a user would, and prints what the control shows.
#include <iostream>
#include <memory>
#include <string>

#include "brommet/BrommetLibrary.h"
#include "brommet/ParameterCatalog.h"
#include "control/Kadrelle.h"
#include "ombrel/OmbrelFactory.h"
#include "platform/DebugChannel.h"
#include "platform/HeadlessToolkit.h"
#include "platform/IniSettingsStore.h"
#include "platform/MemoryPropertyBag.h"

// The container a host gives each control: it hears property changes and names the instance.
class Host : public kadrelle::Container {
 public:
  void PropertyChanged(const std::string& name) override {
    std::cout << "changed " << name << '\n';
  }
  kadrelle::FontRef AmbientFont() override { return kadrelle::makeFont(); }
  std::string AmbientDisplayName() override { return "Speed"; }
};

int main() {
  using namespace kadrelle;
  Host container;
  HeadlessToolkit toolkit;  // no drawing; a GUI toolkit draws the same children
  OmbrelFactory editBoxFactory;
  BrommetLibrary valueLibrary;  // a simulated servo drive of its own
  IniSettingsStore settings;    // the user's trace mask, ~/.config/Kadrelle.ini
  StderrDebugChannel debug;

  try {
    // One site per control; the control keeps a copy, the services must outlive it.
    Kadrelle control(
        ControlSite{container, toolkit, editBoxFactory, valueLibrary, settings, debug});
    control.UserControl_InitProperties();          // a new control (or UserControl_ReadProperties)
    control.children().surface.resize(4000, 400);  // twips; lays out the edit box
    control.put_EditorWidth(1200);

    Connection changed = control.Change.connect([&] { std::cout << "Change\n"; });
    Connection refused = control.UpdateError.connect([](std::int32_t& code, std::string& text) {
      std::cout << "UpdateError " << code << ": " << text << '\n';
    });

    // Bind a parameter: the value object selects it by number. The user needs the lock level
    // the parameter asks for to edit it.
    ValueObjectRef speedLimit = valueLibrary.createValueObject();
    speedLimit->put_ParameterNumber(param::SpeedLimit);
    control.putref_ValueObjRef(speedLimit);
    valueLibrary.drive().appLock()->put_Level(3);

    // Type an entry as a user would: focus, characters, Enter.
    EditBox& box = control.children().editBox;
    box.focusIn();
    box.typeText("4500\r");

    std::cout << "caption: " << control.children().caption.get_Text() << '\n'
              << "shown:   " << control.get_Text() << '\n'
              << "drive:   " << valueLibrary.drive().value(param::SpeedLimit) << " counts/s\n";

    MemoryPropertyBag bag;
    control.UserControl_WriteProperties(bag);  // the design-time state a host saves
    std::cout << "saved:   " << bag.entries().size() << " settings\n";
    return control.get_Text().empty() ? 1 : 0;
  } catch (const Error& e) {
    std::cerr << "embed: " << e.description() << " (error " << e.number() << ")\n";
    return 1;
  }
}
