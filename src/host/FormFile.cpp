#include "host/FormFile.h"

#include <cmath>
#include <cstdint>
#include <deque>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <string_view>
#include <unordered_set>

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
      out["value"] = CSng(v);  // JSON has no NaN or infinity: overflow, as the reader would
      break;
    case Variant::Type::Double:
      out["value"] = CDbl(v);
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

// A JSON document read once into one flat list of values in document order. A value's members
// (or elements) follow it, up to `end`; keys and strings live in one text buffer. Lookups follow
// the usual reading of JSON objects: of a repeated key the last value counts, and the key set is
// taken in sorted order when one is reported.
class Document {
 public:
  enum class Kind : std::uint8_t { Null, Boolean, Integer, Unsigned, Float, String, Object, Array };
  struct Node {
    Kind kind;
    bool boolean = false;
    std::uint32_t end = 0;  // the index past this value and its members
    std::uint32_t keyAt = 0, keyLength = 0;
    union {
      std::int64_t integer;
      std::uint64_t unsignedInteger;
      double real;
      struct {
        std::uint32_t at, length;
      } string;
    };
  };

  explicit Document(const std::string& content) {
    nodes_.reserve(content.size() / 24 + 1);
    text_.reserve(content.size() / 2);
    json::sax_parse(content, this);
  }

  const Node& node(std::uint32_t i) const { return nodes_[i]; }
  std::string_view key(std::uint32_t i) const {
    return {text_.data() + nodes_[i].keyAt, nodes_[i].keyLength};
  }
  std::string_view string(std::uint32_t i) const {
    return {text_.data() + nodes_[i].string.at, nodes_[i].string.length};
  }

  // What the parser reports.
  bool null() { return add(Kind::Null); }
  bool boolean(bool b) {
    add(Kind::Boolean);
    nodes_.back().boolean = b;
    return true;
  }
  bool number_integer(json::number_integer_t n) {
    add(Kind::Integer);
    nodes_.back().integer = n;
    return true;
  }
  bool number_unsigned(json::number_unsigned_t n) {
    add(Kind::Unsigned);
    nodes_.back().unsignedInteger = n;
    return true;
  }
  bool number_float(json::number_float_t d, const json::string_t&) {
    add(Kind::Float);
    nodes_.back().real = d;
    return true;
  }
  bool string(json::string_t& s) {
    add(Kind::String);
    nodes_.back().string = {store(s), static_cast<std::uint32_t>(s.size())};
    return true;
  }
  bool binary(json::binary_t&) { return add(Kind::Null); }  // JSON text holds none
  bool start_object(std::size_t) { return open(Kind::Object); }
  bool key(json::string_t& k) {
    keyAt_ = store(k);
    keyLength_ = static_cast<std::uint32_t>(k.size());
    return true;
  }
  bool end_object() { return close(); }
  bool start_array(std::size_t) { return open(Kind::Array); }
  bool end_array() { return close(); }
  template <class Exception>
  bool parse_error(std::size_t, const std::string&, const Exception& e) {
    throw e;
  }

 private:
  std::uint32_t store(const std::string& s) {
    const auto at = static_cast<std::uint32_t>(text_.size());
    text_ += s;
    return at;
  }
  bool add(Kind kind) {
    Node& n = nodes_.emplace_back();
    n.kind = kind;
    n.end = static_cast<std::uint32_t>(nodes_.size());
    if (!open_.empty() && nodes_[open_.back()].kind == Kind::Object) {
      n.keyAt = keyAt_;
      n.keyLength = keyLength_;
    }
    return true;
  }
  bool open(Kind kind) {
    add(kind);
    open_.push_back(static_cast<std::uint32_t>(nodes_.size() - 1));
    return true;
  }
  bool close() {
    nodes_[open_.back()].end = static_cast<std::uint32_t>(nodes_.size());
    open_.pop_back();
    return true;
  }

  std::vector<Node> nodes_;
  std::string text_;
  std::vector<std::uint32_t> open_;  // the objects and arrays being read
  std::uint32_t keyAt_ = 0, keyLength_ = 0;
};

// One value of a document.
struct Value {
  using Kind = Document::Kind;
  using Node = Document::Node;

