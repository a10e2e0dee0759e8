#include "ombrel/OmbrelEditBox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "ombrel/EntryParser.h"
#include "platform/Error.h"

namespace kadrelle {
namespace {

using Box = OmbrelEditBox;

// A box driven by a script of host actions, giving back what was seen. Actions, separated by
// blanks ("_" in an argument stands for a blank):
//   fmt=F hex=0|1 digits=N textmode= edit= armed= limits= signlock= zeroexc= min=X max=X border=N
//   init=V value=V (V: a number, 'text', empty or font)  text=T (written)  type=T (typed)
//   start=N len=N all (select all)  in out (focus)  refresh click dbl
//   keys: '<characters> enter esc bs del home end left right, "+" before one holds Shift
//   log: from here on also key and mouse events (Dn,s Pn Un,s click dbl)
//   disp: from here on also display changes (*)
// Seen: ? gives "text"=value (a number bare, text quoted), sel? start,length, busy? whether an
// entry is under way, focus? whether it has the focus; every Change gives C"text"=value as its
// handler sees the box; a refused write gives E and its error number.
class Script {
 public:
  Script() {
    const auto key = [this](char kind) {
      return [this, kind](std::int16_t& code, std::int16_t& shift) {
        note(log_ ? kind + std::to_string(code) + "," + std::to_string(shift) : "");
      };
    };
    keep_.push_back(box.Change.connect([this] { note("C" + shown()); }));
    keep_.push_back(box.DisplayChanged.connect([this] { note(disp_ ? "*" : ""); }));
    keep_.push_back(box.Click.connect([this] { note(log_ ? "click" : ""); }));
    keep_.push_back(box.DblClick.connect([this] { note(log_ ? "dbl" : ""); }));
    keep_.push_back(box.KeyDown.connect(key('D')));
    keep_.push_back(box.KeyPress.connect(
        [this](std::int16_t& ascii) { note(log_ ? "P" + std::to_string(ascii) : ""); }));
    keep_.push_back(box.KeyUp.connect(key('U')));
  }

  std::string run(const std::string& script) {
    std::istringstream in(script);
    for (std::string action; std::getline(in, action, ' ');) {
      const std::size_t eq = action.find('=');
      std::string arg = eq == std::string::npos ? "" : action.substr(eq + 1);
      std::replace(arg.begin(), arg.end(), '_', ' ');
      try {
        act(action.substr(0, eq), arg);
      } catch (const Error& e) {
        note("E" + std::to_string(e.number()));
      }
    }
    return std::exchange(seen_, "");  // with what was seen since the last run
  }

  Box box;

