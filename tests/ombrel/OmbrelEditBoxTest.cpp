#include "ombrel/OmbrelEditBox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "platform/Error.h"

namespace kadrelle {
namespace {

using Box = OmbrelEditBox;

// A box with every event recorded, in order.
class EditBoxTest : public testing::Test {
 protected:
  EditBoxTest() {
    connections_.push_back(box.Change.connect([this] { log.push_back("Change"); }));
    connections_.push_back(box.Click.connect([this] { log.push_back("Click"); }));
    connections_.push_back(box.DblClick.connect([this] { log.push_back("DblClick"); }));
    connections_.push_back(box.KeyDown.connect([this](std::int16_t& code, std::int16_t& shift) {
      log.push_back("KeyDown " + std::to_string(code) + "," + std::to_string(shift));
    }));
    connections_.push_back(box.KeyPress.connect(
        [this](std::int16_t& ascii) { log.push_back("KeyPress " + std::to_string(ascii)); }));
    connections_.push_back(box.KeyUp.connect([this](std::int16_t& code, std::int16_t& shift) {
      log.push_back("KeyUp " + std::to_string(code) + "," + std::to_string(shift));
    }));
  }

  int changes() const {
    int n = 0;
    for (const auto& e : log) n += e == "Change";
    return n;
  }
  // A full keystroke as a keyboard gives it.
  void stroke(std::int16_t code, std::int16_t ascii = 0, std::int16_t shift = 0) {
    box.keyDown(code, shift);
    if (ascii != 0) box.keyPress(ascii);
    box.keyUp(code, shift);
  }
  void enter() { stroke(kKeyReturn, kKeyReturn); }
  void escape() { stroke(kKeyEscape, kKeyEscape); }
  void selectAll() {
    box.put_SelStart(0);
    box.put_SelLength(static_cast<std::int32_t>(box.get_Text().size()));
  }
  double number() {
    Variant v = box.get_Value();
    EXPECT_EQ(v.type(), Variant::Type::Double) << CStr(v);
    return v.get<double>() ? *v.get<double>() : 0;
  }

  Box box;
  std::vector<std::string> log;

