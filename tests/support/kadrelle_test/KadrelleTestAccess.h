#pragma once

#include "control/Kadrelle.h"

namespace kadrelle {

// Read access to the control's state record, for tests.
class KadrelleTestAccess {
 public:
  explicit KadrelleTestAccess(Kadrelle& k) : k_(k) {}
  std::int32_t debugLevel() const { return k_.m_debugLevel; }
  bool loading() const { return static_cast<bool>(k_.m_loading); }
  bool inResize() const { return static_cast<bool>(k_.m_inResize); }
  ViewRef view() const { return k_.m_view; }
  const std::string& viewDescription() const { return k_.m_viewDescription; }
  const std::string& captionText() const { return k_.m_captionText; }
  const std::string& unitsText() const { return k_.m_unitsText; }
  const std::string& captionRTF() const { return k_.m_captionRTF; }
  void setLoading(bool v) { k_.m_loading = Boolean(v); }
  void setCaptionText(std::string t) { k_.m_captionText = std::move(t); }
  void setCaptionFont(FontRef f) { k_.m_CaptionFont = std::move(f); }
  void setCaptionPosition(std::int32_t p) {
    k_.m_CaptionPosition = static_cast<CaptionPositions>(p);
  }
  void setUnitsFontScale(std::int32_t s) { k_.m_UnitsFontScale = s; }
  void setParamKey(std::string k) { k_.m_ParamKey = std::move(k); }
  const std::string& paramKey() const { return k_.m_ParamKey; }
  void trace(const std::string& message, const std::string& procedure, std::int32_t level) {
    k_.Trace(message, procedure, level);
  }
  void updateFromState() { k_.updateFromState(); }

 private:
  Kadrelle& k_;
};

}  // namespace kadrelle
