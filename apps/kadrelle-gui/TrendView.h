#pragma once

#include <QString>
#include <QWidget>
#include <deque>
#include <vector>

namespace kadrelle::gui {

// One measured quantity over time: seconds and values, oldest first.
struct TrendSeries {
  QString name;
  QString units;
  std::deque<std::pair<double, double>> samples;
};

// Drops the samples older than `span` seconds before `now`.
void dropOlder(TrendSeries& series, double now, double span);
// The range a plot shows for the values: their lowest and highest, widened so that a constant
// value sits in the middle of a band and not on an edge.
std::pair<double, double> plotRange(const TrendSeries& series);

// The measured values over the last minute, one plot a quantity, drawn with the palette's colours
// and the application's font.
class TrendView : public QWidget {
 public:
  static constexpr double kSpan = 60;  // seconds shown

  explicit TrendView(std::vector<TrendSeries> series, QWidget* parent = nullptr);
  // One value for each series at `seconds`; the oldest beyond the span are dropped.
  void add(double seconds, const std::vector<double>& values);
  const std::vector<TrendSeries>& series() const { return series_; }
  QSize sizeHint() const override { return {360, 220}; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  std::vector<TrendSeries> series_;
  double now_ = 0;
};

}  // namespace kadrelle::gui
