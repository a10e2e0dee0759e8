#include "brommet/DriveDescription.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <nlohmann/json.hpp>
#include <unordered_map>
#include <utility>

#include "platform/Error.h"
#include "platform/FileIo.h"

namespace kadrelle {

// The simulated drive's description, SimulatedDrive.json, compiled into the library.
extern const std::string_view kSimulatedDriveDescription;

namespace {

using Json = nlohmann::json;

constexpr std::array<std::pair<std::string_view, ParameterGroup>, 10> kGroups = {{
    {"Motor", ParameterGroup::Motor},
    {"Feedback", ParameterGroup::Feedback},
    {"Current loop", ParameterGroup::CurrentLoop},
    {"Velocity loop", ParameterGroup::VelocityLoop},
    {"Position loop", ParameterGroup::PositionLoop},
    {"Limits", ParameterGroup::Limits},
    {"Communication", ParameterGroup::Communication},
    {"Drive information", ParameterGroup::DriveInformation},
    {"Measured", ParameterGroup::Measured},
    {"Control", ParameterGroup::Control},
}};

constexpr std::array<std::pair<std::string_view, RegisterType>, 6> kRegisterTypes = {{
    {"int16", RegisterType::Int16},
    {"uint16", RegisterType::Uint16},
    {"int32", RegisterType::Int32},
    {"uint32", RegisterType::Uint32},
    {"float32", RegisterType::Float32},
    {"string", RegisterType::String},
}};

constexpr std::size_t kMaxText = 256;  // the longest text (and name) a description may give

}  // namespace

// Reads one description, naming the place of the first problem it finds.
class DescriptionReader {
 public:
  explicit DescriptionReader(const std::string& source) : source_(source) {}

  std::shared_ptr<const DriveDescription> read(std::string_view text) {
    Json document;
    try {
      document = Json::parse(text);
    } catch (const Json::parse_error& e) {
      fail("", "not valid JSON (byte " + std::to_string(e.byte) + ")");
    } catch (const Json::exception&) {
      fail("", "not valid JSON (a number is out of range)");
    }
    if (!document.is_object()) fail("", "not a drive description (expected a JSON object)");
    only(document, "", {"format", "version", "name", "parameters"});
    const Json* format = member(document, "", "format");
    if (!format->is_string() || *format != DriveDescription::kFormat)
      fail("format", std::string("expected \"") + DriveDescription::kFormat + "\"");
    const Json* version = member(document, "", "version");
    if (!version->is_number_integer() || *version != DriveDescription::kVersion)
      fail("version",
           "unsupported version (expected " + std::to_string(DriveDescription::kVersion) + ")");
    auto description = std::shared_ptr<DriveDescription>(new DriveDescription);
    out_ = description.get();
    if (auto name = document.find("name"); name != document.end())
      out_->name_ = string(*name, "name");
    const Json* parameters = member(document, "", "parameters");
    if (!parameters->is_array()) fail("parameters", "expected a list of parameters");
    if (parameters->empty()) fail("parameters", "the drive has no parameters");

    std::vector<std::pair<ParameterInfo, std::optional<RegisterLocation>>> read;
    for (std::size_t i = 0; i < parameters->size(); ++i)
      read.push_back(parameter((*parameters)[i], "parameters[" + std::to_string(i) + "]"));
    checkUnique(read);
    std::stable_sort(read.begin(), read.end(),
                     [](const auto& a, const auto& b) { return a.first.number < b.first.number; });
    for (auto& [info, location] : read) {
      out_->parameters_.push_back(info);
      out_->locations_.push_back(location);
    }
    return description;
  }

 private:
  [[noreturn]] void fail(const std::string& where, const std::string& what) const {
    throw Error::badFileFormat(where.empty() ? source_ : source_ + ": " + where, what);
  }

  static std::string at(const std::string& path, std::string_view field) {
    return path.empty() ? std::string(field) : path + "." + std::string(field);
  }

  // Refuses members the format does not know (most likely misspelt).
  void only(const Json& object, const std::string& path,
            std::initializer_list<std::string_view> known) const {
    for (const auto& [key, value] : object.items())
      if (std::find(known.begin(), known.end(), key) == known.end())
        fail(path, "unknown entry \"" + key + "\"");
  }

