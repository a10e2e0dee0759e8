// Formatting the shown value, which every refresh of the edit box does.
#include <benchmark/benchmark.h>

#include <string>

#include "ombrel/OmbrelEditBox.h"
#include "platform/NumberFormat.h"

namespace {

using kadrelle::NumberFormat;

constexpr double kValues[] = {1234.5, -0.25, 1500, 98765.4321, 0, -3.14159, 1e9, 0.0001};

void formatValues(benchmark::State& state, const char* formatText) {
  NumberFormat format(formatText);
  std::string out;
  std::size_t i = 0;
  for (auto _ : state) {
    format.format(kValues[i++ % std::size(kValues)], out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

void BM_FormatDriveView(benchmark::State& state) {
  formatValues(state, "#,##0.####");
}
BENCHMARK(BM_FormatDriveView);

void BM_FormatFixedWithUnits(benchmark::State& state) {
  formatValues(state, "0.00\" rpm\";(0.00\" rpm\");\"stopped\"");
}
BENCHMARK(BM_FormatFixedWithUnits);

void BM_FormatScientific(benchmark::State& state) {
  formatValues(state, "Scientific");
}
BENCHMARK(BM_FormatScientific);

void BM_FormatDefault(benchmark::State& state) {
  formatValues(state, "");
}
BENCHMARK(BM_FormatDefault);

void BM_FormatHex(benchmark::State& state) {
  std::string out;
  std::uint32_t v = 0;
  for (auto _ : state) {
    NumberFormat::formatHex(static_cast<double>(v += 0x1234567), 8, out);
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_FormatHex);

// Compiling a format happens once per refresh of the box's settings.
void BM_CompileFormat(benchmark::State& state) {
  for (auto _ : state) {
    NumberFormat format("#,##0.00;(#,##0.00);\"zero\"");
    benchmark::DoNotOptimize(format);
  }
}
BENCHMARK(BM_CompileFormat);

// What the owner's refresh does to the box: settings and the value, then a redraw.
void BM_RefreshBox(benchmark::State& state) {
  kadrelle::OmbrelEditBox box;
  std::size_t i = 0;
  for (auto _ : state) {
    box.put_FormatString("#,##0.####");
    box.put_InitializeValue(kValues[i++ % std::size(kValues)]);
    box.Refresh();
    benchmark::DoNotOptimize(box.get_SelStart());
  }
}
BENCHMARK(BM_RefreshBox);

}  // namespace
