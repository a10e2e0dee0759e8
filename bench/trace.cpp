// What tracing costs a refresh: the same drive change with every trace level hidden (each trace
// call only tests the mask) and with every level shown (each builds and writes its line).
#include <benchmark/benchmark.h>

#include "control/Kadrelle.h"
#include "kadrelle_test/Fakes.h"

namespace {

using namespace kadrelle;

class NullChannel : public DebugChannel {
 public:
  void Output(std::string_view line) override { benchmark::DoNotOptimize(line.data()); }
};

void refreshTraced(benchmark::State& state, const char* mask) {
  test::TestSite t;
  t.settings.setDebug(mask);
  NullChannel channel;
  ControlSite site{t.container, t.toolkit, t.editBoxes, t.values, t.settings, channel};
  Kadrelle k(site);
  k.UserControl_InitProperties();
  k.put_ParamKey("P1010");
  auto value = t.makeValue();
  k.putref_ValueObjRef(value);
  const Variant changed(1.0);
  for (auto _ : state) {
    value->ContentChanged.raise(changed);
    t.log.clear();
  }
  state.SetItemsProcessed(state.iterations());
}

void RefreshTraceHidden(benchmark::State& state) {
  refreshTraced(state, "0");
}
void RefreshTraceShown(benchmark::State& state) {
  refreshTraced(state, "-1");
}

BENCHMARK(RefreshTraceHidden);
BENCHMARK(RefreshTraceShown);

}  // namespace
