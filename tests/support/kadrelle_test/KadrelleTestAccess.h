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
  void setLoading(bool v) { k_.m_loading = Boolean(v); }
  void setCaptionText(std::string t) { k_.m_captionText = std::move(t); }
  void setParamKey(std::string k) { k_.m_ParamKey = std::move(k); }
  const std::string& paramKey() const { return k_.m_ParamKey; }
  void trace(const std::string& message, const std::string& procedure, std::int32_t level) {
    k_.Trace(message, procedure, level);
  }

 private:
  Kadrelle& k_;
};

}  // namespace kadrelle
