// Showing one drive change on screen: a visible KadrelleWidget bound to the speed limit against a
// plain QDoubleSpinBox::setValue plus QLabel::setText of a 250-byte rich text, each followed by
// the repaint the event loop does. The run ends with the ratio of the two (at most 1 wanted).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QVBoxLayout>
#include <cstdio>
#include <map>

#include "brommet/BrommetLibrary.h"
#include "brommet/ServoDrive.h"
#include "platform/DebugChannel.h"
#include "platform/IniSettingsStore.h"
#include "qt/KadrelleWidget.h"

namespace {

using namespace kadrelle;

void showAndSettle(QWidget& w) {
  w.resize(320, 80);
  w.show();
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

void kadrelleWidgetDriveChange(benchmark::State& state) {
  auto drive = std::make_shared<ServoDrive>();
  drive->appLock()->put_Level(1);
  BrommetLibrary library(drive);
  IniSettingsStore settings("/nonexistent");  // no trace mask: no trace lines
  StderrDebugChannel debug;
  KadrelleWidget w({library, settings, debug}, nullptr);
  auto value = library.createValueObject();
  value->put_ParameterNumber(param::SpeedLimit);
  w.setValueObjRef(value);
  showAndSettle(w);
  double counts = 6553600;
  for (auto _ : state) {
    counts = counts == 6553600 ? 6555784 : 6553600;  // 3000 and 3001 RPM
    drive->setValue(param::SpeedLimit, counts);
    QApplication::processEvents();
  }
}
BENCHMARK(kadrelleWidgetDriveChange);

void spinBoxAndRichLabel(benchmark::State& state) {
  QWidget w;
  auto* layout = new QVBoxLayout(&w);
  auto* label = new QLabel;
  auto* spin = new QDoubleSpinBox;
  spin->setRange(0, 6000);
  layout->addWidget(label);
  layout->addWidget(spin);
  // Two 250-byte captions that differ in one character, so each setText lays the text out.
  QString texts[2];
  for (int i = 0; i < 2; ++i) {
    texts[i] = QStringLiteral(
                   "<p style=\"font-family:Arial\"><b>Axis %1 Speed Limit</b> "
                   "<span style=\"font-size:6pt\">(RPM)</span><br/>Upper limit of "
                   "the motor speed in both directions of rotation</p>")
                   .arg(i + 1);
    while (texts[i].toUtf8().size() < 250) texts[i] += QLatin1Char(' ');
  }
  showAndSettle(w);
  int n = 0;
  for (auto _ : state) {
    n ^= 1;
    spin->setValue(3000 + n);
    label->setText(texts[n]);
    QApplication::processEvents();
  }
}
BENCHMARK(spinBoxAndRichLabel);

// Prints the runs as usual, then the ratio of the Kadrelle widget to the plain widgets.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs)
      if (r.run_type == Run::RT_Iteration)
        times_[r.run_name.function_name] = r.GetAdjustedRealTime();
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    const auto k = times_.find("kadrelleWidgetDriveChange");
    const auto q = times_.find("spinBoxAndRichLabel");
    if (k != times_.end() && q != times_.end() && q->second > 0)
      std::printf("ratio KadrelleWidget / QDoubleSpinBox+QLabel: %.2f\n", k->second / q->second);
  }

 private:
  std::map<std::string, double> times_;
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
