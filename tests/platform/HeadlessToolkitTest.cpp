#include "platform/HeadlessToolkit.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/Error.h"

namespace kadrelle {
namespace {

TEST(HeadlessMetrics, ArialLineIs195Twips) {
  EXPECT_EQ(HeadlessMetrics::lineHeight(8.25), 195.0f);
  EXPECT_EQ(HeadlessMetrics::lineHeight(11), 260.0f);
  EXPECT_EQ(HeadlessMetrics::charWidth(8.25), 82.5f);
  EXPECT_EQ(HeadlessSurface().TextHeight("a\r\nb"), 390.0f);
}

TEST(HeadlessMetrics, CountLinesAndCharacters) {
  struct Case {
    std::string text;
    int lines;
    std::size_t longest;
  };
  for (const Case& c : {Case{"", 1, 0}, Case{"Speed Limit\r\n(RPM)", 2, 11}, Case{"ab\rc", 2, 2},
                        Case{"a\n\rb", 3, 1}, Case{"ab\r\n", 2, 2},
                        Case{"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", 1, 3}}) {
    EXPECT_EQ(HeadlessMetrics::lineCount(c.text), c.lines) << c.text;
    EXPECT_EQ(HeadlessMetrics::longestLine(c.text), c.longest) << c.text;
  }
}

// Resize comes for real size changes only, and a handler may resize again from inside it.
TEST(HeadlessSurface, ResizeRaisedOnSizeChangeOnly) {
  HeadlessSurface s;
  std::vector<float> heights;
  Connection c = s.Resize.connect([&] {
    heights.push_back(s.get_Height());
    if (s.get_Height() < 295) s.put_Height(295);
  });
  s.resize(s.get_Width(), s.get_Height());
  s.resize(1000, 500);
  EXPECT_EQ(s.get_ScaleWidth(), 1000.0f);
  EXPECT_EQ(s.get_ScaleHeight(), 500.0f);
  s.put_Height(500);
  s.resize(1000, 200);
  EXPECT_EQ(heights, (std::vector<float>{500, 200, 295}));
  EXPECT_EQ(s.get_Height(), 295.0f);
  EXPECT_EQ(s.get_Width(), 1000.0f);
}

TEST(HeadlessLabel, SizesItselfToItsCaption) {
  HeadlessSurface surface;
  HeadlessLabel label(surface);
  label.Move(100, 200, 5000, 5000);
  label.put_Caption("Speed Limit\r\n(RPM)");
  EXPECT_EQ(label.get_Width(), 11 * 82.5f);
  EXPECT_EQ(label.get_Height(), 390.0f);
  EXPECT_EQ(label.get_Left(), 100.0f);
  EXPECT_EQ(label.get_Top(), 200.0f);
  label.put_Caption("");
  EXPECT_EQ(label.get_Width(), 0.0f);
  EXPECT_EQ(label.get_Height(), 195.0f);
}

TEST(HeadlessRichTextBox, ReadsTheDocument) {
  HeadlessSurface surface;
  HeadlessPictureBox parent(surface);
  HeadlessRichTextBox box(parent);
  const std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\qc Speed\\par (RPM)\\par}";
  box.put_TextRTF(rtf);
  EXPECT_EQ(box.get_TextRTF(), rtf);
  EXPECT_EQ(box.get_Text(), "Speed\r\n(RPM)");
  EXPECT_EQ(box.document().paragraphs.at(1).alignment, RtfAlignment::Center);
  box.put_TextRTF("");
  EXPECT_EQ(box.get_Text(), "");
  EXPECT_TRUE(box.document().paragraphs.empty());
}

// Every child shares the same Move; one kind stands for all.
TEST(HeadlessChild, MovePlacesAndRefusesNegativeSizes) {
  HeadlessSurface surface;
  HeadlessPictureBox child(surface);
  const auto place = [&] {
    return std::vector<float>{child.get_Left(), child.get_Top(), child.get_Width(),
                              child.get_Height()};
  };
  child.Move(-10, -20, 0, 300);
  EXPECT_EQ(place(), (std::vector<float>{-10, -20, 0, 300}));
  for (auto [w, h] : {std::pair{-1.0f, 10.0f}, std::pair{10.0f, -0.5f}}) {
    try {
      child.Move(50, 60, w, h);
      ADD_FAILURE() << "no error for " << w << " x " << h;
    } catch (const Error& e) {
      EXPECT_EQ(e.number(), Error::kInvalidPropertyValue);
    }
    EXPECT_EQ(place(), (std::vector<float>{-10, -20, 0, 300}));
  }
}

TEST(HeadlessToolkit, ChildrenKnowTheirParentAndRaiseOneDisplayEventPerChange) {
  HeadlessToolkit toolkit;
  auto surface = toolkit.createSurface();
  auto label = toolkit.createLabel(*surface);
  auto box = toolkit.createPictureBox(*surface);
  auto rich = toolkit.createRichTextBox(*box);
  EXPECT_EQ(&static_cast<HeadlessLabel&>(*label).parent(), surface.get());
  EXPECT_EQ(&static_cast<HeadlessPictureBox&>(*box).parent(), surface.get());
  EXPECT_EQ(&static_cast<HeadlessRichTextBox&>(*rich).parent(), box.get());

  int events = 0;
  Connection c[] = {surface->DisplayChanged.connect([&] { ++events; }),
                    label->DisplayChanged.connect([&] { ++events; }),
                    box->DisplayChanged.connect([&] { ++events; }),
                    rich->DisplayChanged.connect([&] { ++events; })};
  const std::pair<const char*, std::function<void()>> writes[] = {
      {"surface size", [&] { surface->resize(100, 200); }},
      {"surface colour", [&] { surface->put_BackColor(0xFF); }},
      {"surface style", [&] { surface->put_BackStyle(0); }},
      {"label text", [&] { label->put_Caption("ab"); }},
      {"label text, same size", [&] { label->put_Caption("cd"); }},
      {"move", [&] { box->Move(1, 2, 3, 4); }},
      {"visible", [&] { box->put_Visible(kFalse); }},
      {"tooltip", [&] { box->put_ToolTipText("tip"); }},
      {"box colour", [&] { box->put_BackColor(0xFF); }},
      {"document", [&] { rich->put_TextRTF("{\\rtf1 x}"); }},
      {"rich colour", [&] { rich->put_BackColor(0xFF); }},
      {"enabled", [&] { rich->put_Enabled(kFalse); }},
  };
  for (const auto& [name, write] : writes) {
    events = 0;
    write();
    EXPECT_EQ(events, 1) << name;
    write();
    EXPECT_EQ(events, 1) << name << ", written again";
  }
  EXPECT_EQ(rich->get_Text(), "x");
}

}  // namespace
}  // namespace kadrelle