  const Json* member(const Json& object, const std::string& path, std::string_view key) const {
    auto it = object.find(key);
    if (it == object.end()) fail(path, "missing \"" + std::string(key) + "\"");
    return &*it;
  }

  std::string string(const Json& j, const std::string& where) const {
    if (!j.is_string()) fail(where, "expected a string");
    std::string s = j.get<std::string>();
    if (s.size() > kMaxText)
      fail(where, "the text is longer than " + std::to_string(kMaxText) + " characters");
    return s;
  }

  std::string_view keep(std::string s) { return out_->strings_.emplace_back(std::move(s)); }

  double number(const Json& j, const std::string& where) const {
    if (!j.is_number()) fail(where, "expected a number");
    const double d = j.get<double>();
    if (!std::isfinite(d)) fail(where, "expected a finite number");
    return d;
  }

  std::int64_t whole(const Json& j, const std::string& where, std::int64_t lowest,
                     std::int64_t highest) const {
    if (!j.is_number_integer()) fail(where, "expected a whole number");
    if (j.is_number_unsigned() && j.get<std::uint64_t>() > static_cast<std::uint64_t>(highest))
      fail(where, "expected a whole number from " + std::to_string(lowest) + " to " +
                      std::to_string(highest));
    const auto n = j.get<std::int64_t>();
    if (n < lowest || n > highest)
      fail(where, "expected a whole number from " + std::to_string(lowest) + " to " +
                      std::to_string(highest));
    return n;
  }

  bool flag(const Json& object, const std::string& path, std::string_view key,
            bool otherwise) const {
    auto it = object.find(key);
    if (it == object.end()) return otherwise;
    if (!it->is_boolean()) fail(at(path, key), "expected true or false");
    return it->get<bool>();
  }

  std::optional<std::pair<double, double>> range(const Json& object, const std::string& path,
                                                 std::string_view key) const {
    auto it = object.find(key);
    if (it == object.end()) return std::nullopt;
    const std::string where = at(path, key);
    if (!it->is_array() || it->size() != 2)
      fail(where, "expected two numbers, the lower and the upper limit");
    const double lower = number((*it)[0], where + "[0]");
    const double upper = number((*it)[1], where + "[1]");
    if (lower > upper) fail(where, "the lower limit is above the upper one");
    return std::pair{lower, upper};
  }

  template <class T, std::size_t N>
  T named(const std::array<std::pair<std::string_view, T>, N>& table, const Json& j,
          const std::string& where) const {
    const std::string name = string(j, where);
    for (const auto& [n, value] : table)
      if (n == name) return value;
    std::string choices;
    for (const auto& [n, value] : table)
      choices += (choices.empty() ? "\"" : ", \"") + std::string(n) + "\"";
    fail(where, "\"" + name + "\" is none of " + choices);
  }

