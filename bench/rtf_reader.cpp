// Reading the caption documents the control gives its rich-text box on every caption update.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/RtfDocument.h"

namespace {

const std::string kSharedLine =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}"
    "{\\f2\\fnil\\fcharset2 Symbol;}}\r\n\\viewkind4\\pard\\slmult1\\i0\\ql\\b0\\fs16 Speed "
    "Limit\\slmult1\\b0\\fs13  (RPM)\\par}";

const std::string kTwoLines =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}"
    "{\\f2\\fnil\\fcharset2 Symbol;}}\r\n\\viewkind4\\pard\\slmult1\\i0\\qc\\b1\\fs16 Maximum "
    "motor current, peak {\\f2 W}\\par\\slmult1\\b0\\fs16 (A\\'b5)\\par}";

void readDocument(benchmark::State& state, const std::string& rtf) {
  for (auto _ : state) {
    kadrelle::RtfDocument doc = kadrelle::readRtf(rtf);
    benchmark::DoNotOptimize(doc);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(rtf.size()));
}

void BM_ReadCaptionSharedLine(benchmark::State& state) {
  readDocument(state, kSharedLine);
}
BENCHMARK(BM_ReadCaptionSharedLine);

void BM_ReadCaptionTwoLines(benchmark::State& state) {
  readDocument(state, kTwoLines);
}
BENCHMARK(BM_ReadCaptionTwoLines);

void BM_ReadCaptionAndText(benchmark::State& state) {
  for (auto _ : state) {
    std::string text = kadrelle::readRtf(kSharedLine).text();
    benchmark::DoNotOptimize(text);
  }
}
BENCHMARK(BM_ReadCaptionAndText);

}  // namespace