  const Node& node() const { return doc->node(index); }
  bool is(Kind k) const { return node().kind == k; }
  bool isNumberInteger() const { return is(Kind::Integer) || is(Kind::Unsigned); }
  bool isNumber() const { return isNumberInteger() || is(Kind::Float); }
  double toDouble() const {
    if (is(Kind::Integer)) return static_cast<double>(node().integer);
    if (is(Kind::Unsigned)) return static_cast<double>(node().unsignedInteger);
    return node().real;
  }
  std::string_view string() const { return doc->string(index); }
  std::string_view key() const { return doc->key(index); }
  // Members or elements, in document order.
  Value first() const { return {doc, index + 1}; }
  Value next() const { return {doc, node().end}; }
  bool isEnd(const Value& parent) const { return index >= parent.node().end; }
  std::size_t size() const {
    std::size_t n = 0;
    for (Value m = first(); !m.isEnd(*this); m = m.next()) ++n;
    return n;
  }
  // The member of that key (the last of repeated keys); index 0 (the document) when absent.
  Value find(std::string_view k) const {
    Value found{doc, 0};
    for (Value m = first(); !m.isEnd(*this); m = m.next())
      if (m.key() == k) found = m;
    return found;
  }

  const Document* doc;
  std::uint32_t index;
};

// A place in the file: a path and, optionally, one member of it. The text is made only when an
// error names the place.
struct Place {
  Place(const std::string& path, std::string_view field = {}) : path(path), field(field) {}
  std::string str() const {
    std::string s = path;
    if (!field.empty()) s.append(".").append(field);
    return s;
  }
  const std::string& path;
  std::string_view field;
};

[[noreturn]] void bad(const Place& where, const std::string& what) {
  bad(where.str(), what);
}

template <class T>
T integer(const Value& j, const Place& where) {
  if (!j.isNumberInteger()) bad(where, "expected a whole number");
  if (j.is(Value::Kind::Unsigned) && j.node().unsignedInteger > std::uint64_t{INT64_MAX})
    bad(where, "number " + std::to_string(j.node().unsignedInteger) + " is out of range");
  const std::int64_t n = j.is(Value::Kind::Unsigned)
                             ? static_cast<std::int64_t>(j.node().unsignedInteger)
                             : j.node().integer;
  if (n < std::numeric_limits<T>::min() || n > std::numeric_limits<T>::max()) {
    bad(where, "number " + std::to_string(n) + " is out of range");
  }
  return static_cast<T>(n);
}

double number(const Value& j, const Place& where) {
  if (!j.isNumber()) bad(where, "expected a number");
  double d = j.toDouble();
  if (!std::isfinite(d)) bad(where, "expected a finite number");
  return d;
}

bool boolean(const Value& j, const Place& where) {
  if (!j.is(Value::Kind::Boolean)) bad(where, "expected true or false");
  return j.node().boolean;
}

std::string_view text(const Value& j, const Place& where) {
  if (!j.is(Value::Kind::String)) bad(where, "expected a string");
  return j.string();
}

Value member(const Value& obj, const char* key, const std::string& where) {
  Value m = obj.find(key);
  if (m.index == 0) bad(where, std::string("missing \"") + key + "\"");
  return m;
}

// The first unknown key in sorted order is the one reported.
void onlyKeys(const Value& obj, std::initializer_list<std::string_view> keys,
              const std::string& where) {
  std::string_view unknown;
  bool any = false;
  for (Value m = obj.first(); !m.isEnd(obj); m = m.next()) {
    bool known = false;
    for (std::string_view k : keys) known = known || m.key() == k;
    if (!known && (!any || m.key() < unknown)) unknown = m.key();
    any = any || !known;
  }
  if (any) bad(where, "unknown entry \"" + std::string(unknown) + "\"");
}

FontRef fontFromJson(const Value& j, const std::string& where) {
  if (j.is(Value::Kind::Null)) return nullptr;
  if (!j.is(Value::Kind::Object)) bad(where, "expected a font object");
  onlyKeys(j, {"charset", "name", "size", "bold", "italic", "weight", "strikethrough", "underline"},
           where);
  auto f = std::make_shared<StdFont>();
  f->put_Charset(integer<std::int16_t>(member(j, "charset", where), {where, "charset"}));
  f->put_Name(std::string(text(member(j, "name", where), {where, "name"})));
  try {
    f->put_Size(Currency::fromDouble(number(member(j, "size", where), {where, "size"})));
  } catch (const Error&) {
    bad({where, "size"}, "size is out of range");
  }
  f->put_Bold(boolean(member(j, "bold", where), {where, "bold"}));
  f->put_Italic(boolean(member(j, "italic", where), {where, "italic"}));
  f->put_Weight(integer<std::int16_t>(member(j, "weight", where), {where, "weight"}));
  f->put_Strikethrough(boolean(member(j, "strikethrough", where), {where, "strikethrough"}));
  f->put_Underline(boolean(member(j, "underline", where), {where, "underline"}));
  return f;
}

