// What a drive-tuning form pays per control: the refresh after a drive change, a typed entry,
// creating a control, loading and building whole forms, and the floor every
// refresh stands on (formatting one number and building the caption document into reused
// buffers). The real edit box and the simulated drive are used throughout. Each benchmark reports
// allocations per operation; the form benchmarks also report the peak heap per control.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "brommet/BrommetLibrary.h"
#include "brommet/ParameterCatalog.h"
#include "caption/CaptionRtf.h"
#include "control/Kadrelle.h"
#include "host/Form.h"
#include "host/FormFile.h"
#include "ombrel/OmbrelFactory.h"
#include "platform/HeadlessToolkit.h"
#include "platform/NumberFormat.h"

// Every allocation of the program is counted, and the live heap tracked for peak figures.
namespace {
std::size_t allocations = 0;
std::size_t liveBytes = 0;
std::size_t peakBytes = 0;

void* allocate(std::size_t size) {
  void* p = std::malloc(size == 0 ? 1 : size);
  if (!p) throw std::bad_alloc();
  ++allocations;
  liveBytes += malloc_usable_size(p);
  if (liveBytes > peakBytes) peakBytes = liveBytes;
  return p;
}
void release(void* p) noexcept {
  if (!p) return;
  liveBytes -= malloc_usable_size(p);
  std::free(p);
}
}  // namespace

void* operator new(std::size_t size) {
  return allocate(size);
}
void* operator new[](std::size_t size) {
  return allocate(size);
}
void operator delete(void* p) noexcept {
  release(p);
}
void operator delete[](void* p) noexcept {
  release(p);
}
void operator delete(void* p, std::size_t) noexcept {
  release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  release(p);
}

namespace {

using namespace kadrelle;

class NullContainer : public Container {
 public:
  void PropertyChanged(const std::string&) override {}
  FontRef AmbientFont() override { return makeFont(); }
  std::string AmbientDisplayName() override { return "Kadrelle1"; }
};

class NullSettings : public SettingsStore {
 public:
  std::string GetSetting(const std::string&, const std::string&, const std::string&,
                         const std::string& defaultValue) override {
    return defaultValue;
  }
};

class NullChannel : public DebugChannel {
 public:
  void Output(std::string_view line) override { benchmark::DoNotOptimize(line.data()); }
};

// A host: the headless toolkit, the real edit box and a simulated drive, trace off.
struct Host {
  Host() { drive->appLock()->put_Level(3); }
  ControlSite site() { return {container, toolkit, boxes, library, settings, debug}; }
  Form::Services services() { return {toolkit, boxes, library, settings, debug}; }
  std::unique_ptr<Kadrelle> boundControl(ParameterNumbers number) {
    auto k = std::make_unique<Kadrelle>(site());
    k->UserControl_InitProperties();
    k->children().surface.resize(4000, 400);
    k->putref_ValueObjRef(library.makeValueObject(number));
    return k;
  }

