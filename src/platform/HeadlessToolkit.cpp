#include "platform/HeadlessToolkit.h"

#include <cmath>

namespace kadrelle {

float HeadlessMetrics::lineHeight(double points) {
  return static_cast<float>(std::round(points * 20.0 * 13.0 / 11.0));
}

float HeadlessMetrics::charWidth(double points) {
  return static_cast<float>(points * 10.0);
}

int HeadlessMetrics::lineCount(const std::string& text) {
  int lines = 1;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      ++lines;
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (text[i] == '\n') {
      ++lines;
    }
  }
  return lines;
}

std::size_t HeadlessMetrics::longestLine(const std::string& text) {
  std::size_t longest = 0, current = 0;
  for (char c : text) {
    if (c == '\r' || c == '\n') {
      current = 0;
    } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
      longest = std::max(longest, ++current);
    }
  }
  return longest;
}

void HeadlessSurface::resize(float width, float height) {
  if (width == width_ && height == height_) return;
  width_ = width;
  height_ = height;
  Resize.raise();
}

float HeadlessSurface::TextHeight(const std::string& text) const {
  return static_cast<float>(HeadlessMetrics::lineCount(text)) *
         HeadlessMetrics::lineHeight(kFontPoints);
}

void HeadlessLabel::put_Caption(const std::string& caption) {
  caption_ = caption;
  const double points = HeadlessSurface::kFontPoints;
  setSize(static_cast<float>(HeadlessMetrics::longestLine(caption)) *
              HeadlessMetrics::charWidth(points),
          static_cast<float>(HeadlessMetrics::lineCount(caption)) *
              HeadlessMetrics::lineHeight(points));
}

void HeadlessRichTextBox::put_TextRTF(const std::string& rtf) {
  rtf_ = rtf;
  document_ = readRtf(rtf);
  text_ = document_.text();
}

std::unique_ptr<ControlSurface> HeadlessToolkit::createSurface() {
  auto s = std::make_unique<HeadlessSurface>();
  surfaces.push_back(s.get());
  return s;
}

std::unique_ptr<Label> HeadlessToolkit::createLabel(ControlSurface&) {
  auto l = std::make_unique<HeadlessLabel>();
  labels.push_back(l.get());
  return l;
}

std::unique_ptr<PictureBox> HeadlessToolkit::createPictureBox(ControlSurface&) {
  auto p = std::make_unique<HeadlessPictureBox>();
  pictureBoxes.push_back(p.get());
  return p;
}

std::unique_ptr<RichTextBox> HeadlessToolkit::createRichTextBox(PictureBox&) {
  auto r = std::make_unique<HeadlessRichTextBox>();
  richTextBoxes.push_back(r.get());
  return r;
}

}  // namespace kadrelle
