// What the Qt path costs against the widgets a Qt developer would otherwise pick: a
// QDoubleSpinBox for the value and a QLabel with a 250-byte rich text for the caption.
//
//  - DriveChange/EventLoop: one drive change shown through the event loop (the change, then the
//    posted events processed and what they marked painted), against QDoubleSpinBox::setValue
//    alone (the caption does not change on a drive change).
//  - DriveChange/Repaint: one drive change, then the widget that shows the value repainted at
//    once, against setValue and repaint of the spin box.
//  - ShowForm/1000: a form of 1,000 bound widgets created, shown and painted, against 1,000 spin
//    box and label pairs.
//
// Every malloc of the program is counted, so allocations per operation include Qt's own.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <QApplication>
#include <QDoubleSpinBox>
#include <QLabel>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

#include "brommet/BrommetLibrary.h"
#include "brommet/ParameterCatalog.h"
#include "brommet/ServoDrive.h"
#include "platform/DebugChannel.h"
#include "platform/IniSettingsStore.h"
#include "qt/KadrelleWidget.h"
#include "qt/QtToolkit.h"

extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void __libc_free(void*);
}

namespace {
std::size_t allocations = 0;
}  // namespace

extern "C" void* malloc(std::size_t size) {
  ++allocations;
  return __libc_malloc(size);
}
extern "C" void* calloc(std::size_t n, std::size_t size) {
  ++allocations;
  return __libc_calloc(n, size);
}
extern "C" void* realloc(void* p, std::size_t size) {
  if (!p) ++allocations;
  return __libc_realloc(p, size);
}
extern "C" void free(void* p) {
  __libc_free(p);
}

