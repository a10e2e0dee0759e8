// The host-facing objects: the headless toolkit's surface and children, fonts, property bags.
#include "platform/HeadlessToolkit.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "platform/Error.h"
#include "platform/MemoryPropertyBag.h"
#include "platform/StdFont.h"

namespace kadrelle {
namespace {

// An Arial line is 195 twips; lines end at CR LF, CR or LF; widths count characters, not bytes.
TEST(HeadlessMetrics, ArialLinesAndCharacters) {
  EXPECT_EQ(HeadlessMetrics::lineHeight(8.25), 195.0f);
  EXPECT_EQ(HeadlessMetrics::lineHeight(11), 260.0f);
  EXPECT_EQ(HeadlessMetrics::charWidth(8.25), 82.5f);
  EXPECT_EQ(HeadlessSurface().TextHeight("a\r\nb"), 390.0f);
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

// Each child knows its parent; every shown setting raises one display event when it changes and
// none when written again; the rich text box reads its document.
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
  const std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\qc Speed\\par (RPM)\\par}";
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
      {"document", [&] { rich->put_TextRTF(rtf); }},
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
  EXPECT_EQ(rich->get_TextRTF(), rtf);
  EXPECT_EQ(rich->get_Text(), "Speed\r\n(RPM)");
  EXPECT_EQ(rich->document().paragraphs.at(1).alignment, RtfAlignment::Center);
  rich->put_TextRTF("");
  EXPECT_EQ(rich->get_Text(), "");
  EXPECT_TRUE(rich->document().paragraphs.empty());
}

// A new font is Arial 8.25 regular. Bold sets the weight to 700 or 400 (any nonzero raw Boolean
// is True); a weight above 550 reads as bold.
TEST(StdFont, NewFontAndBoldFollowingWeight) {
  StdFont f;
  EXPECT_EQ(std::tuple(f.get_Name(), f.get_Size(), f.get_Weight(), f.get_Bold(), f.get_Charset()),
            std::tuple("Arial", Currency::fromScaled(82500), 400, kFalse, 0));
  EXPECT_EQ(*makeFont(), f);
  EXPECT_EQ(makeFont("Tahoma", 9.75)->get_Size(), Currency::fromScaled(97500));
  for (auto [weight, bold, weightAfter] :
       {std::tuple<std::int16_t, Boolean, std::int16_t>{900, kTrue, 700},
        {100, kFalse, 400},
        {100, Boolean::fromRaw(1), 700}}) {
    f.put_Weight(weight);
    f.put_Bold(bold);
    EXPECT_EQ(f.get_Weight(), weightAfter);
    EXPECT_EQ(f.get_Bold(), Boolean(weightAfter == 700));
  }
  for (std::int16_t weight : {550, 551, -1}) {
    f.put_Weight(weight);
    EXPECT_EQ(f.get_Bold(), Boolean(weight == 551)) << weight;
    EXPECT_EQ(f.get_Weight(), weight);
  }
}

// Entries keep the order of their first write, also when equal to their default; an absent key
// gives the default with its type; keys are exact; values keep their types, fonts by reference.
TEST(MemoryPropertyBag, KeepsFirstWriteOrderTypesAndDefaults) {
  MemoryPropertyBag bag;
  bag.WriteProperty("Enabled", kTrue, kTrue);
  bag.WriteProperty("BackColor", std::int32_t{5}, std::int32_t{0});
  bag.WriteProperty("Caption", "x", "");
  bag.WriteProperty("Enabled", kFalse, kTrue);
  std::vector<std::string> keys;
  for (const auto& [k, v] : bag.entries()) keys.push_back(k);
  EXPECT_EQ(keys, (std::vector<std::string>{"Enabled", "BackColor", "Caption"}));
  EXPECT_EQ(bag.ReadProperty("Enabled", kTrue), Variant(kFalse));
  EXPECT_EQ(bag.find("Missing"), nullptr);
  EXPECT_EQ(bag.ReadProperty("Missing", std::int16_t{7}), Variant(std::int16_t{7}));
  EXPECT_EQ(bag.ReadProperty("caption", 0.0), Variant(0.0));

  FontRef font = makeFont();
  for (const Variant& value :
       {Variant(), Variant(kTrue), Variant(std::int16_t{-1}), Variant(-1), Variant(1.5f),
        Variant(1.5), Variant(Currency::fromScaled(15000)), Variant("1.5"), Variant(font)}) {
    bag.WriteProperty("Value", value, Variant());
    const Variant read = bag.ReadProperty("Value", "default");
    EXPECT_EQ(read.type(), value.type()) << Variant::typeName(value.type());
    EXPECT_EQ(read, value) << Variant::typeName(value.type());
  }
  EXPECT_EQ(objectOf<StdFont>(bag.ReadProperty("Value", Variant())), font);
}

}  // namespace
}  // namespace kadrelle