  std::pair<ParameterInfo, std::optional<RegisterLocation>> parameter(const Json& p,
                                                                      std::string path) {
    if (!p.is_object()) fail(path, "expected a parameter object");
    only(
        p, path,
        {"key",           "number",   "group",       "name",      "description", "driveDescription",
         "type",          "units",    "driveUnits",  "scale",     "range",       "driveRange",
         "limitsEnabled", "format",   "driveFormat", "hex",       "readOnly",    "measured",
         "nonVolatile",   "stopOnly", "integral",    "lockLevel", "step",        "default",
         "maxLength",     "register"});
    ParameterInfo info;
    const std::string key = string(*member(p, path, "key"), at(path, "key"));
    if (key.empty() || key.size() > 32) fail(at(path, "key"), "expected 1 to 32 characters");
    info.key = keep(key);
    path += " (" + key + ")";
    info.number =
        static_cast<ParameterNumbers>(whole(*member(p, path, "number"), at(path, "number"), 1,
                                            std::numeric_limits<ParameterNumbers>::max()));
    auto text = [&](std::string_view field, std::string_view otherwise) -> std::string_view {
      auto it = p.find(field);
      return it == p.end() ? otherwise : keep(string(*it, at(path, field)));
    };
    info.group = ParameterGroup::Control;
    if (auto g = p.find("group"); g != p.end()) info.group = named(kGroups, *g, at(path, "group"));
    info.name = keep(string(*member(p, path, "name"), at(path, "name")));
    info.description = text("description", info.name);
    info.driveDescription = text("driveDescription", info.description);
    if (auto t = p.find("type"); t != p.end()) {
      const std::string type = string(*t, at(path, "type"));
      if (type != "number" && type != "text")
        fail(at(path, "type"), "\"" + type + "\" is neither \"number\" nor \"text\"");
      info.text = type == "text";
    }
    info.appUnits = text("units", "");
    info.driveUnits = text("driveUnits", info.appUnits);
    info.readOnly = flag(p, path, "readOnly", false);
    info.measured = flag(p, path, "measured", false);
    info.nonVolatile = flag(p, path, "nonVolatile", !info.measured);
    info.stopOnly = flag(p, path, "stopOnly", false);
    info.displayBase = flag(p, path, "hex", false) ? 1 : 0;
    if (auto l = p.find("lockLevel"); l != p.end())
      info.lockLevel = static_cast<std::int32_t>(whole(*l, at(path, "lockLevel"), 0, 3));

    if (info.text) {
      for (std::string_view numeric : {"scale", "range", "driveRange", "limitsEnabled", "format",
                                       "driveFormat", "hex", "integral", "step"})
        if (p.contains(numeric))
          fail(at(path, numeric), "a text parameter has no \"" + std::string(numeric) + "\"");
      info.integral = false;
      info.maxTextLength = 32;
      if (auto m = p.find("maxLength"); m != p.end())
        info.maxTextLength =
            static_cast<std::size_t>(whole(*m, at(path, "maxLength"), 1, kMaxText));
      if (auto d = p.find("default"); d != p.end()) {
        const std::string value = string(*d, at(path, "default"));
        if (value.size() > info.maxTextLength) fail(at(path, "default"), "longer than maxLength");
        info.defaultText = keep(value);
      }
    } else {
      if (p.contains("maxLength")) fail(at(path, "maxLength"), "only a text parameter has one");
      if (auto s = p.find("scale"); s != p.end()) {
        info.scale = number(*s, at(path, "scale"));
        if (info.scale == 0) fail(at(path, "scale"), "the scale cannot be 0");
      }
      info.integral = flag(p, path, "integral", true);
      info.limitsEnabled = flag(p, path, "limitsEnabled", true);
      info.appFormat = text("format", "0");
      info.driveFormat = text("driveFormat", info.appFormat);
      if (auto s = p.find("step"); s != p.end()) {
        info.step = number(*s, at(path, "step"));
        if (info.step < 0) fail(at(path, "step"), "the step cannot be negative");
      }
      limits(p, path, info);
      if (auto d = p.find("default"); d != p.end()) {
        info.defaultValue = number(*d, at(path, "default"));
        if (info.limitsEnabled &&
            (info.defaultValue < info.driveLower || info.defaultValue > info.driveUpper))
          fail(at(path, "default"), "outside the drive range");
      } else if (info.limitsEnabled) {
        info.defaultValue = std::clamp(0.0, info.driveLower, info.driveUpper);
      }
    }
    std::optional<RegisterLocation> location;
    if (auto r = p.find("register"); r != p.end()) location = where(*r, at(path, "register"), info);
    return {info, location};
  }

  // The limits in both views: either range given, the other follows from the scale.
  void limits(const Json& p, const std::string& path, ParameterInfo& info) const {
    auto app = range(p, path, "range");
    auto drive = range(p, path, "driveRange");
    auto scaled = [&](std::pair<double, double> r, double factor) {
      const double a = r.first * factor, b = r.second * factor;
      return std::pair{std::min(a, b), std::max(a, b)};
    };
    if (!app && !drive) {
      if (info.limitsEnabled) fail(path, "missing \"range\" or \"driveRange\"");
      const double big = std::numeric_limits<std::int32_t>::max();
      drive = std::pair{-big, big};
    }
    if (!app) app = scaled(*drive, info.scale);
    if (!drive) drive = scaled(*app, 1 / info.scale);
    info.appLower = app->first;
    info.appUpper = app->second;
    info.driveLower = drive->first;
    info.driveUpper = drive->second;
  }

