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
  DisplayChanged.raise();
  raiseResize();
}

float HeadlessSurface::TextHeight(const std::string& text) const {
  return static_cast<float>(HeadlessMetrics::lineCount(text)) *
         HeadlessMetrics::lineHeight(kFontPoints);
}

void HeadlessLabel::put_Caption(const std::string& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  const double points = HeadlessSurface::kFontPoints;
  const float width = static_cast<float>(HeadlessMetrics::longestLine(caption)) *
                      HeadlessMetrics::charWidth(points);
  const float height =
      static_cast<float>(HeadlessMetrics::lineCount(caption)) * HeadlessMetrics::lineHeight(points);
  if (width == get_Width() && height == get_Height()) {
    DisplayChanged.raise();  // the text changed, the size did not
  } else {
    setSize(width, height);
  }
}

void HeadlessRichTextBox::put_TextRTF(const std::string& rtf) {
  // The same document again keeps what is shown (and its layout) as it is.
  if (rtf == rtf_) return;
  rtf_ = rtf;
  // Only the plain text is kept: most captions are measured and never drawn run by run.
  document_.reset();
  text_ = readRtf(rtf).text();
  DisplayChanged.raise();
}

const RtfDocument& HeadlessRichTextBox::document() const {
  if (!document_) document_ = std::make_unique<RtfDocument>(readRtf(rtf_));
  return *document_;
}

std::unique_ptr<ControlSurface> HeadlessToolkit::createSurface() {
  return std::make_unique<HeadlessSurface>();
}

std::unique_ptr<Label> HeadlessToolkit::createLabel(ControlSurface& parent) {
  return std::make_unique<HeadlessLabel>(parent);
}

std::unique_ptr<PictureBox> HeadlessToolkit::createPictureBox(ControlSurface& parent) {
  return std::make_unique<HeadlessPictureBox>(parent);
}

std::unique_ptr<RichTextBox> HeadlessToolkit::createRichTextBox(PictureBox& parent) {
  return std::make_unique<HeadlessRichTextBox>(parent);
}

}  // namespace kadrelle
