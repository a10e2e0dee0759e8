#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Boolean.h"
#include "platform/Currency.h"
#include "platform/Object.h"

namespace kadrelle {

// The standard font object, shared by reference. Eight attributes; bold is not stored on its own
// but read from the weight (above 550 is bold), and setting bold sets the weight to 700 or 400, as
// standard fonts behave.
class StdFont : public Object {
 public:
  StdFont() = default;
  StdFont(std::string name, Currency size) : name_(std::move(name)), size_(size) {}

  std::int16_t get_Charset() const { return charset_; }
  void put_Charset(std::int16_t v) { charset_ = v; }
  const std::string& get_Name() const { return name_; }
  void put_Name(std::string v) { name_ = std::move(v); }
  Currency get_Size() const { return size_; }
  void put_Size(Currency v) { size_ = v; }
  Boolean get_Bold() const { return Boolean(weight_ > 550); }
  void put_Bold(Boolean v) { weight_ = v ? 700 : 400; }
  Boolean get_Italic() const { return italic_; }
  void put_Italic(Boolean v) { italic_ = v; }
  std::int16_t get_Weight() const { return weight_; }
  void put_Weight(std::int16_t v) { weight_ = v; }
  Boolean get_Strikethrough() const { return strikethrough_; }
  void put_Strikethrough(Boolean v) { strikethrough_ = v; }
  Boolean get_Underline() const { return underline_; }
  void put_Underline(Boolean v) { underline_ = v; }

  // Same attributes.
  friend bool operator==(const StdFont& a, const StdFont& b) {
    return a.charset_ == b.charset_ && a.name_ == b.name_ && a.size_ == b.size_ &&
           a.weight_ == b.weight_ && a.italic_ == b.italic_ &&
           a.strikethrough_ == b.strikethrough_ && a.underline_ == b.underline_;
  }

 private:
  std::int16_t charset_ = 0;
  std::string name_ = "Arial";
  Currency size_ = Currency::fromScaled(82500);
  std::int16_t weight_ = 400;
  Boolean italic_;
  Boolean strikethrough_;
  Boolean underline_;
};

using FontRef = std::shared_ptr<StdFont>;

// A new font object: Arial 8.25 pt, regular, character set 0, unless told otherwise.
inline FontRef makeFont(std::string name = "Arial", double points = 8.25) {
  return std::make_shared<StdFont>(std::move(name), Currency::fromDouble(points));
}

}  // namespace kadrelle
