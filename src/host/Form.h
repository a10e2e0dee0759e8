#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "control/Kadrelle.h"
#include "platform/PropertyBag.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// A form: several controls in tab order, each with its instance name and its place. The form is
// the container of each of its controls; any property-changed notification marks it as changed,
// so a host knows when to save.
class Form {
 public:
  struct Services {
    Toolkit& toolkit;
    EditBoxFactory& editBoxes;
    ValueLibrary& values;
    SettingsStore& settings;
    DebugChannel& debug;
  };

  // Where a control sits on the form, in twips.
  struct Placement {
    float left = 0, top = 0, width = 3195, height = 825;
  };

  explicit Form(const Services& services);
  ~Form();
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  // A new control (its defaults come from the new-instance initialisation). The name must be
  // unique on the form; an empty name gets the next free "Kadrelle<n>".
  Kadrelle& addNew(std::string name, Placement placement);
  // A saved control, its settings read from the bag.
  Kadrelle& addSaved(std::string name, Placement placement, PropertyBag& bag);

  std::size_t size() const { return controls_.size(); }
  // Takes the controls after the first `count` off the form (what a failed load added).
  void truncate(std::size_t count);
  Kadrelle& control(std::size_t index);
  const std::string& name(std::size_t index) const;
  Placement placement(std::size_t index) const;
  // The control of that name, or nullptr.
  Kadrelle* find(const std::string& name);

  bool changed() const { return changed_; }
  void markSaved() { changed_ = false; }
  // Every property-changed notification, with the name of the control that sent it.
  std::function<void(const std::string& control, const std::string& property)> onPropertyChanged;
  // The font a control added later takes when nothing sets its own (the window's font, say);
  // unset, the control's default font.
  std::function<FontRef()> ambientFont;

 private:
  struct Entry;
  Entry& makeEntry(std::string name, Placement placement);
  static void place(Kadrelle& control, Placement placement);

  Services services_;
  std::vector<std::unique_ptr<Entry>> controls_;
  std::vector<Placement> positions_;  // left and top; the size lives in each surface
  std::unordered_map<std::string, Kadrelle*> byName_;  // every control, by its name
  bool changed_ = false;
};

}  // namespace kadrelle
#pragma GCC visibility pop