namespace {

using namespace kadrelle;

template <class Body>
void counted(benchmark::State& state, Body body, double perOperation = 1) {
  const std::size_t before = allocations;
  for (auto _ : state) body();
  state.counters["allocs/op"] =
      benchmark::Counter(static_cast<double>(allocations - before) /
                         static_cast<double>(state.iterations()) / perOperation);
}

void settle(QWidget& w) {
  w.show();
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

// The drive, the user's settings (none: no trace lines) and standard error, for every widget.
struct Services {
  Services() { drive->appLock()->put_Level(1); }
  std::shared_ptr<ServoDrive> drive = std::make_shared<ServoDrive>();
  BrommetLibrary library{drive};
  IniSettingsStore settings{"/nonexistent"};
  StderrDebugChannel debug;
  KadrelleWidget::Services services() { return {library, settings, debug}; }
};

// 3000 and 3001 RPM, in drive counts.
constexpr double kCounts[] = {6553600, 6555784};

// A 250-byte rich caption, as a developer would write the control's caption for a QLabel.
QString richCaption(int axis) {
  QString text = QStringLiteral(
                     "<p style=\"font-family:Arial\"><b>Axis %1 Speed Limit</b> "
                     "<span style=\"font-size:6pt\">(RPM)</span><br/>Upper limit of "
                     "the motor speed in both directions of rotation</p>")
                     .arg(axis);
  while (text.toUtf8().size() < 250) text += QLatin1Char(' ');
  return text;
}

struct ShownKadrelle {
  Services s;
  KadrelleWidget w{s.services(), nullptr};
  ShownKadrelle() {
    w.resize(320, 40);
    w.setValueObjRef(s.library.makeValueObject(param::SpeedLimit));
    settle(w);
  }
  QWidget* box() const { return qt::QtToolkit::widgetOf(w.control().children().editBox); }
};

struct ShownSpinBox {
  QWidget w;
  QLabel* label = new QLabel(&w);
  QDoubleSpinBox* spin = new QDoubleSpinBox(&w);
  ShownSpinBox() {
    w.resize(320, 40);
    label->setText(richCaption(1));
    label->setGeometry(80, 0, 240, 40);
    spin->setGeometry(0, 0, 80, 25);
    spin->setRange(0, 6000);
    settle(w);
  }
};

void DriveChangeEventLoop_Kadrelle(benchmark::State& state) {
  ShownKadrelle k;
  std::size_t i = 0;
  counted(state, [&] {
    k.s.drive->setValue(param::SpeedLimit, kCounts[++i & 1]);
    QApplication::processEvents();
  });
}
BENCHMARK(DriveChangeEventLoop_Kadrelle);

void DriveChangeEventLoop_SpinBox(benchmark::State& state) {
  ShownSpinBox q;
  int n = 0;
  counted(state, [&] {
    q.spin->setValue(3000 + (n ^= 1));
    QApplication::processEvents();
  });
}
BENCHMARK(DriveChangeEventLoop_SpinBox);

void DriveChangeRepaint_Kadrelle(benchmark::State& state) {
  ShownKadrelle k;
  QWidget* box = k.box();
  std::size_t i = 0;
  counted(state, [&] {
    k.s.drive->setValue(param::SpeedLimit, kCounts[++i & 1]);
    box->repaint();
  });
  QApplication::processEvents();
}
BENCHMARK(DriveChangeRepaint_Kadrelle);

void DriveChangeRepaint_SpinBox(benchmark::State& state) {
  ShownSpinBox q;
  int n = 0;
  counted(state, [&] {
    q.spin->setValue(3000 + (n ^= 1));
    q.spin->repaint();
  });
  QApplication::processEvents();
}
BENCHMARK(DriveChangeRepaint_SpinBox);

// A form as a tuning page is built: each control placed in a grid, bound to one of the drive's
// numeric parameters (the peer: the parameter's caption and value set), then the form shown and
// painted.
std::vector<ParameterNumbers> numericParameters() {
  std::vector<ParameterNumbers> numbers;
  for (const ParameterInfo& info : ParameterCatalog::all())
    if (!info.text) numbers.push_back(info.number);
  return numbers;
}

QRect cell(std::int64_t n) {
  return QRect(int(n % 10) * 330, int(n / 10) * 45, 320, 40);
}

void ShowForm_Kadrelle(benchmark::State& state) {
  Services s;
  const auto numbers = numericParameters();
  counted(
      state,
      [&] {
        QWidget form;
        form.resize(3300, int(state.range(0) / 10) * 45);
        for (std::int64_t n = 0; n < state.range(0); ++n) {
          auto* w = new KadrelleWidget(s.services(), &form);
          w->setGeometry(cell(n));
          w->setValueObjRef(s.library.makeValueObject(numbers[n % numbers.size()]));
        }
        settle(form);
      },
      double(state.range(0)));
  state.counters["time/control"] =
      benchmark::Counter(double(state.range(0)), benchmark::Counter::kIsIterationInvariantRate |
                                                     benchmark::Counter::kInvert);
}
BENCHMARK(ShowForm_Kadrelle)->Arg(1000)->Unit(benchmark::kMillisecond);

void ShowForm_SpinBox(benchmark::State& state) {
  const auto numbers = numericParameters();
  counted(
      state,
      [&] {
        QWidget form;
        form.resize(3300, int(state.range(0) / 10) * 45);
        for (std::int64_t n = 0; n < state.range(0); ++n) {
          const ParameterInfo& info = *ParameterCatalog::find(numbers[n % numbers.size()]);
          const QRect at = cell(n);
          auto* label = new QLabel(&form);
          label->setGeometry(at.adjusted(80, 0, 0, 0));
          label->setText(
              QStringLiteral("<b>%1</b> (%2)")
                  .arg(QString::fromUtf8(info.description.data(),
                                         qsizetype(info.description.size())),
                       QString::fromUtf8(info.appUnits.data(), qsizetype(info.appUnits.size()))));
          auto* spin = new QDoubleSpinBox(&form);
          spin->setGeometry(at.left(), at.top(), 80, 25);
          spin->setRange(info.appLower, info.appUpper);
          spin->setValue(info.defaultValue * info.scale);
        }
        settle(form);
      },
      double(state.range(0)));
  state.counters["time/control"] =
      benchmark::Counter(double(state.range(0)), benchmark::Counter::kIsIterationInvariantRate |
                                                     benchmark::Counter::kInvert);
}
BENCHMARK(ShowForm_SpinBox)->Arg(1000)->Unit(benchmark::kMillisecond);

// Prints the runs as usual, then each Kadrelle benchmark's time against its peer's.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    // One run, or the median of repetitions.
    for (const Run& r : runs)
      if (r.run_type == Run::RT_Iteration || r.aggregate_name == "median")
        times_[r.run_name.str()] = r.GetAdjustedCPUTime();
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    for (const auto& [name, time] : times_) {
      const auto at = name.find("_Kadrelle");
      if (at == std::string::npos) continue;
      std::string peer = name;
      peer.replace(at, 9, "_SpinBox");
      if (auto q = times_.find(peer); q != times_.end() && q->second > 0)
        std::printf("%s / %s: %.2f\n", name.c_str(), peer.c_str(), time / q->second);
    }
  }

 private:
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  // The ratios are printed with the console output; other formats (--benchmark_format=json)
  // leave them to the reader, as scripts/bench does.
  RatioReporter console;
  benchmark::RunSpecifiedBenchmarks(&console);
  benchmark::Shutdown();
  return 0;
}
