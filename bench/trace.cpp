// Cost of a trace call: with its level hidden it only tests the mask; with it shown it builds and
// writes one line.
#include <benchmark/benchmark.h>

#include "control/Kadrelle.h"
#include "kadrelle_test/Fakes.h"
#include "kadrelle_test/KadrelleTestAccess.h"

namespace {

using namespace kadrelle;

class NullChannel : public DebugChannel {
 public:
  void Output(std::string_view line) override { benchmark::DoNotOptimize(line.data()); }
};

void traceCalls(benchmark::State& state, const char* mask) {
  test::TestSite t;
  t.settings.setDebug(mask);
  NullChannel channel;
  ControlSite site{t.container, t.toolkit, t.editBoxes, t.values, t.settings, channel};
  Kadrelle k(site);
  KadrelleTestAccess access(k);
  access.setParamKey("P1010");
  access.setCaptionText("Speed Limit");
  const std::string message = "start";
  const std::string procedure = "m_ValueObjRef_ContentChanged";
  for (auto _ : state) access.trace(message, procedure, 32);
  state.SetItemsProcessed(state.iterations());
}

void TraceLevelHidden(benchmark::State& state) {
  traceCalls(state, "0");
}
void TraceLevelShown(benchmark::State& state) {
  traceCalls(state, "32");
}

BENCHMARK(TraceLevelHidden);
BENCHMARK(TraceLevelShown);

}  // namespace