Variant valueFromJson(const Value& entry, const std::string& where) {
  const std::string_view type = text(member(entry, "type", where), {where, "type"});
  const Value v = member(entry, "value", where);
  const Place at{where, "value"};
  if (type == "Empty") {
    if (!v.is(Value::Kind::Null)) bad(at, "expected null");
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
  if (type == "String") return Variant(std::string(text(v, at)));
  if (type == "Font") return Variant(fontFromJson(v, at.str()));
  bad({where, "type"}, "unknown value type \"" + std::string(type) + "\"");
}

// A control's saved settings, in file order (the bag's k-th entry is the file's k-th setting),
// remembering how many keys the control read and which setting the last read found: a read that
// a refused value cut short ends at that value's key.
class ReadingBag : public MemoryPropertyBag {
 public:
  static constexpr std::size_t kNone = SIZE_MAX;
  Variant ReadProperty(const std::string& name, const Variant& defaultValue) override {
    ++count;
    last = indexOf(name);
    return last == kNone ? defaultValue : entries()[last].second;
  }
  std::size_t indexOf(std::string_view key) const {
    for (std::size_t k = 0; k < entries().size(); ++k)
      if (entries()[k].first == key) return k;
    return kNone;
  }
  std::size_t count = 0;     // keys read
  std::size_t last = kNone;  // the setting the last read found
};

// The keys a control saves, in the order it writes them; the values are not kept.
class KeyBag : public PropertyBag {
 public:
  Variant ReadProperty(const std::string&, const Variant& defaultValue) override {
    return defaultValue;
  }
  void WriteProperty(const std::string& name, const Variant&, const Variant&) override {
    if (!contains(name)) keys.push_back(name);
  }
  bool contains(std::string_view key) const {
    for (const std::string& k : keys)
      if (k == key) return true;
    return false;
  }
  std::vector<std::string> keys;
};

struct Pending {
  std::string name;
  Form::Placement at;
  ReadingBag bag;
};

std::string controlPlace(const std::string& where, std::size_t index) {
  return where + ".controls[" + std::to_string(index) + "]";
}

std::string settingPlace(const std::string& where, std::size_t index, std::size_t setting) {
  return controlPlace(where, index) + ".properties[" + std::to_string(setting) + "]";
}

[[noreturn]] void refused(const Pending& p, std::size_t index, const std::string& where,
                          const std::string& why) {
  const std::size_t k = p.bag.count ? p.bag.last : p.bag.indexOf("");
  if (k == ReadingBag::kNone)
    bad(controlPlace(where, index), "the control cannot read its settings" + why);
  bad(settingPlace(where, index, k) + ".value",
      "the control refuses this value of \"" + p.bag.entries()[k].first + "\"" + why);
}

void readControl(Pending& p, std::size_t index, const std::string& where, Form& form) {
  // The keys the control saves are the keys it reads, all of them unless a value stopped it.
  KeyBag keys;
  keys.keys.reserve(32);
  try {
    form.addSaved(std::move(p.name), p.at, p.bag).UserControl_WriteProperties(keys);
  } catch (const std::exception& e) {
    refused(p, index, where, std::string(" (") + e.what() + ")");
  }
  if (p.bag.count < keys.keys.size()) refused(p, index, where, "");
  for (std::size_t k = 0; k < p.bag.entries().size(); ++k) {
    const std::string& key = p.bag.entries()[k].first;
    if (!keys.contains(key))
      bad(settingPlace(where, index, k) + ".key", "unknown setting \"" + key + "\"");
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
  // A NaN (which CDbl refuses) is kept, so that saving the form refuses it.
  auto finite = [](const Variant& v) {
    if (const auto* f = v.get<float>()) return std::isfinite(*f);
    if (const auto* d = v.get<double>()) return std::isfinite(*d);
    return v.isEmpty() || v.holdsNumber();
  };
  return finite(value) && finite(defaultValue) && CDbl(value) == CDbl(defaultValue);
}

namespace FormFile {

std::string toJson(Form& form) {
  json controls = json::array();
  for (std::size_t i = 0; i < form.size(); ++i) {
    DesignTimeBag bag;
    form.control(i).UserControl_WriteProperties(bag);
    json properties = json::array();
    for (const auto& [key, value] : bag.entries()) {
      json p;
      try {
        p = valueToJson(value);
      } catch (const Error& e) {
        // Refused before anything is written: the reader would refuse the file.
        throw Error(e.number(),
                    form.name(i) + "." + key + ": " + e.description() + "; the form was not saved");
      }
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
  std::optional<Document> parsed;
  try {
    parsed.emplace(content);
  } catch (const json::exception& e) {  // syntax, and numbers beyond any range
    bad(where, std::string("not a JSON document (") + e.what() + ")");
  }
  const Value doc{&*parsed, 0};
  if (!doc.is(Value::Kind::Object)) bad(where, "expected a JSON object");
  onlyKeys(doc, {"format", "version", "controls"}, where);
  if (text(member(doc, "format", where), {where, "format"}) != "kadrelle-form") {
    bad({where, "format"}, "not a Kadrelle form");
  }
  if (integer<std::int32_t>(member(doc, "version", where), {where, "version"}) != 1) {
    bad({where, "version"}, "unsupported version");
  }
  const Value controls = member(doc, "controls", where);
  if (!controls.is(Value::Kind::Array)) bad({where, "controls"}, "expected a list of controls");

  // Check everything before creating anything, so a bad file loads nothing.
  // A control's entry is dropped once it has read it, so the form's peak is the finished form.
  std::deque<Pending> pending;
  std::unordered_set<std::string_view> names;  // views of the names in `pending`
  names.reserve(controls.size());
  std::string at, pat;
  std::size_t i = 0;
  for (Value c = controls.first(); !c.isEnd(controls); c = c.next(), ++i) {
    at.assign(where).append(".controls[").append(std::to_string(i)).append("]");
    if (!c.is(Value::Kind::Object)) bad(at, "expected a control object");
    onlyKeys(c, {"type", "name", "left", "top", "width", "height", "properties"}, at);
    if (text(member(c, "type", at), {at, "type"}) != Kadrelle::kTypeName) {
      bad({at, "type"}, "unknown control type");
    }
    Pending& p = pending.emplace_back();
    p.name = text(member(c, "name", at), {at, "name"});
    if (p.name.empty()) bad({at, "name"}, "a control needs a name");
    if (!names.insert(p.name).second)
      bad({at, "name"}, "duplicate control name \"" + p.name + "\"");
    auto length = [&](const char* key, bool size) {
      double d = number(member(c, key, at), {at, key});
      if (std::fabs(d) > 1e7 || (size && d < 0)) bad({at, key}, "length is out of range");
      return static_cast<float>(d);
    };
    p.at = {length("left", false), length("top", false), length("width", true),
            length("height", true)};
    const Value props = member(c, "properties", at);
    if (!props.is(Value::Kind::Array)) bad({at, "properties"}, "expected a list of settings");
    std::size_t k = 0;
    for (Value prop = props.first(); !prop.isEnd(props); prop = prop.next(), ++k) {
      pat.assign(at).append(".properties[").append(std::to_string(k)).append("]");
      if (!prop.is(Value::Kind::Object)) bad(pat, "expected a setting object");
      onlyKeys(prop, {"key", "type", "value"}, pat);
      const std::string key(text(member(prop, "key", pat), {pat, "key"}));
      if (p.bag.find(key)) bad({pat, "key"}, "duplicate setting \"" + key + "\"");
      p.bag.set(key, valueFromJson(prop, pat));
    }
  }
  parsed.reset();
  for (auto& p : pending) {
    if (form.find(p.name)) bad(where, "a control named " + p.name + " is already on the form");
  }
  names = std::unordered_set<std::string_view>();
  // Each control reads its settings; a value the control refuses, or a key it does not know,
  // takes every control of this file off the form again.
  const std::size_t before = form.size();
  const bool changed = form.changed();
  try {
    for (std::size_t n = 0; !pending.empty(); ++n) {
      readControl(pending.front(), n, where, form);
      pending.pop_front();
    }
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
