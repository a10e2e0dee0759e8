#pragma once

#include <memory>
#include <string>
#include <string_view>

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// A text that is mostly empty, one pointer wide: its characters are allocated only while it is
// not empty. For settings few objects set (a tool tip, a parameter key, a unit of the user's).
class RareString {
 public:
  RareString() = default;
  RareString(const RareString& other)
      : text_(other.text_ ? std::make_unique<std::string>(*other.text_) : nullptr) {}
  RareString& operator=(const RareString& other) { return *this = other.str(); }
  RareString& operator=(std::string_view text) {
    if (text.empty()) {
      text_.reset();
    } else if (text_) {
      text_->assign(text);
    } else {
      text_ = std::make_unique<std::string>(text);
    }
    return *this;
  }

  const std::string& str() const { return text_ ? *text_ : emptyText(); }
  bool empty() const { return !text_; }
  void clear() { text_.reset(); }
  friend bool operator==(const RareString& a, std::string_view b) { return a.str() == b; }

 private:
  static const std::string& emptyText() {
    static const std::string kEmpty;
    return kEmpty;
  }
  std::unique_ptr<std::string> text_;
};

}  // namespace kadrelle
#pragma GCC visibility pop
