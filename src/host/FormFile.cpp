#include "host/FormFile.h"

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>

#include "platform/Error.h"
#include "platform/FileIo.h"
#include "platform/StdFont.h"

namespace kadrelle {

namespace {

using nlohmann::json;

constexpr std::uintmax_t kMaxFormSize = 16u << 20;

[[noreturn]] void bad(const std::string& where, const std::string& what) {
  throw Error::badFileFormat(where, what);
}

bool sameFont(const StdFont& a, const StdFont& b) {
  return a == b;
}

json fontToJson(const FontRef& f) {
  if (!f) return nullptr;
  return json{{"charset", f->get_Charset()},
              {"name", f->get_Name()},
              {"size", f->get_Size().toDouble()},
              {"bold", static_cast<bool>(f->get_Bold())},
              {"italic", static_cast<bool>(f->get_Italic())},
              {"weight", f->get_Weight()},
              {"strikethrough", static_cast<bool>(f->get_Strikethrough())},
              {"underline", static_cast<bool>(f->get_Underline())}};
}

json valueToJson(const Variant& v) {
  json out;
  out["type"] = Variant::typeName(v.type());
  switch (v.type()) {
    case Variant::Type::Empty:
      out["value"] = nullptr;
      break;
    case Variant::Type::Boolean:
      out["value"] = static_cast<bool>(*v.get<Boolean>());
      break;
    case Variant::Type::Integer:
      out["value"] = *v.get<std::int16_t>();
      break;
    case Variant::Type::Long:
      out["value"] = *v.get<std::int32_t>();
      break;
    case Variant::Type::Single:
      out["value"] = *v.get<float>();
      break;
    case Variant::Type::Double:
      out["value"] = *v.get<double>();
      break;
    case Variant::Type::Currency:
      out["value"] = v.get<Currency>()->toDouble();
      break;
    case Variant::Type::String:
      out["value"] = *v.get<std::string>();
      break;
    case Variant::Type::Object:
      // The only objects a control saves are fonts.
      out["type"] = "Font";
      out["value"] = fontToJson(objectOf<StdFont>(v));
      break;
  }
  return out;
}

template <class T>
T integer(const json& j, const std::string& where) {
  if (!j.is_number_integer()) bad(where, "expected a whole number");
  if (j.is_number_unsigned() && j.get<std::uint64_t>() > std::uint64_t{INT64_MAX})
    bad(where, "number " + j.dump() + " is out of range");
  auto n = j.get<std::int64_t>();
  if (n < std::numeric_limits<T>::min() || n > std::numeric_limits<T>::max()) {
    bad(where, "number " + std::to_string(n) + " is out of range");
  }
  return static_cast<T>(n);
}

double number(const json& j, const std::string& where) {
  if (!j.is_number()) bad(where, "expected a number");
  double d = j.get<double>();
  if (!std::isfinite(d)) bad(where, "expected a finite number");
  return d;
}

bool boolean(const json& j, const std::string& where) {
  if (!j.is_boolean()) bad(where, "expected true or false");
  return j.get<bool>();
}

std::string text(const json& j, const std::string& where) {
  if (!j.is_string()) bad(where, "expected a string");
  return j.get<std::string>();
}

const json& member(const json& obj, const char* key, const std::string& where) {
  auto it = obj.find(key);
  if (it == obj.end()) bad(where, std::string("missing \"") + key + "\"");
  return *it;
}

void onlyKeys(const json& obj, std::initializer_list<const char*> keys, const std::string& where) {
  for (auto it = obj.begin(); it != obj.end(); ++it) {
    bool known = false;
    for (const char* k : keys) known = known || it.key() == k;
    if (!known) bad(where, "unknown entry \"" + it.key() + "\"");
  }
}

FontRef fontFromJson(const json& j, const std::string& where) {
  if (j.is_null()) return nullptr;
  if (!j.is_object()) bad(where, "expected a font object");
  onlyKeys(j, {"charset", "name", "size", "bold", "italic", "weight", "strikethrough", "underline"},
           where);
  auto f = std::make_shared<StdFont>();
  f->put_Charset(integer<std::int16_t>(member(j, "charset", where), where + ".charset"));
  f->put_Name(text(member(j, "name", where), where + ".name"));
  try {
    f->put_Size(Currency::fromDouble(number(member(j, "size", where), where + ".size")));
  } catch (const Error&) {
    bad(where + ".size", "size is out of range");
  }
  f->put_Bold(boolean(member(j, "bold", where), where + ".bold"));
  f->put_Italic(boolean(member(j, "italic", where), where + ".italic"));
  f->put_Weight(integer<std::int16_t>(member(j, "weight", where), where + ".weight"));
  f->put_Strikethrough(boolean(member(j, "strikethrough", where), where + ".strikethrough"));
  f->put_Underline(boolean(member(j, "underline", where), where + ".underline"));
  return f;
}

Variant valueFromJson(const json& entry, const std::string& where) {
  const std::string type = text(member(entry, "type", where), where + ".type");
  const json& v = member(entry, "value", where);
  const std::string at = where + ".value";
  if (type == "Empty") {
    if (!v.is_null()) bad(at, "expected null");
    return Variant();
  }
  if (type == "Boolean") return Variant(Boolean(boolean(v, at)));
  if (type == "Integer") return Variant(integer<std::int16_t>(v, at));
  if (type == "Long") return Variant(integer<std::int32_t>(v, at));
  if (type == "Single") {
    double d = number(v, at);
    if (std::fabs(d) > std::numeric_limits<float>::max()) bad(at, "number is out of range");
    return Variant(static_cast<float>(d));
  }
  if (type == "Double") return Variant(number(v, at));
  if (type == "Currency") {
    try {
      return Variant(Currency::fromDouble(number(v, at)));
    } catch (const Error&) {
      bad(at, "number is out of range");
    }
  }
  if (type == "String") return Variant(text(v, at));
  if (type == "Font") return Variant(fontFromJson(v, at));
  bad(where + ".type", "unknown value type \"" + type + "\"");
}

// A control's saved settings, remembering which keys the control read: a read that a refused
// value cut short ends at that value's key.
class ReadingBag : public MemoryPropertyBag {
 public:
  Variant ReadProperty(const std::string& name, const Variant& defaultValue) override {
    read.push_back(name);
    return MemoryPropertyBag::ReadProperty(name, defaultValue);
  }
  std::vector<std::string> read;
  std::vector<std::string> places;  // where each setting stands in the file, in bag order
};

struct Pending {
  std::string name;
  Form::Placement at;
  ReadingBag bag;
};

// The place of the setting of that key in the file, or "" when the file does not hold it.
std::string placeOf(const ReadingBag& bag, const std::string& key) {
  const auto& entries = bag.entries();
  for (std::size_t k = 0; k < entries.size(); ++k)
    if (entries[k].first == key) return bag.places[k];
  return {};
}

[[noreturn]] void refused(const Pending& p, const std::string& control, const std::string& why) {
  const std::string key = p.bag.read.empty() ? std::string() : p.bag.read.back();
  const std::string place = placeOf(p.bag, key);
  if (place.empty()) bad(control, "the control cannot read its settings" + why);
  bad(place + ".value", "the control refuses this value of \"" + key + "\"" + why);
}

void readControl(Pending& p, std::size_t index, const std::string& where, Form& form) {
  const std::string at = where + ".controls[" + std::to_string(index) + "]";
  // The keys the control saves are the keys it reads, all of them unless a value stopped it.
  MemoryPropertyBag keys;
  try {
    form.addSaved(p.name, p.at, p.bag).UserControl_WriteProperties(keys);
  } catch (const std::exception& e) {
    refused(p, at, std::string(" (") + e.what() + ")");
  }
  if (p.bag.read.size() < keys.entries().size()) refused(p, at, "");
  for (std::size_t k = 0; k < p.bag.entries().size(); ++k) {
    const std::string& key = p.bag.entries()[k].first;
    if (!keys.find(key)) bad(p.bag.places[k] + ".key", "unknown setting \"" + key + "\"");
  }
}

}  // namespace

void DesignTimeBag::WriteProperty(const std::string& name, const Variant& value,
                                  const Variant& defaultValue) {
  if (value == defaultValue) return;
  if (CanLeaveOut(value, defaultValue)) return;
  MemoryPropertyBag::WriteProperty(name, value, defaultValue);
}

bool DesignTimeBag::CanLeaveOut(const Variant& value, const Variant& defaultValue) {
  const auto* f = value.get<ObjectRef>();
  const auto* d = defaultValue.get<ObjectRef>();
  if (f && d) {
    auto a = std::dynamic_pointer_cast<StdFont>(*f), b = std::dynamic_pointer_cast<StdFont>(*d);
    return a && b && sameFont(*a, *b);
  }
  // As in Basic, equal numbers of different types are equal (a Single 0 or False against an
  // Integer default 0), and Empty equals 0.
  auto numeric = [](const Variant& v) { return v.isEmpty() || v.holdsNumber(); };
  return numeric(value) && numeric(defaultValue) && CDbl(value) == CDbl(defaultValue);
}

namespace FormFile {

std::string toJson(Form& form) {
  json controls = json::array();
  for (std::size_t i = 0; i < form.size(); ++i) {
    DesignTimeBag bag;
    form.control(i).UserControl_WriteProperties(bag);
    json properties = json::array();
    for (const auto& [key, value] : bag.entries()) {
      json p = valueToJson(value);
      p["key"] = key;
      properties.push_back(std::move(p));
    }
    Form::Placement at = form.placement(i);
    controls.push_back(json{{"type", Kadrelle::kTypeName},
                            {"name", form.name(i)},
                            {"left", at.left},
                            {"top", at.top},
                            {"width", at.width},
                            {"height", at.height},
                            {"properties", std::move(properties)}});
  }
  json doc{{"format", "kadrelle-form"}, {"version", 1}, {"controls", std::move(controls)}};
  return doc.dump(2) + "\n";
}

void fromJson(const std::string& content, const std::string& where, Form& form) {
  json doc;
  try {
    doc = json::parse(content);
  } catch (const json::exception& e) {  // syntax, and numbers beyond any range
    bad(where, std::string("not a JSON document (") + e.what() + ")");
  }
  if (!doc.is_object()) bad(where, "expected a JSON object");
  onlyKeys(doc, {"format", "version", "controls"}, where);
  if (text(member(doc, "format", where), where + ".format") != "kadrelle-form") {
    bad(where + ".format", "not a Kadrelle form");
  }
  if (integer<std::int32_t>(member(doc, "version", where), where + ".version") != 1) {
    bad(where + ".version", "unsupported version");
  }
  const json& controls = member(doc, "controls", where);
  if (!controls.is_array()) bad(where + ".controls", "expected a list of controls");

  // Check everything before creating anything, so a bad file loads nothing.
  std::vector<Pending> pending;
  for (std::size_t i = 0; i < controls.size(); ++i) {
    const std::string at = where + ".controls[" + std::to_string(i) + "]";
    const json& c = controls[i];
    if (!c.is_object()) bad(at, "expected a control object");
    onlyKeys(c, {"type", "name", "left", "top", "width", "height", "properties"}, at);
    if (text(member(c, "type", at), at + ".type") != Kadrelle::kTypeName) {
      bad(at + ".type", "unknown control type");
    }
    Pending p;
    p.name = text(member(c, "name", at), at + ".name");
    if (p.name.empty()) bad(at + ".name", "a control needs a name");
    for (const auto& other : pending) {
      if (other.name == p.name) bad(at + ".name", "duplicate control name \"" + p.name + "\"");
    }
    auto length = [&](const char* key, bool size) {
      double d = number(member(c, key, at), at + "." + key);
      if (std::fabs(d) > 1e7 || (size && d < 0)) bad(at + "." + key, "length is out of range");
      return static_cast<float>(d);
    };
    p.at = {length("left", false), length("top", false), length("width", true),
            length("height", true)};
    const json& props = member(c, "properties", at);
    if (!props.is_array()) bad(at + ".properties", "expected a list of settings");
    for (std::size_t k = 0; k < props.size(); ++k) {
      const std::string pat = at + ".properties[" + std::to_string(k) + "]";
      const json& prop = props[k];
      if (!prop.is_object()) bad(pat, "expected a setting object");
      onlyKeys(prop, {"key", "type", "value"}, pat);
      std::string key = text(member(prop, "key", pat), pat + ".key");
      if (p.bag.find(key)) bad(pat + ".key", "duplicate setting \"" + key + "\"");
      p.bag.set(key, valueFromJson(prop, pat));
      p.bag.places.push_back(pat);
    }
    pending.push_back(std::move(p));
  }
  for (auto& p : pending) {
    if (form.find(p.name)) bad(where, "a control named " + p.name + " is already on the form");
  }
  // Each control reads its settings; a value the control refuses, or a key it does not know,
  // takes every control of this file off the form again.
  const std::size_t before = form.size();
  const bool changed = form.changed();
  try {
    for (std::size_t i = 0; i < pending.size(); ++i) readControl(pending[i], i, where, form);
  } catch (...) {
    form.truncate(before);
    if (!changed) form.markSaved();
    throw;
  }
  form.markSaved();
}

void load(const std::filesystem::path& file, Form& form) {
  fromJson(readFileCapped(file, kMaxFormSize), file.string(), form);
}

void save(Form& form, const std::filesystem::path& file) {
  writeFileAtomically(file, toJson(form), true);
  form.markSaved();
}

}  // namespace FormFile

}  // namespace kadrelle