 private:
  std::string shown() {
    const Variant v = box.get_Value();
    const std::string value = v.get<double>()        ? numberText(*v.get<double>())
                              : v.get<std::string>() ? "'" + *v.get<std::string>() + "'"
                                                     : "?";
    return "\"" + box.get_Text() + "\"=" + value;
  }
  void note(const std::string& s) {
    if (!s.empty()) seen_ += (seen_.empty() ? "" : " ") + s;
  }
  void stroke(std::int16_t code, std::int16_t ascii, std::int16_t shift) {
    box.keyDown(code, shift);
    if (ascii != 0) box.keyPress(ascii);
    box.keyUp(code, shift);
  }
  void act(const std::string& name, const std::string& arg) {
    const Boolean flag(arg == "1");
    const auto value = [&]() -> Variant {
      if (arg == "font") return makeFont();
      if (arg == "empty") return Variant();
      if (arg.starts_with('\'')) return arg.substr(1, arg.size() - 2);
      return std::stod(arg);
    };
    const std::pair<const char*, std::int16_t> keys[] = {
        {"enter", kKeyReturn}, {"esc", kKeyEscape}, {"bs", kKeyBack},   {"del", kKeyDelete},
        {"home", kKeyHome},    {"end", kKeyEnd},    {"left", kKeyLeft}, {"right", kKeyRight}};
    if (name == "fmt") box.put_FormatString(arg);
    if (name == "hex") box.put_HexMode(flag);
    if (name == "digits") box.put_HexDigits(std::stoi(arg));
    if (name == "textmode") box.put_TextMode(flag);
    if (name == "edit") box.put_EditEnabled(flag);
    if (name == "armed") box.put_Armed(flag);
    if (name == "limits") box.put_UseLimits(flag);
    if (name == "signlock") box.put_SignLock(Variant(flag));
    if (name == "zeroexc") box.put_ZeroException(Variant(flag));
    if (name == "min") box.put_MinValue(std::stod(arg));
    if (name == "max") box.put_MaxValue(std::stod(arg));
    if (name == "border") box.put_BorderStyle(static_cast<std::int16_t>(std::stoi(arg)));
    if (name == "init") box.put_InitializeValue(value());
    if (name == "value") box.put_Value(value());
    if (name == "text") box.put_Text(arg);
    if (name == "type") box.typeText(arg);
    if (name == "start") box.put_SelStart(std::stoi(arg));
    if (name == "len") box.put_SelLength(std::stoi(arg));
    if (name == "all") {
      box.put_SelStart(0);
      box.put_SelLength(static_cast<std::int32_t>(box.get_Text().size()));
    }
    if (name == "in") box.focusIn();
    if (name == "out") box.focusOut();
    if (name == "refresh") box.Refresh();
    if (name == "click") box.click();
    if (name == "dbl") box.dblClick();
    if (name == "log") log_ = true;
    if (name == "disp") disp_ = true;
    if (name == "?") note(shown());
    if (name == "sel?")
      note(std::to_string(box.get_SelStart()) + "," + std::to_string(box.get_SelLength()));
    if (name == "busy?") note(box.entryUnderWay() ? "busy" : "idle");
    if (name == "focus?") note(box.hasFocus() ? "in" : "out");
    const bool shift = name.starts_with('+');
    const std::string key = name.substr(shift ? 1 : 0);
    if (key.starts_with('\''))
      for (char c : key.substr(1)) stroke(static_cast<std::int16_t>(std::toupper(c)), c, shift);
    for (const auto& [keyName, code] : keys) {
      const bool character = code == kKeyReturn || code == kKeyEscape || code == kKeyBack;
      if (key == keyName) stroke(code, character ? code : 0, shift);
    }
  }