  RegisterLocation where(const Json& r, const std::string& path, const ParameterInfo& info) const {
    if (!r.is_object()) fail(path, "expected an object with \"address\" and \"type\"");
    only(r, path, {"address", "type", "words", "scale"});
    RegisterLocation location;
    location.address = static_cast<std::uint16_t>(
        whole(*member(r, path, "address"), at(path, "address"), 0, 65535));
    location.type = named(kRegisterTypes, *member(r, path, "type"), at(path, "type"));
    if ((location.type == RegisterType::String) != info.text)
      fail(at(path, "type"), info.text ? "a text parameter is held as \"string\""
                                       : "only a text parameter is held as \"string\"");
    if (auto w = r.find("words"); w != r.end()) {
      const std::string words = string(*w, at(path, "words"));
      if (words != "high-first" && words != "low-first")
        fail(at(path, "words"), "expected \"high-first\" or \"low-first\"");
      location.lowWordFirst = words == "low-first";
    }
    if (auto s = r.find("scale"); s != r.end()) {
      location.scale = number(*s, at(path, "scale"));
      if (location.scale == 0) fail(at(path, "scale"), "the scale cannot be 0");
    }
    location.count = registerCount(location.type, info.maxTextLength);
    if (location.address + location.count > 65536)
      fail(path, "the value runs past the last register (65535)");
    return location;
  }

  // Numbers and keys are each given once, and no two parameters share a register.
  void checkUnique(
      const std::vector<std::pair<ParameterInfo, std::optional<RegisterLocation>>>& read) const {
    auto path = [&](std::size_t i) {
      return "parameters[" + std::to_string(i) + "] (" + std::string(read[i].first.key) + ")";
    };
    std::unordered_map<ParameterNumbers, std::size_t> numbers;
    std::unordered_map<std::string_view, std::size_t> keys;
    std::vector<std::size_t> placed;
    for (std::size_t i = 0; i < read.size(); ++i) {
      const ParameterInfo& info = read[i].first;
      if (auto [it, fresh] = numbers.emplace(info.number, i); !fresh)
        fail(path(i) + ".number", "number " + std::to_string(info.number) + " is also that of " +
                                      std::string(read[it->second].first.key));
      if (!keys.emplace(info.key, i).second) fail(path(i) + ".key", "the key is given twice");
      if (read[i].second) placed.push_back(i);
    }
    std::sort(placed.begin(), placed.end(), [&](std::size_t a, std::size_t b) {
      return read[a].second->address < read[b].second->address;
    });
    for (std::size_t k = 1; k < placed.size(); ++k) {
      const RegisterLocation& before = *read[placed[k - 1]].second;
      if (before.address + before.count > read[placed[k]].second->address)
        fail(path(std::max(placed[k - 1], placed[k])) + ".register",
             "the registers overlap those of " +
                 std::string(read[std::min(placed[k - 1], placed[k])].first.key));
    }
  }

  const std::string& source_;
  DriveDescription* out_ = nullptr;
};

std::shared_ptr<const DriveDescription> DriveDescription::parse(std::string_view text,
                                                                const std::string& source) {
  return DescriptionReader(source).read(text);
}

std::shared_ptr<const DriveDescription> DriveDescription::load(const std::filesystem::path& file) {
  return parse(readFileCapped(file, kMaxFileSize), file.string());
}

const std::shared_ptr<const DriveDescription>& DriveDescription::simulated() {
  static const auto kSimulated =
      parse(kSimulatedDriveDescription, "the built-in drive description");
  return kSimulated;
}

std::optional<std::size_t> DriveDescription::indexOf(ParameterNumbers number) const {
  auto it =
      std::lower_bound(parameters_.begin(), parameters_.end(), number,
                       [](const ParameterInfo& p, ParameterNumbers n) { return p.number < n; });
  if (it == parameters_.end() || it->number != number) return std::nullopt;
  return static_cast<std::size_t>(it - parameters_.begin());
}

const ParameterInfo* DriveDescription::find(ParameterNumbers number) const {
  auto index = indexOf(number);
  return index ? &parameters_[*index] : nullptr;
}

const ParameterInfo* DriveDescription::findKey(std::string_view key) const {
  for (const auto& p : parameters_)
    if (p.key == key) return &p;
  return nullptr;
}

std::string_view registerTypeName(RegisterType type) {
  for (const auto& [name, t] : kRegisterTypes)
    if (t == type) return name;
  return {};
}

std::uint16_t registerCount(RegisterType type, std::size_t maxTextLength) {
  switch (type) {
    case RegisterType::Int16:
    case RegisterType::Uint16:
      return 1;
    case RegisterType::String:
      return static_cast<std::uint16_t>((maxTextLength + 1) / 2);
    default:
      return 2;
  }
}

}  // namespace kadrelle
