#include "TrendView.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace kadrelle::gui {

void dropOlder(TrendSeries& series, double now, double span) {
  while (!series.samples.empty() && series.samples.front().first < now - span)
    series.samples.pop_front();
}

std::pair<double, double> plotRange(const TrendSeries& series) {
  if (series.samples.empty()) return {0, 1};
  double low = series.samples.front().second, high = low;
  for (const auto& [t, v] : series.samples) {
    low = std::min(low, v);
    high = std::max(high, v);
  }
  const double margin = high > low ? (high - low) * 0.1 : std::max(1.0, std::abs(high) * 0.1);
  return {low - margin, high + margin};
}

TrendView::TrendView(std::vector<TrendSeries> series, QWidget* parent)
    : QWidget(parent), series_(std::move(series)) {
  setMinimumHeight(60 * int(series_.size()));
}

void TrendView::add(double seconds, const std::vector<double>& values) {
  now_ = seconds;
  for (std::size_t i = 0; i < series_.size() && i < values.size(); ++i) {
    series_[i].samples.emplace_back(seconds, values[i]);
    dropOlder(series_[i], seconds, kSpan);
  }
  update();
}

void TrendView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Base));
  painter.setRenderHint(QPainter::Antialiasing);
  const QFontMetrics metrics(font());
  const int rows = std::max<int>(1, int(series_.size()));
  const int rowHeight = height() / rows;
  const QColor colors[] = {QColor(0x1f, 0x77, 0xb4), QColor(0xd6, 0x27, 0x28),
                           QColor(0x2c, 0xa0, 0x2c)};
  for (int row = 0; row < int(series_.size()); ++row) {
    const TrendSeries& s = series_[std::size_t(row)];
    const QRect band(0, row * rowHeight, width(), rowHeight);
    const double latest = s.samples.empty() ? 0 : s.samples.back().second;
    const QString value = QString::number(latest, 'f', 1) + " " + s.units;
    const auto [low, high] = plotRange(s);
    const QString range = QString::number(low, 'g', 4) + " … " + QString::number(high, 'g', 4);
    // "Name: value" and the range on one line, or in a narrow view the name above the value and
    // the range: no text covers another.
    const QRect header = band.adjusted(6, 2, -6, 0);
    const QString oneLine = s.name + ": " + value;
    const bool fits = metrics.horizontalAdvance(oneLine + "    " + range) <= header.width();
    const QRect second = header.adjusted(0, fits ? 0 : metrics.height(), 0, 0);
    const QRect plot = band.adjusted(6, metrics.height() * (fits ? 1 : 2) + 4, -6, -4);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(plot);
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(header, Qt::AlignLeft | Qt::AlignTop,
                     metrics.elidedText(fits ? oneLine : s.name, Qt::ElideRight, header.width()));
    if (!fits) painter.drawText(second, Qt::AlignLeft | Qt::AlignTop, value);
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(second, Qt::AlignRight | Qt::AlignTop, range);
    if (s.samples.empty() || plot.height() < 2) continue;
    QPainterPath path;
    for (const auto& [t, v] : s.samples) {
      const QPointF p(plot.right() - (now_ - t) / kSpan * plot.width(),
                      plot.bottom() - (v - low) / (high - low) * plot.height());
      if (path.elementCount() == 0)
        path.moveTo(p);
      else
        path.lineTo(p);
    }
    painter.setPen(QPen(colors[row % 3], 1.5));
    painter.drawPath(path);
  }
}

}  // namespace kadrelle::gui