 private:
  std::vector<Connection> connections_;
};

// ---- display ----

TEST_F(EditBoxTest, ShowsTheValueThroughTheFormat) {
  box.put_FormatString("#,##0.####");
  box.put_InitializeValue(1234.5);
  EXPECT_EQ(box.get_Text(), "1,234.5");
  box.put_FormatString("0.00");
  EXPECT_EQ(box.get_Text(), "1234.50");
  box.put_FormatString("");
  EXPECT_EQ(box.get_Text(), "1234.5");
}

TEST_F(EditBoxTest, HexModeShowsPaddedUnsignedHex) {
  box.put_HexMode(kTrue);
  box.put_HexDigits(4);
  box.put_InitializeValue(255.0);
  EXPECT_EQ(box.get_Text(), "00FF");
  box.put_InitializeValue(-1.0);
  EXPECT_EQ(box.get_Text(), "FFFFFFFF");
  box.put_HexMode(kFalse);
  EXPECT_EQ(box.get_Text(), "-1");
}

// The text follows from the value, the hex mode and digits and the format alone: after any burst
// of writes it is what a new box given just that end state shows.
TEST(EditBoxBurst, ShowsWhatTheEndStateShowsWhateverWritesLedThere) {
  struct State {
    std::string format;
    Boolean hex;
    std::int32_t digits = 4;
    double value = 255;
  };
  using Write = std::function<void(Box&, State&)>;
  const auto format = [](std::string f) -> Write {
    return [f](Box& b, State& s) { b.put_FormatString(s.format = f); };
  };
  const auto hex = [](Boolean on) -> Write {
    return [on](Box& b, State& s) { b.put_HexMode(s.hex = on); };
  };
  const auto digits = [](std::int32_t n) -> Write {
    return [n](Box& b, State& s) { b.put_HexDigits(s.digits = n); };
  };
  const auto value = [](double v) -> Write {
    return [v](Box& b, State& s) { b.put_InitializeValue(s.value = v); };
  };
  const Write writes[] = {format("0.00"), format("#,##0"), hex(kTrue),    hex(kFalse),
                          digits(8),      digits(2),       value(1234.5), value(-0.0)};
  for (const Write& a : writes)
    for (const Write& b : writes)
      for (const Write& c : writes) {
        Box burst;
        State state;
        burst.put_InitializeValue(state.value);
        a(burst, state);
        b(burst, state);
        c(burst, state);
        Box fresh;
        fresh.put_FormatString(state.format);
        fresh.put_HexMode(state.hex);
        fresh.put_HexDigits(state.digits);
        fresh.put_InitializeValue(state.value);
        ASSERT_EQ(burst.get_Text(), fresh.get_Text())
            << state.format << " hex " << static_cast<bool>(state.hex) << " digits "
            << state.digits;
      }
}

TEST_F(EditBoxTest, HexEntriesReadAsHex) {
  box.put_HexMode(kTrue);
  box.put_HexDigits(2);
  box.put_InitializeValue(0.0);
  selectAll();
  box.typeText("0x1a");
  enter();
  EXPECT_EQ(number(), 26.0);
  EXPECT_EQ(box.get_Text(), "1A");
}

TEST_F(EditBoxTest, TextModeShowsAndTakesFreeText) {
  box.put_TextMode(kTrue);
  box.put_InitializeValue(Variant("Axis 1"));
  EXPECT_EQ(box.get_Text(), "Axis 1");
  selectAll();
  box.typeText("0012\n");
  EXPECT_EQ(box.get_Value(), Variant("0012"));
  EXPECT_EQ(box.get_Text(), "0012");
  EXPECT_EQ(changes(), 1);
}

// ---- entry and Change ----

TEST_F(EditBoxTest, ChangeComesOncePerEntryNotPerKeystroke) {
  box.put_FormatString("#,##0.####");
  box.put_InitializeValue(0.0);
  selectAll();
  stroke('1', '1');
  stroke('2', '2');
  stroke('3', '3');
  stroke('4', '4');
  EXPECT_EQ(changes(), 0);
  EXPECT_EQ(box.get_Text(), "1234");
  EXPECT_EQ(number(), 0.0);  // the entry is not finished yet
  enter();
  EXPECT_EQ(changes(), 1);
  EXPECT_EQ(number(), 1234.0);
  EXPECT_EQ(box.get_Text(), "1,234");
}

TEST_F(EditBoxTest, ChangeIsRaisedAfterTheValueIsStored) {
  box.put_InitializeValue(1.0);
  Variant seen;
  std::string shown;
  auto c = box.Change.connect([&] {
    seen = box.get_Value();
    shown = box.get_Text();
  });
  selectAll();
  box.typeText("42\r");
  EXPECT_EQ(seen, Variant(42.0));
  EXPECT_EQ(shown, "42");
}

TEST_F(EditBoxTest, FocusLossFinishesAnEntryOnlyAfterAChange) {
  box.put_InitializeValue(5.0);
  box.focusIn();
  box.focusOut();
  EXPECT_EQ(changes(), 0);
  box.focusIn();
  box.typeText("7");
  box.focusOut();
  EXPECT_EQ(changes(), 1);
  EXPECT_EQ(number(), 7.0);
  box.focusIn();
  box.focusOut();
  EXPECT_EQ(changes(), 1);
}

TEST_F(EditBoxTest, EnterFinishesAnEntryEvenWithoutEdits) {
  box.put_InitializeValue(5.0);
  enter();
  EXPECT_EQ(changes(), 1);
  EXPECT_EQ(number(), 5.0);
}

TEST_F(EditBoxTest, EscapeRestoresTheShownValueWithoutChange) {
  box.put_FormatString("0.0");
  box.put_InitializeValue(5.0);
  selectAll();
  box.typeText("99");
  escape();
  EXPECT_EQ(box.get_Text(), "5.0");
  EXPECT_EQ(number(), 5.0);
  EXPECT_FALSE(box.entryUnderWay());
  box.focusOut();
  EXPECT_EQ(changes(), 0);
}

TEST_F(EditBoxTest, ProgramWritesOfTextAndInitializeValueRaiseNoChange) {
  box.put_Text("N/A");
  box.put_InitializeValue(3.0);
  box.put_Text("12");
  box.put_InitializeValue(Variant("7"));
  box.Refresh();
  EXPECT_EQ(changes(), 0);
  EXPECT_EQ(number(), 7.0);
}

TEST_F(EditBoxTest, ProgramWritesDuringChangeDoNotReenter) {
  // The owner rewrites the box from inside its Change handler.
  auto c = box.Change.connect([&] {
    box.put_InitializeValue(100.0);
    box.put_Text("100");
    box.put_SelStart(0);
    box.put_SelLength(3);
  });
  box.typeText("5\n");
  EXPECT_EQ(changes(), 1);
  EXPECT_EQ(box.get_Text(), "100");
  EXPECT_EQ(box.get_SelLength(), 3);
}

TEST_F(EditBoxTest, WritingValueRaisesChangeLikeAnEntry) {
  box.put_FormatString("0.00");
  box.put_Value(5.0);
  EXPECT_EQ(changes(), 1);
  EXPECT_EQ(box.get_Text(), "5.00");
  box.put_Value(Variant("1,234.5"));
  EXPECT_EQ(changes(), 2);
  EXPECT_EQ(number(), 1234.5);
}

TEST_F(EditBoxTest, ArmedDoesNotSuppressChange) {
  box.put_Armed(kFalse);
  box.typeText("1\n");
  box.put_Value(2.0);
  EXPECT_EQ(changes(), 2);
  box.put_Armed(kTrue);
  box.typeText("3\n");
  EXPECT_EQ(changes(), 3);
}

TEST_F(EditBoxTest, ProgramWriteAbandonsAnEntryUnderWay) {
  box.put_InitializeValue(1.0);
  box.typeText("9");
  box.put_InitializeValue(2.0);
  box.focusOut();
  EXPECT_EQ(changes(), 0);
  EXPECT_EQ(box.get_Text(), "2");
}

// ---- values read back ----

TEST_F(EditBoxTest, NonNumericEntryReadsBackAsTyped) {
  box.put_FormatString("0.00");
  box.put_InitializeValue(1.0);
  selectAll();
  box.typeText("abc\n");
  EXPECT_EQ(box.get_Value(), Variant("abc"));
  EXPECT_EQ(box.get_Text(), "abc");
  EXPECT_EQ(changes(), 1);
}

TEST_F(EditBoxTest, BadInputKeepsTheLastGoodValue) {
  box.put_InitializeValue(8.0);
  EXPECT_THROW(box.put_Value(std::numeric_limits<double>::infinity()), Error);
  EXPECT_THROW(box.put_Value(Variant(makeFont())), Error);
  EXPECT_EQ(number(), 8.0);
  EXPECT_EQ(box.get_Text(), "8");
  EXPECT_EQ(changes(), 0);
}

TEST_F(EditBoxTest, InvalidUtf8BecomesReplacementCharacters) {
  box.put_Text(
      "1\xFF"
      "2");
  EXPECT_EQ(box.get_Text(),
            "1\xEF\xBF\xBD"
            "2");
  box.put_SelStart(3);
  box.typeText("\xC3");  // truncated sequence
  EXPECT_EQ(box.get_Text(),
            "1\xEF\xBF\xBD"
            "2\xEF\xBF\xBD");
}

TEST_F(EditBoxTest, TypingStopsAtTheMaximumLength) {
  box.typeText(std::string(Box::kMaxEntryLength + 50, '1'));
  EXPECT_EQ(box.get_Text(), std::string(Box::kMaxEntryLength, '1'));
  enter();
  // Far beyond a double's range: kept as the text typed, not a number.
  EXPECT_EQ(box.get_Value(), Variant(std::string(Box::kMaxEntryLength, '1')));
  EXPECT_EQ(changes(), 1);
}

// ---- limits and sign lock ----

struct HoldCase {
  double before;
  const char* typed;
  bool useLimits, signLock, zeroException;
  double expected;
};

void PrintTo(const HoldCase& c, std::ostream* os) {
  *os << c.typed << " over " << c.before << (c.useLimits ? " limits" : "")
      << (c.signLock ? " signlock" : "") << (c.zeroException ? " zeroexc" : "");
}

class HoldGrid : public testing::TestWithParam<HoldCase> {};

TEST_P(HoldGrid, HoldsTheEntry) {
  const HoldCase& c = GetParam();
  Box box;
  box.put_MinValue(-100);
  box.put_MaxValue(100);
  box.put_UseLimits(Boolean(c.useLimits));
  box.put_SignLock(Variant(Boolean(c.signLock)));
  box.put_ZeroException(Variant(Boolean(c.zeroException)));
  box.put_InitializeValue(c.before);
  box.put_SelStart(0);
  box.put_SelLength(100);
  box.typeText(c.typed);
  box.typeText("\n");
  EXPECT_EQ(box.get_Value(), Variant(c.expected));
}

INSTANTIATE_TEST_SUITE_P(Limits, HoldGrid,
                         testing::Values(HoldCase{0, "150", true, false, false, 100},
                                         HoldCase{0, "-150", true, false, false, -100},
                                         HoldCase{0, "150", false, false, false, 150}));

INSTANTIATE_TEST_SUITE_P(SignLock, HoldGrid,
                         testing::Values(HoldCase{-3, "5", false, true, false, -5},
                                         HoldCase{3, "-5", false, true, false, 5},
                                         HoldCase{3, "-5", false, false, false, -5},
                                         HoldCase{3, "0", false, true, false, 3},
                                         HoldCase{3, "0", false, true, true, 0},
                                         HoldCase{0, "-5", false, true, false, -5},
                                         // sign first, then the limits
                                         HoldCase{-3, "500", true, true, false, -100}));

TEST_F(EditBoxTest, LimitsApplyToWrittenValueButNotToInitializeValue) {
  box.put_MinValue(0);
  box.put_MaxValue(10);
  box.put_UseLimits(kTrue);
  box.put_InitializeValue(50.0);
  EXPECT_EQ(number(), 50.0);
  box.put_Value(50.0);
  EXPECT_EQ(number(), 10.0);
}

TEST_F(EditBoxTest, InconsistentLimitsHoldNothing) {
  box.put_MinValue(10);
  box.put_MaxValue(0);
  box.put_UseLimits(kTrue);
  box.put_Value(50.0);
  EXPECT_EQ(number(), 50.0);
}

// ---- keys and cancellation ----

TEST_F(EditBoxTest, KeyDownHandlerCancelsTheKeyAndItsCharacter) {
  auto c = box.KeyDown.connect([](std::int16_t& code, std::int16_t&) {
    if (code == 'X' || code == kKeyReturn || code == kKeyDelete) code = 0;
  });
  box.put_Text("12");
  box.put_SelStart(0);
  stroke('X', 'x');
  stroke(kKeyDelete);
  EXPECT_EQ(box.get_Text(), "12");
  stroke('3', '3');
  stroke(kKeyReturn, kKeyReturn);
  EXPECT_EQ(box.get_Text(), "312");
  EXPECT_EQ(changes(), 0);
  // The cancelled keystroke's character raised no KeyPress.
  EXPECT_EQ(std::count(log.begin(), log.end(), "KeyPress 120"), 0);
  EXPECT_EQ(std::count(log.begin(), log.end(), "KeyPress 51"), 1);
}

TEST_F(EditBoxTest, KeyPressHandlerCancelsOrReplacesTheCharacter) {
  auto c = box.KeyPress.connect([](std::int16_t& ascii) {
    if (ascii == 'a') ascii = 0;
    if (ascii == ',') ascii = '.';
  });
  box.typeText("1a,5");
  EXPECT_EQ(box.get_Text(), "1.5");
  std::int16_t enterKey = kKeyReturn;
  box.keyPress(enterKey);
  EXPECT_EQ(number(), 1.5);
}

TEST_F(EditBoxTest, KeyPressHandlerCanCancelEnter) {
  auto c = box.KeyPress.connect([](std::int16_t& ascii) {
    if (ascii == kKeyReturn) ascii = 0;
  });
  box.typeText("4\n");
  EXPECT_EQ(changes(), 0);
  EXPECT_TRUE(box.entryUnderWay());
}

TEST_F(EditBoxTest, EventsCarryTheirArgumentsInOrder) {
  stroke('A', 'a', 1);
  box.click();
  box.dblClick();
  std::vector<std::string> expected = {"KeyDown 65,1", "KeyPress 97", "KeyUp 65,1", "Click",
                                       "DblClick"};
  EXPECT_EQ(log, expected);
}

TEST_F(EditBoxTest, MouseEventsPassCoordinatesByReference) {
  std::vector<float> xs;
  auto down = box.MouseDown.connect([&](std::int16_t& button, std::int16_t&, float& x, float&) {
    xs.push_back(x);
    button = 0;
    x = -1;
  });
  auto move = box.MouseMove.connect(
      [&](std::int16_t&, std::int16_t& shift, float& x, float& y) { xs.push_back(x + y + shift); });
  auto up = box.MouseUp.connect([&](std::int16_t& button, std::int16_t&, float&, float& y) {
    xs.push_back(button * 1000 + y);
  });
  box.mouseDown(1, 0, 15.5f, 30);
  box.mouseMove(0, 2, 10, 20);
  box.mouseUp(1, 0, 10, 7);
  EXPECT_EQ(xs, (std::vector<float>{15.5f, 32, 1007}));
}

TEST_F(EditBoxTest, EditEnabledFalseRefusesEditsButRaisesEvents) {
  box.put_InitializeValue(5.0);
  box.put_EditEnabled(kFalse);
  selectAll();
  stroke('7', '7');
  stroke(kKeyBack, kKeyBack);
  stroke(kKeyDelete);
  enter();
  box.typeText("8\n");
  EXPECT_EQ(box.get_Text(), "5");
  EXPECT_EQ(changes(), 0);
  EXPECT_EQ(std::count(log.begin(), log.end(), "KeyPress 55"), 1);
  EXPECT_EQ(std::count(log.begin(), log.end(), "KeyDown 46,0"), 1);
  // Program writes still work.
  box.put_Value(6.0);
  EXPECT_EQ(changes(), 1);
}

TEST_F(EditBoxTest, DisablingAbandonsAnEntry) {
  box.put_InitializeValue(5.0);
  box.typeText("9");
  box.put_EditEnabled(kFalse);
  box.focusOut();
  EXPECT_EQ(changes(), 0);
  EXPECT_EQ(box.get_Text(), "5");
}

// ---- editing keys and selection ----

TEST_F(EditBoxTest, EditingKeys) {
  box.put_Text("12345");
  box.put_SelStart(2);
  stroke(kKeyBack, kKeyBack);  // 1345
  stroke(kKeyDelete);          // 145
  EXPECT_EQ(box.get_Text(), "145");
  stroke(kKeyHome);
  box.typeText("9");  // 9145
  stroke(kKeyEnd);
  box.typeText("0");  // 91450
  stroke(kKeyLeft);
  stroke(kKeyLeft);
  box.typeText("-");  // 914-50
  stroke(kKeyRight);
  box.typeText("+");  // 914-5+0
  EXPECT_EQ(box.get_Text(), "914-5+0");
  stroke(kKeyHome);
  stroke(kKeyBack, kKeyBack);  // nothing before the caret
  stroke(kKeyEnd);
  stroke(kKeyDelete);  // nothing after it
  EXPECT_EQ(box.get_Text(), "914-5+0");
}

TEST_F(EditBoxTest, TypingReplacesTheSelection) {
  box.put_Text("1,234.5");
  box.put_SelStart(2);
  box.put_SelLength(3);
  box.typeText("9");
  EXPECT_EQ(box.get_Text(), "1,9.5");
  EXPECT_EQ(box.get_SelStart(), 3);
  EXPECT_EQ(box.get_SelLength(), 0);
}

TEST_F(EditBoxTest, ShiftExtendsTheSelection) {
  box.put_Text("abcdef");
  box.put_SelStart(2);
  stroke(kKeyRight, 0, kShiftMask);
  stroke(kKeyRight, 0, kShiftMask);
  EXPECT_EQ(box.get_SelStart(), 2);
  EXPECT_EQ(box.get_SelLength(), 2);
  stroke(kKeyHome, 0, kShiftMask);
  EXPECT_EQ(box.get_SelStart(), 0);
  EXPECT_EQ(box.get_SelLength(), 2);
  stroke(kKeyRight);  // collapses to the end of the selection
  EXPECT_EQ(box.get_SelStart(), 2);
  EXPECT_EQ(box.get_SelLength(), 0);
  stroke(kKeyDelete, 0, kShiftMask);
  EXPECT_EQ(box.get_Text(), "abdef");
}

TEST_F(EditBoxTest, SelectionCountsCharactersAndIsClamped) {
  box.put_Text(
      "\xC2\xB0"
      "C\xE2\x82\xAC");  // °C€
  box.put_SelStart(1);
  box.put_SelLength(50);
  EXPECT_EQ(box.get_SelLength(), 2);
  stroke(kKeyBack, kKeyBack);
  EXPECT_EQ(box.get_Text(), "\xC2\xB0");
  box.put_SelStart(99);
  EXPECT_EQ(box.get_SelStart(), 1);
  EXPECT_THROW(box.put_SelStart(-1), Error);
  EXPECT_THROW(box.put_SelLength(-1), Error);
}

TEST_F(EditBoxTest, FocusInAndDoubleClickSelectAll) {
  box.put_Text("1234");
  box.focusIn();
  EXPECT_EQ(box.get_SelStart(), 0);
  EXPECT_EQ(box.get_SelLength(), 4);
  box.put_SelStart(2);
  box.dblClick();
  EXPECT_EQ(box.get_SelLength(), 4);
}

// ---- appearance and container members ----

TEST_F(EditBoxTest, DisplayChangesOncePerCallThatChangesWhatIsShown) {
  int shown = 0;
  Connection c = box.DisplayChanged.connect([&] { ++shown; });
  auto events = [&](const std::function<void()>& call) {
    shown = 0;
    call();
    return shown;
  };
  EXPECT_EQ(events([&] { box.put_Value(5.0); }), 1);
  EXPECT_EQ(events([&] { box.put_Value(5.0); }), 0);
  EXPECT_EQ(events([&] { box.put_FormatString("0.00"); }), 1);
  EXPECT_EQ(events([&] { box.put_FormatString("0.00"); }), 0);
  EXPECT_EQ(events([&] { box.put_BorderStyle(0); }), 1);
  EXPECT_EQ(events([&] { box.put_BorderStyle(0); }), 0);
  EXPECT_EQ(events([&] { box.focusIn(); }), 1);  // selects all
  EXPECT_EQ(events([&] { box.keyPress('7'); }), 1);
  // The font is changed in place, attribute by attribute.
  FontRef font = box.get_Font();
  EXPECT_EQ(events([&] { font->put_Italic(kTrue); }), 1);
  EXPECT_EQ(events([&] { font->put_Italic(kTrue); }), 0);
  EXPECT_EQ(box.get_Font(), font);
  // What a Change handler writes is shown with the entry that ran it, as one change.
  Connection w = box.Change.connect([&] {
    box.put_HexMode(kTrue);
    box.put_HexDigits(8);
    box.put_SelStart(0);
  });
  EXPECT_EQ(events([&] { box.typeText("\r"); }), 1);
  EXPECT_EQ(box.get_Text(), "00000007");
}

TEST_F(EditBoxTest, RefreshRedrawsFromValueButKeepsAnEntryUnderWay) {
  box.put_FormatString("0.0");
  box.put_Text("007");
  box.Refresh();
  EXPECT_EQ(box.get_Text(), "7.0");
  stroke(kKeyEnd);
  box.typeText("12");
  box.Refresh();
  EXPECT_EQ(box.get_Text(), "7.012");
  EXPECT_TRUE(box.entryUnderWay());
  EXPECT_EQ(box.refreshCount(), 2);
}

}  // namespace
}  // namespace kadrelle
