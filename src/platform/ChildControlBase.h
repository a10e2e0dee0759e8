#pragma once

#include <string>
#include <utility>

#include "platform/ChildControl.h"
#include "platform/Error.h"
#include "platform/RareString.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// The container-provided members held as plain values, for any child interface derived from
// ChildControl. Toolkits and components derive from ChildControlBase<TheirInterface>.
template <class Interface>
class ChildControlBase : public Interface {
 public:
  float get_Left() const override { return left_; }
  float get_Top() const override { return top_; }
  float get_Width() const override { return width_; }
  float get_Height() const override { return height_; }
  void Move(float left, float top, float width, float height) override {
    if (width < 0 || height < 0) throw Error::invalidPropertyValue();
    if (left == left_ && top == top_ && width == width_ && height == height_) return;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    this->DisplayChanged.raise();
  }

  std::int16_t get_TabIndex() const override { return tabIndex_; }
  void put_TabIndex(std::int16_t index) override { tabIndex_ = index; }
  Boolean get_Visible() const override { return visible_; }
  void put_Visible(Boolean visible) override { update(visible_, visible); }
  Boolean get_CausesValidation() const override { return causesValidation_; }
  void put_CausesValidation(Boolean value) override { causesValidation_ = value; }
  std::string get_ToolTipText() const override { return toolTipText_.str(); }
  void put_ToolTipText(const std::string& text) override {
    if (toolTipText_ == text) return;
    toolTipText_ = text;
    this->DisplayChanged.raise();
  }
  void Refresh() override {}

 protected:
  // Sets the size without the checks of Move, for children that size themselves.
  void setSize(float width, float height) {
    if (width == width_ && height == height_) return;
    width_ = width;
    height_ = height;
    this->DisplayChanged.raise();
  }

  // Stores a shown setting; raises DisplayChanged when it differs from what was there.
  template <class T, class U>
  void update(T& field, U&& value) {
    if (field == value) return;
    field = std::forward<U>(value);
    this->DisplayChanged.raise();
  }

 private:
  float left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  std::int16_t tabIndex_ = 0;
  Boolean visible_ = kTrue;
  Boolean causesValidation_ = kTrue;
  RareString toolTipText_;  // few children have a tip
};

}  // namespace kadrelle
#pragma GCC visibility pop
