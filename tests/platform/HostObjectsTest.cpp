// What the control and its host share: events and their connections, the headless toolkit's
// surface and children, fonts, property bags.
#include "platform/HeadlessToolkit.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "kadrelle_test/Checks.h"
#include "platform/Error.h"
#include "platform/Event.h"
#include "platform/MemoryPropertyBag.h"
#include "platform/StdFont.h"

namespace kadrelle {
namespace {

// The raise has a path for one handler and one for several; every behaviour is checked on both.
class EventTest : public testing::TestWithParam<int> {};

// By-reference arguments reach the sender through every handler in connection order, each
// seeing what the one before wrote; by-value arguments are each handler's own; destroying a
// connection disconnects. A handler may destroy the sender during the raise: no handler is called
// after that, and connections outliving their event disconnect harmlessly.
TEST_P(EventTest, ArgumentsConnectionLifetimeAndSenderDestroyedDuringRaise) {
  Event<std::string&, std::string> event;
  std::vector<std::string> seen;
  const auto handler = [&](char mark) {
    return event.connect([&seen, mark](std::string& s, std::string v) {
      s += mark;
      seen.push_back(v);
      v = "changed";
    });
  };
  std::vector<Connection> keep;
  keep.push_back(handler('a'));
  for (int i = 0; i < GetParam() - 1; ++i) keep.push_back(handler('b'));
  std::string s, value = "value";
  {
    Connection last = handler('c');
    event.raise(s, value);
  }
  event.raise(s, value);
  EXPECT_EQ(s, GetParam() == 1 ? "aca" : "abbcabb");
  EXPECT_EQ(value, "value");
  EXPECT_EQ(seen, std::vector<std::string>(2 * GetParam() + 1, "value"));
  keep.resize(1);
  EXPECT_TRUE(event.hasHandlers());
  keep.clear();
  EXPECT_FALSE(event.hasHandlers());

  auto sender = std::make_unique<Event<int>>();
  int calls = 0;
  keep.push_back(sender->connect([&](int) {
    ++calls;
    sender.reset();
  }));
  for (int i = 0; i < GetParam() - 1; ++i) keep.push_back(sender->connect([](int) {}));
  sender->raise(1);
  EXPECT_EQ(sender, nullptr);
  EXPECT_EQ(calls, 1);
  keep.clear();
}

// Handlers connect new handlers and drop others (before or after their turn) and themselves while
// raises run, across many raises so the list is swept between them. Each raise must call, in
// connection order, exactly the handlers connected when it began that were not dropped before
// their turn.
TEST_P(EventTest, ConnectionsMadeAndDroppedInAnyOrderDuringRaises) {
  Event<> event;
  std::vector<Connection> conns;  // by handler id
  std::vector<bool> live;
  std::vector<int> start;  // the handlers connected when the current raise began
  std::size_t turn = 0;
  std::mt19937 random(12345);
  auto next = [&](std::size_t n) { return random() % n; };
  auto passTo = [&](int id) {  // every handler before `id` was dropped before its turn
    while (turn < start.size() && start[turn] != id) EXPECT_FALSE(live[start[turn++]]);
  };
  auto drop = [&](std::size_t id) {
    live[id] = false;
    conns[id].disconnect();
  };
  std::function<void()> add = [&] {
    const int id = static_cast<int>(conns.size());
    live.push_back(true);
    conns.push_back(event.connect([&, id] {
      passTo(id);
      ASSERT_LT(turn, start.size()) << "handler " << id << " called out of turn";
      EXPECT_TRUE(live[id]);
      ++turn;
      for (int k = 0; k < 2; ++k) {  // connect one, drop any, drop itself or do nothing
        const std::size_t action = next(4);
        if (action == 0) add();
        if (action == 1) drop(next(conns.size()));
        if (action == 2) drop(static_cast<std::size_t>(id));
      }
    }));
  };
  for (int i = 0; i < GetParam(); ++i) add();
  for (int round = 0; round < 60; ++round) {
    start.clear();
    for (std::size_t id = 0; id < live.size(); ++id)
      if (live[id]) start.push_back(static_cast<int>(id));
    turn = 0;
    event.raise();
    passTo(-1);
    if (!event.hasHandlers() || next(3) == 0) add();
  }
  EXPECT_GT(conns.size(), 30u);
}

INSTANTIATE_TEST_SUITE_P(OneOrSeveralHandlers, EventTest, testing::Values(1, 3));

// A moved handle keeps the one live connection; disconnecting twice, or an empty handle, does
// nothing. Nothing is called when no handler or only a dropped one is left; a handler connected
// after every other was dropped is the only one called, and the dropped one's handle cannot reach
// it.
TEST(Connection, MovesDisconnectsAndEmptyRaises) {
  Event<int&> event;
  int n = 5;
  event.raise(n);
  EXPECT_FALSE(event.hasHandlers());
  Connection none;
  EXPECT_FALSE(none.connected());
  none.disconnect();
  Connection a = event.connect([](int& v) { v += 1; });
  Connection b = std::move(a);
  EXPECT_FALSE(a.connected());  // NOLINT(bugprone-use-after-move): moved-from is empty
  EXPECT_TRUE(b.connected());
  event.raise(n);
  EXPECT_EQ(n, 6);
  Connection c = event.connect([](int& v) { v += 10; });
  b = std::move(c);  // the handler b held is disconnected
  event.raise(n);
  EXPECT_EQ(n, 16);
  b.disconnect();
  b.disconnect();
  EXPECT_FALSE(event.hasHandlers());
  event.raise(n);
  EXPECT_EQ(n, 16);
  Connection again = event.connect([](int& v) { v += 100; });
  b.disconnect();
  event.raise(n);
  EXPECT_EQ(n, 116);
}

// An Arial line is 195 twips; lines end at CR LF, CR or LF; widths count characters, not bytes.
TEST(HeadlessMetrics, ArialLinesAndCharacters) {
  EXPECT_EQ(std::tuple(HeadlessMetrics::lineHeight(8.25), HeadlessMetrics::lineHeight(11),
                       HeadlessMetrics::charWidth(8.25), HeadlessSurface().TextHeight("a\r\nb")),
            std::tuple(195.0f, 260.0f, 82.5f, 390.0f));
  using C = std::tuple<std::string, int, std::size_t>;  // text, lines, longest
  for (const auto& [text, lines, longest] :
       {C{"", 1, 0}, C{"Speed Limit\r\n(RPM)", 2, 11}, C{"ab\rc", 2, 2}, C{"a\n\rb", 3, 1},
        C{"ab\r\n", 2, 2}, C{"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", 1, 3}})
    EXPECT_EQ(std::pair(HeadlessMetrics::lineCount(text), HeadlessMetrics::longestLine(text)),
              std::pair(lines, longest))
        << text;
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
  EXPECT_EQ(std::pair(s.get_ScaleWidth(), s.get_ScaleHeight()), std::pair(1000.0f, 500.0f));
  s.put_Height(500);
  s.resize(1000, 200);
  EXPECT_EQ(heights, (std::vector<float>{500, 200, 295}));
  EXPECT_EQ(std::pair(s.get_Width(), s.get_Height()), std::pair(1000.0f, 295.0f));
}

// Every child shares the same Move (one kind stands for all): it places, and refuses negative
// sizes, keeping the place. A label sizes itself to its caption where it was placed.
TEST(HeadlessChild, MovePlacesAndLabelsSizeThemselves) {
  HeadlessSurface surface;
  HeadlessLabel label(surface);
  const auto place = [&] {
    return std::vector<float>{label.get_Left(), label.get_Top(), label.get_Width(),
                              label.get_Height()};
  };
  label.Move(-10, -20, 0, 300);
  EXPECT_EQ(place(), (std::vector<float>{-10, -20, 0, 300}));
  for (auto size : {std::pair{-1.0f, 10.0f}, std::pair{10.0f, -0.5f}}) {
    EXPECT_THAT([&] { label.Move(50, 60, size.first, size.second); },
                test::throwsError(Error::kInvalidPropertyValue));
    EXPECT_EQ(place(), (std::vector<float>{-10, -20, 0, 300}));
  }
  label.Move(100, 200, 5000, 5000);
  label.put_Caption("Speed Limit\r\n(RPM)");
  EXPECT_EQ(place(), (std::vector<float>{100, 200, 11 * 82.5f, 390}));
  label.put_Caption("");
  EXPECT_EQ(place(), (std::vector<float>{100, 200, 0, 195}));
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
  using W = std::pair<const char*, std::function<void()>>;
  const W writes[] = {W{"surface size", [&] { surface->resize(100, 200); }},
                      W{"surface colour", [&] { surface->put_BackColor(0xFF); }},
                      W{"surface style", [&] { surface->put_BackStyle(0); }},
                      W{"label text", [&] { label->put_Caption("ab"); }},
                      W{"label text, same size", [&] { label->put_Caption("cd"); }},
                      W{"move", [&] { box->Move(1, 2, 3, 4); }},
                      W{"visible", [&] { box->put_Visible(kFalse); }},
                      W{"tooltip", [&] { box->put_ToolTipText("tip"); }},
                      W{"box colour", [&] { box->put_BackColor(0xFF); }},
                      W{"document", [&] { rich->put_TextRTF(rtf); }},
                      W{"rich colour", [&] { rich->put_BackColor(0xFF); }},
                      W{"enabled", [&] { rich->put_Enabled(kFalse); }}};
  for (const auto& [name, write] : writes) {
    events = 0;
    write();
    EXPECT_EQ(events, 1) << name;
    write();
    EXPECT_EQ(events, 1) << name << ", written again";
  }
  EXPECT_EQ(std::pair(rich->get_TextRTF(), rich->get_Text()),
            std::pair(rtf, std::string("Speed\r\n(RPM)")));
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

// Every write is kept, also when equal to its default, in the order of the key's first write and
// with its type; fonts by reference. An absent key gives the default; keys are exact.
TEST(MemoryPropertyBag, KeepsEveryWriteInFirstWriteOrderWithItsType) {
  MemoryPropertyBag bag;
  const FontRef font = makeFont();
  using E = MemoryPropertyBag::Entry;
  const std::vector<E> entries({E{"Boolean", kTrue}, E{"Empty", Variant()},
                                E{"Integer", std::int16_t{-1}}, E{"Long", -1}, E{"Single", 1.5f},
                                E{"Double", 1.5}, E{"Currency", Currency::fromScaled(15000)},
                                E{"String", "1.5"}, E{"Font", font}});
  bag.WriteProperty("Boolean", kFalse, kTrue);
  for (const auto& [key, value] : entries) bag.WriteProperty(key, value, value);
  EXPECT_EQ(bag.entries(), entries);
  EXPECT_EQ(bag.ReadProperty("Boolean", "default"), Variant(kTrue));
  EXPECT_EQ(bag.find("Missing"), nullptr);
  EXPECT_EQ(bag.ReadProperty("Missing", std::int16_t{7}), Variant(std::int16_t{7}));
  EXPECT_EQ(bag.ReadProperty("font", 0.0), Variant(0.0));
}

}  // namespace
}  // namespace kadrelle