  std::vector<Connection> keep_;
  std::string seen_;
  bool log_ = false, disp_ = false;
};

// Case{script, what is seen}, each on a new box.
using Case = std::pair<std::string, std::string>;
void expectRuns(std::initializer_list<Case> runs) {
  for (const auto& [script, seen] : runs) EXPECT_EQ(Script().run(script), seen) << script;
}

// What an entry reads as, in decimal and in hexadecimal; nullopt: not a number.
TEST(EntryParser, Reads) {
  constexpr auto none = std::nullopt;
  using E = std::pair<const char*, std::optional<double>>;
  for (const auto& [text, number] :
       {E{"1,234.5", 1234.5}, E{"-7", -7.0}, E{"  42  ", 42.0}, E{"2.5E+3", 2500.0},
        E{"12.5%", 0.125}, E{"&HFF", 255.0}, E{"", none}, E{"abc", none}, E{"NaN", none},
        E{"1e400", none}, E{"%", none}, E{"5 mm", none}})
    EXPECT_EQ(EntryParser::parseDecimal(text), number) << '"' << text << '"';
  for (const auto& [text, number] :
       {E{"ff", 255.0}, E{"&HFF", 255.0}, E{"0x1A", 26.0}, E{"10", 16.0}, E{" 00FF ", 255},
        E{"FFFFFFFF", 4294967295.0}, E{"100000000", none}, E{"&H", none}, E{"0x", none},
        E{"", none}, E{"-1", none}, E{"FG", none}, E{"1,000", none}})
    EXPECT_EQ(EntryParser::parseHex(text), number) << '"' << text << '"';
}

TEST(EditBox, Display) {
  expectRuns(
      {Case{"fmt=#,##0.#### init=1234.5 ? fmt=0.00 ? fmt= ?",
            R"("1,234.5"=1234.5 "1234.50"=1234.5 "1234.5"=1234.5)"},
       Case{"hex=1 digits=4 init=255 ? init=-1 ? hex=0 ?", R"("00FF"=255 "FFFFFFFF"=-1 "-1"=-1)"},
       Case{"hex=1 digits=2 init=0 all type=0x1a enter", R"(C"1A"=26)"},
       // Written text shows as written until a setting is written, even unchanged.
       Case{"init=12 text=0012 ? textmode=0 ?", R"("0012"=12 "12"=12)"},
       // A selection from the start shrinks with a shorter redrawn text.
       Case{"fmt=0.000 init=1 all fmt=0 sel?", "0,1"},
       Case{"init=5 init='x' init=5 ? init=empty ? init=5 ?", R"("5"=5 ""=? "5"=5)"},
       Case{"textmode=1 init='Axis_1' ? all type=0012\n", R"("Axis 1"='Axis 1' C"0012"='0012')"}});
  // Refresh redraws from the value but keeps an entry under way.
  Script s;
  EXPECT_EQ(s.run("fmt=0.0 text=007 refresh ? end type=12 refresh ? busy?"),
            R"("7.0"=7 "7.012"=7 busy)");
}

// The text follows from the value, the hex mode and digits and the format alone: after any burst
// of writes it is what a new box given just that end state shows.
TEST(EditBox, ShowsWhatTheEndStateShowsWhateverWritesLedThere) {
  const std::string writes[] = {"fmt=0.00", "fmt=#,##0", "hex=1",       "hex=0",
                                "digits=8", "digits=2",  "init=1234.5", "init=-0"};
  for (const std::string& a : writes)
    for (const std::string& b : writes)
      for (const std::string& c : writes) {
        std::string last[] = {"fmt=", "hex=0", "digits=4", "init=255"};
        for (const std::string& w : {a, b, c})
          for (std::string& l : last)
            if (l.substr(0, l.find('=')) == w.substr(0, w.find('='))) l = w;
        ASSERT_EQ(Script().run("init=255 " + a + " " + b + " " + c + " ?"),
                  Script().run(last[0] + " " + last[1] + " " + last[2] + " " + last[3] + " ?"))
            << a << " " << b << " " << c;
      }
}

// Change comes once per finished entry or write of Value, after the value is stored.
TEST(EditBox, EntriesAndChange) {
  const std::string maxed(Box::kMaxEntryLength, '1');
  // Finishing or abandoning puts the caret at the end of the redrawn text.
  expectRuns({Case{"fmt=#,##0.#### init=0 all '1234 ? enter sel?", R"("1234"=0 C"1,234"=1234 5,0)"},
              Case{"init=1 all type=42\r", R"(C"42"=42)"},
              Case{"init=1 all type=4\r5\r\n\n6\n", R"(C"4"=4 C"45"=45 C"45"=45 C"456"=456)"},
              // Focus loss finishes an entry only after a change; Enter even without one.
              Case{"init=5 in out in type=7 out in out", R"(C"7"=7)"},
              Case{"init=5 enter", R"(C"5"=5)"}, Case{"enter", R"(C""='')"},
              Case{"fmt=0.0 init=5 all type=99 esc ? sel? busy? out", R"("5.0"=5 3,0 idle)"},
              // Program writes of Text and InitializeValue raise nothing and abandon an entry.
              Case{"text=N/A init=3 text=12 init='7' refresh ?", R"("7"=7)"},
              Case{"init=1 type=9 init=2 out ?", R"("2"=2)"},
              Case{"init=5 type=9 edit=0 out ?", R"("5"=5)"},
              Case{"fmt=0.00 value=5 value='1,234.5'", R"(C"5.00"=5 C"1234.50"=1234.5)"},
              Case{"armed=0 type=1\n value=2 armed=1 type=3\n", R"(C"1"=1 C"2"=2 C"23"=23)"},
              // What does not read as a number is kept as typed; what is refused leaves the value.
              Case{"fmt=0.00 init=1 all type=abc\n", R"(C"abc"='abc')"},
              Case{"init=8 value=inf value=font ?", R"(E6 E13 "8"=8)"},
              Case{"text=1\3772 ? start=3 type=\xC3 ?",  // invalid and truncated UTF-8
                   "\"1\uFFFD2\"='1\uFFFD2' \"1\uFFFD2\uFFFD\"='1\uFFFD2'"},
              Case{"type=" + maxed + "11111 enter", "C\"" + maxed + "\"='" + maxed + "'"}});
}

TEST(EditBox, ProgramWritesDuringChangeDoNotReenter) {
  Script s;
  auto c = s.box.Change.connect([&] {
    s.box.put_InitializeValue(100.0);
    s.box.put_Text("100");
    s.box.put_SelStart(0);
    s.box.put_SelLength(3);
  });
  EXPECT_EQ(s.run("type=5\n ? sel?"), R"(C"5"=5 "100"=100 0,3)");
}

// Sign lock first, then limits; limits hold written values but not InitializeValue.
TEST(EditBox, LimitsAndSignLock) {
  const std::string grid = "min=-100 max=100 ";
  expectRuns({Case{grid + "limits=1 init=0 all type=150\n", R"(C"100"=100)"},
              Case{grid + "limits=1 init=0 all type=-150\n", R"(C"-100"=-100)"},
              Case{grid + "init=0 all type=150\n", R"(C"150"=150)"},
              Case{grid + "signlock=1 init=-3 all type=5\n", R"(C"-5"=-5)"},
              Case{grid + "signlock=1 init=3 all type=-5\n", R"(C"5"=5)"},
              Case{grid + "init=3 all type=-5\n", R"(C"-5"=-5)"},
              Case{grid + "signlock=1 init=3 all type=0\n", R"(C"3"=3)"},
              Case{grid + "signlock=1 zeroexc=1 init=3 all type=0\n", R"(C"0"=0)"},
              Case{grid + "signlock=1 init=0 all type=-5\n", R"(C"-5"=-5)"},
              Case{grid + "limits=1 signlock=1 init=-3 all type=500\n", R"(C"-100"=-100)"},
              Case{"min=0 max=10 limits=1 init=50 ? value=50", R"("50"=50 C"10"=10)"},
              Case{"min=10 max=0 limits=1 value=50", R"(C"50"=50)"}});
}

TEST(EditBox, KeyHandlersCancelAndReplace) {
  Script down;
  auto d = down.box.KeyDown.connect([](std::int16_t& code, std::int16_t&) {
    if (code == 'X' || code == kKeyReturn || code == kKeyDelete) code = 0;
  });
  EXPECT_EQ(down.run("text=12 start=0 log 'x del ? '3 enter ?"),
            R"(D88,0 U88,0 D46,0 U46,0 "12"=12 D51,0 P51 U51,0 D13,0 U13,0 "312"=12)");
  Script press;
  bool cancelEnter = false;
  auto p = press.box.KeyPress.connect([&](std::int16_t& ascii) {
    if (ascii == 'a' || (ascii == kKeyReturn && cancelEnter)) ascii = 0;
    if (ascii == ',') ascii = '.';
  });
  EXPECT_EQ(press.run("type=1a,5\n"), R"(C"1.5"=1.5)");
  cancelEnter = true;
  EXPECT_EQ(press.run("all type=4\n ? busy?"), R"("4"=1.5 busy)");
}

TEST(EditBox, EventsCarryTheirArgumentsInOrder) {
  expectRuns(
      {Case{"log +'a click dbl", "D65,1 P97 U65,1 click dbl"},
       // Disabled editing refuses edits but raises the events; program writes still work.
       Case{"init=5 edit=0 all log '7 bs del enter type=8\n ? value=6",
            R"(D55,0 P55 U55,0 D8,0 P8 U8,0 D46,0 U46,0 D13,0 P13 U13,0 P56 P13 "5"=5 C"6"=6)"}});
  Script s;
  std::vector<float> xs;
  auto down = s.box.MouseDown.connect([&](std::int16_t& button, std::int16_t&, float& x, float&) {
    xs.push_back(x);
    button = 0;
    x = -1;
  });
  auto move = s.box.MouseMove.connect(
      [&](std::int16_t&, std::int16_t& shift, float& x, float& y) { xs.push_back(x + y + shift); });
  auto up = s.box.MouseUp.connect([&](std::int16_t& button, std::int16_t&, float&, float& y) {
    xs.push_back(button * 1000 + y);
  });
  s.box.mouseDown(1, 0, 15.5f, 30);
  s.box.mouseMove(0, 2, 10, 20);
  s.box.mouseUp(1, 0, 10, 7);
  EXPECT_EQ(xs, (std::vector<float>{15.5f, 32, 1007}));
}

TEST(EditBox, EditingKeysAndSelection) {
  expectRuns(
      {Case{"text=12345 start=2 bs del ? home type=9 end type=0 left left type=- right "
            "type=+ ? home bs end del ?",
            R"("145"=12345 "914-5+0"=12345 "914-5+0"=12345)"},
       Case{"text=1,234.5 start=2 len=3 type=9 ? sel?", R"("1,9.5"=1234.5 3,0)"},
       // Shift extends the selection; a move without it collapses it to its end.
       Case{"text=abcdef start=2 +right +right sel? +home sel? right sel? +del ?",
            R"(2,2 0,2 2,0 "abdef"='abcdef')"},
       // Selections count characters, not bytes, and are clamped.
       Case{"text=\u00B0C\u20AC start=1 len=50 sel? bs ? start=99 len=0 sel? start=-1 len=-1",
            "1,2 \"\u00B0\"='\u00B0C\u20AC' 1,0 E380 E380"},
       Case{"text=1234 in sel? start=2 dbl sel?", "0,4 0,4"},
       Case{"focus? in focus? out focus?", "out in out"},
       // Delete or Backspace with nothing to remove starts no entry.
       Case{"text=12 end del busy? home bs busy?", "idle idle"}});
}

TEST(EditBox, DisplayChangesOncePerCallThatChangesWhatIsShown) {
  Script s;
  EXPECT_EQ(s.run("disp value=5 ? value=5 ? fmt=0.00 ? fmt=0.00 ? border=0 ? border=0 ? in ? '7"),
            R"(C"5"=5 * "5"=5 C"5"=5 "5"=5 * "5.00"=5 "5.00"=5 * "5.00"=5 "5.00"=5 * "5.00"=5 *)");
  // The font is changed in place, attribute by attribute.
  FontRef font = s.box.get_Font();
  font->put_Italic(kTrue);
  EXPECT_EQ(s.run(""), "*");
  font->put_Italic(kTrue);
  EXPECT_EQ(s.run(""), "");
  EXPECT_EQ(s.box.get_Font(), font);
  // What a Change handler writes is shown with the entry that ran it, as one change.
  Connection w = s.box.Change.connect([&] {
    s.box.put_HexMode(kTrue);
    s.box.put_HexDigits(8);
    s.box.put_SelStart(0);
  });
  EXPECT_EQ(s.run("type=\r ?"), R"(C"7.00"=7 * "00000007"=7)");
  // A call that fails part-way raises no display change, however much it changed.
  w = s.box.Change.connect([] { throw Error(Error::kInvalidPropertyValue, "refused"); });
  EXPECT_EQ(s.run("value=9 ?"), R"(C"00000009"=9 E380 "00000009"=9)");
  // A call whose only change is the text.
  EXPECT_EQ(s.run("text=ab text=ab text=cd"), "* *");
}

}  // namespace
}  // namespace kadrelle
