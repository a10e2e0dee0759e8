#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Boolean.h"
#include "platform/Currency.h"
#include "platform/Event.h"
#include "platform/Object.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// The standard font object, shared by reference. Eight attributes; bold is not stored on its own
// but read from the weight (above 550 is bold), and setting bold sets the weight to 700 or 400, as
// standard fonts behave. Changed is raised after each write that changes an attribute, so whoever
// shows text in the font redraws; a copy takes the attributes, not the listeners.
//
// A form holds a few font objects per control but few names: each name is kept once for the
// process, and a font holds a pointer to it, so two fonts of one name share its address.
class StdFont : public Object {
 public:
  StdFont() = default;
  StdFont(std::string_view name, Currency size) : name_(&internedName(name)), size_(size) {}
  StdFont(const StdFont& o)
      : Object(),
        name_(o.name_),
        size_(o.size_),
        charset_(o.charset_),
        weight_(o.weight_),
        italic_(o.italic_),
        strikethrough_(o.strikethrough_),
        underline_(o.underline_) {}
  StdFont& operator=(const StdFont&) = delete;

  std::int16_t get_Charset() const { return charset_; }
  void put_Charset(std::int16_t v) { update(charset_, v); }
  // The name's one copy: valid for the life of the process.
  const std::string& get_Name() const { return *name_; }
  void put_Name(std::string_view v) { update(name_, &internedName(v)); }
  Currency get_Size() const { return size_; }
  void put_Size(Currency v) { update(size_, v); }
  Boolean get_Bold() const { return Boolean(weight_ > 550); }
  void put_Bold(Boolean v) { update(weight_, std::int16_t(v ? 700 : 400)); }
  Boolean get_Italic() const { return Boolean(italic_); }
  void put_Italic(Boolean v) { update(italic_, static_cast<bool>(v)); }
  std::int16_t get_Weight() const { return weight_; }
  void put_Weight(std::int16_t v) { update(weight_, v); }
  Boolean get_Strikethrough() const { return Boolean(strikethrough_); }
  void put_Strikethrough(Boolean v) { update(strikethrough_, static_cast<bool>(v)); }
  Boolean get_Underline() const { return Boolean(underline_); }
  void put_Underline(Boolean v) { update(underline_, static_cast<bool>(v)); }

  // Same attributes.
  friend bool operator==(const StdFont& a, const StdFont& b) {
    return a.charset_ == b.charset_ && a.name_ == b.name_ && a.size_ == b.size_ &&
           a.weight_ == b.weight_ && a.italic_ == b.italic_ &&
           a.strikethrough_ == b.strikethrough_ && a.underline_ == b.underline_;
  }

  Event<> Changed;

 private:
  template <class T>
  void update(T& field, T value) {
    if (field == value) return;
    field = std::move(value);
    Changed.raise();
  }

  // The process's one copy of a font name, kept from its first use on.
  static const std::string& internedName(std::string_view name);

  // "Arial", looked up once: every control makes fonts of it.
  static const std::string& defaultName() {
    static const std::string& name = internedName("Arial");
    return name;
  }

  const std::string* name_ = &defaultName();
  Currency size_ = Currency::fromScaled(82500);
  std::int16_t charset_ = 0;
  std::int16_t weight_ = 400;
  bool italic_ = false;  // a font is either: no other True is kept
  bool strikethrough_ = false;
  bool underline_ = false;
};

using FontRef = std::shared_ptr<StdFont>;

// A new font object: Arial 8.25 pt, regular, character set 0, unless told otherwise.
inline FontRef makeFont(std::string_view name = "Arial", double points = 8.25) {
  return std::make_shared<StdFont>(name, Currency::fromDouble(points));
}

}  // namespace kadrelle
#pragma GCC visibility pop
