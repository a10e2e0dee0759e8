#include "host/Form.h"

#include "platform/Error.h"

namespace kadrelle {

// One control and the container it sees.
struct Form::Entry : Container {
  Entry(Form& form, std::string instanceName) : form(form), name(std::move(instanceName)) {}

  void PropertyChanged(const std::string& property) override {
    form.changed_ = true;
    if (form.onPropertyChanged) form.onPropertyChanged(name, property);
  }
  FontRef AmbientFont() override { return form.ambientFont ? form.ambientFont() : makeFont(); }
  std::string AmbientDisplayName() override { return name; }

  Form& form;
  std::string name;
  std::unique_ptr<Kadrelle> control;
};

Form::Form(const Services& services) : services_(services) {}
Form::~Form() = default;

// Controls are placed once their settings are in, as a form designer does.
Form::Entry& Form::makeEntry(std::string name, Placement placement) {
  if (name.empty()) {
    for (std::size_t n = controls_.size() + 1;; ++n) {
      name = "Kadrelle" + std::to_string(n);
      if (!find(name)) break;
    }
  } else if (find(name)) {
    throw Error(Error::kInvalidPropertyValue,
                "A control named " + name + " is already on the form");
  }
  auto entry = std::make_unique<Entry>(*this, std::move(name));
  entry->control = std::make_unique<Kadrelle>(ControlSite{*entry, services_.toolkit,
                                                          services_.editBoxes, services_.values,
                                                          services_.settings, services_.debug});
  controls_.push_back(std::move(entry));
  try {
    positions_.push_back(placement);
    byName_.emplace(controls_.back()->name, controls_.back()->control.get());
  } catch (...) {
    positions_.resize(controls_.size() - 1);
    controls_.pop_back();
    throw;
  }
  return *controls_.back();
}

void Form::place(Kadrelle& control, Placement placement) {
  ControlSurface& s = control.children().surface;
  if (s.get_Width() == placement.width && s.get_Height() == placement.height) {
    // Already that size: the control still gets its first layout pass.
    control.UserControl_Resize();
  } else {
    s.resize(placement.width, placement.height);
  }
}

Kadrelle& Form::addNew(std::string name, Placement placement) {
  Entry& e = makeEntry(std::move(name), placement);
  e.control->UserControl_InitProperties();
  place(*e.control, placement);
  return *e.control;
}

Kadrelle& Form::addSaved(std::string name, Placement placement, PropertyBag& bag) {
  Entry& e = makeEntry(std::move(name), placement);
  e.control->UserControl_ReadProperties(bag);
  place(*e.control, placement);
  return *e.control;
}

void Form::truncate(std::size_t count) {
  while (controls_.size() > count) {
    byName_.erase(controls_.back()->name);
    controls_.pop_back();
    positions_.pop_back();
  }
}

Kadrelle& Form::control(std::size_t index) {
  return *controls_.at(index)->control;
}
const std::string& Form::name(std::size_t index) const {
  return controls_.at(index)->name;
}

Form::Placement Form::placement(std::size_t index) const {
  const Entry& e = *controls_.at(index);
  Placement p = positions_.at(index);
  p.width = e.control->children().surface.get_Width();
  p.height = e.control->children().surface.get_Height();
  return p;
}

Kadrelle* Form::find(const std::string& name) {
  auto it = byName_.find(name);
  return it == byName_.end() ? nullptr : it->second;
}

}  // namespace kadrelle
