#pragma once

#include <cstdint>
#include <string>

#include "platform/Event.h"
#include "platform/OleColor.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// The one listener that owns a surface (the control) hears of each resize through this
// interface, before Resize's handlers. It holds no connection: it must outlive the surface or be
// taken away (ControlSurface::setOwner(nullptr)) first.
class SurfaceOwner {
 public:
  virtual void UserControl_Resize() = 0;

 protected:
  ~SurfaceOwner() = default;
};

// The control's own drawing area, on which its children sit. Its font is the one the control was
// designed with (Arial 8.25 pt) and never changes at run time.
class ControlSurface {
 public:
  virtual ~ControlSurface() = default;

  virtual float get_Width() const = 0;
  virtual float get_Height() const = 0;
  virtual void put_Height(float height) = 0;
  // The host's resize; raises Resize when the size changes.
  virtual void resize(float width, float height) = 0;
  // The inner drawing area (no border), twips.
  virtual float get_ScaleWidth() const = 0;
  virtual float get_ScaleHeight() const = 0;

  virtual OleColor get_BackColor() const = 0;
  virtual void put_BackColor(OleColor color) = 0;
  // 0 = transparent, 1 = opaque.
  virtual std::int16_t get_BackStyle() const = 0;
  virtual void put_BackStyle(std::int16_t style) = 0;

  // Height of a text in the surface's font, one line per line break.
  virtual float TextHeight(const std::string& text) const = 0;

  // Raised, synchronously, whenever the size changes (including through put_Height).
  Event<> Resize;
  // Raised once after each change of what the surface shows (size, colour, back style), before
  // Resize for a size change; a write that changes nothing raises nothing.
  Event<> DisplayChanged;

  void setOwner(SurfaceOwner* owner) { owner_ = owner; }

 protected:
  // Implementations raise Resize through this: the owner first, then the event's handlers.
  void raiseResize() {
    if (owner_) owner_->UserControl_Resize();
    Resize.raise();
  }

 private:
  SurfaceOwner* owner_ = nullptr;
};

}  // namespace kadrelle
#pragma GCC visibility pop