  NullContainer container;
  HeadlessToolkit toolkit;
  OmbrelFactory boxes;
  std::shared_ptr<ServoDrive> drive = std::make_shared<ServoDrive>();
  BrommetLibrary library{drive};
  NullSettings settings;
  NullChannel debug;
};

// Runs the loop, reporting allocations per operation.
template <class Body>
void counted(benchmark::State& state, Body body) {
  const std::size_t before = allocations;
  for (auto _ : state) body();
  state.counters["allocs/op"] = benchmark::Counter(static_cast<double>(allocations - before) /
                                                   static_cast<double>(state.iterations()));
}

// Two drive values of the speed limit that the application view shows differently.
constexpr double kSpeeds[] = {1000.0 * 131072 / 60, 2000.0 * 131072 / 60};

void Floor(benchmark::State& state) {
  const ParameterInfo& info = *ParameterCatalog::find(param::SpeedLimit);
  NumberFormat format(info.appFormat);
  FontRef font = makeFont();
  CaptionInputs in{info.description, info.appUnits, font.get()};
  std::string text, rtf;
  std::size_t i = 0;
  counted(state, [&] {
    format.format(kSpeeds[++i & 1] * info.scale, text);
    captionRtf(in, rtf);
    benchmark::DoNotOptimize(text.data());
    benchmark::DoNotOptimize(rtf.data());
  });
}
BENCHMARK(Floor);

void RefreshAfterDriveChange(benchmark::State& state) {
  Host host;
  auto k = host.boundControl(param::SpeedLimit);
  std::size_t i = 0;
  counted(state, [&] { host.drive->setValue(param::SpeedLimit, kSpeeds[++i & 1]); });
}
BENCHMARK(RefreshAfterDriveChange);

// Many controls showing one parameter: the time per control per change, and the peak heap per
// control of making and binding them. A large form should cost each control what a small one
// does: its working set, not its instructions, is what grows.
void RefreshOfBoundControls(benchmark::State& state) {
  Host host;
  const std::size_t base = liveBytes;
  peakBytes = base;
  std::vector<std::unique_ptr<Kadrelle>> controls;
  for (std::int64_t n = 0; n < state.range(0); ++n)
    controls.push_back(host.boundControl(param::SpeedLimit));
  const double controlCount = static_cast<double>(state.range(0));
  state.counters["peak KB/control"] = static_cast<double>(peakBytes - base) / 1024 / controlCount;
  std::size_t i = 0;
  counted(state, [&] { host.drive->setValue(param::SpeedLimit, kSpeeds[++i & 1]); });
  state.counters["time/control"] = benchmark::Counter(
      controlCount, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(RefreshOfBoundControls)->Arg(200)->Arg(1000)->Arg(10000);

void TypedEntryCommitted(benchmark::State& state) {
  Host host;
  auto k = host.boundControl(param::SpeedLimit);
  EditBox& box = k->children().editBox;
  box.focusIn();
  const std::string entries[] = {"1000", "2000"};
  std::size_t i = 0;
  counted(state, [&] {
    box.put_Text(entries[++i & 1]);
    box.keyDown(13, 0);
    box.keyPress(13);
    box.keyUp(13, 0);
  });
}
BENCHMARK(TypedEntryCommitted);

void CreateAndInitProperties(benchmark::State& state) {
  Host host;
  counted(state, [&] {
    Kadrelle k(host.site());
    k.UserControl_InitProperties();
    benchmark::DoNotOptimize(&k);
  });
}
BENCHMARK(CreateAndInitProperties);

// A form of bound controls, as a tuning page is built: each control made, placed and bound to one
// of the drive's numeric parameters.
void buildForm(Host& host, Form& form, std::int64_t count) {
  std::vector<ParameterNumbers> numbers;
  for (const ParameterInfo& info : ParameterCatalog::all())
    if (!info.text) numbers.push_back(info.number);
  for (std::int64_t n = 0; n < count; ++n)
    form.addNew("", {0, 0, 4000, 400})
        .putref_ValueObjRef(host.library.makeValueObject(numbers[n % numbers.size()]));
}

void reportForm(benchmark::State& state, std::size_t before, std::size_t peak) {
  const double controls = static_cast<double>(state.range(0));
  const double iterations = static_cast<double>(state.iterations());
  state.counters["allocs/op"] =
      benchmark::Counter(static_cast<double>(allocations - before) / iterations);
  state.counters["peak KB/control"] = static_cast<double>(peak) / 1024 / controls;
  state.counters["time/control"] = benchmark::Counter(
      controls, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BuildForm(benchmark::State& state) {
  Host host;
  std::size_t before = allocations, peak = 0;
  for (auto _ : state) {
    const std::size_t base = liveBytes;
    peakBytes = base;
    {
      Form form(host.services());
      buildForm(host, form, state.range(0));
      state.PauseTiming();
    }
    peak = std::max(peak, peakBytes - base);
    state.ResumeTiming();
  }
  reportForm(state, before, peak);
}
BENCHMARK(BuildForm)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void LoadFormFile(benchmark::State& state) {
  Host host;
  std::string json;
  {
    Form form(host.services());
    for (std::int64_t n = 0; n < state.range(0); ++n) {
      Kadrelle& k = form.addNew("", {120, 240.0f + 400 * n, 4000, 400});
      k.put_EditorWidth(1200);
      k.put_UserDescription("Speed " + std::to_string(n));
    }
    json = FormFile::toJson(form);
  }
  std::size_t before = allocations, peak = 0;
  for (auto _ : state) {
    const std::size_t base = liveBytes;
    peakBytes = base;
    {
      Form form(host.services());
      FormFile::fromJson(json, "bench.json", form);
      state.PauseTiming();
    }
    peak = std::max(peak, peakBytes - base);
    state.ResumeTiming();
  }
  reportForm(state, before, peak);
}
BENCHMARK(LoadFormFile)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
