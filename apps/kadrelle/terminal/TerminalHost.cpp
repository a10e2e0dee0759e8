// The full-screen terminal host on ncurses.
#include "TerminalHost.h"

#include <curses.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <clocale>
#include <cstdlib>
#include <iostream>

#include "Screen.h"
#include "platform/Error.h"
#include "platform/KeyCodes.h"
#include "platform/Text.h"
#include "session/Failure.h"
#include "session/Notices.h"

namespace kadrelle {

namespace {

constexpr int kTickMilliseconds = 250;

// Runs work that pumps a network drive's results: what a handler of them threw is told in the
// status area, and the host goes on.
template <class Work>
void reporting(FormSession& session, Work&& work) {
  try {
    work();
  } catch (const std::exception& e) {
    session.note(failureText(e));
  }
}

// Waits for a key or for a network drive's results, which are pumped here so the controls show
// them without waiting for a key. Without a network drive get_wch waits for keys alone.
void awaitInput(FormSession& session) {
  Dispatcher* results = session.drive().dispatcher();
  if (!results) return;
  timeout(0);  // waited for here instead
  pollfd ready[] = {{STDIN_FILENO, POLLIN, 0}, {results->fd(), POLLIN, 0}};
  if (::poll(ready, 2, kTickMilliseconds / 2) > 0 && (ready[1].revents & POLLIN) != 0)
    reporting(session, [&] { results->pump(); });
}

// Colours where the terminal has them and the user has not asked for none (NO_COLOR set and not
// empty); without them the other attributes say the same.
bool colours = false;

attr_t cursesAttrs(std::uint8_t a) {
  attr_t out = A_NORMAL;
  if (a & kBold) out |= A_BOLD;
  if (a & kItalic) out |= A_ITALIC;
  if (a & kDim) out |= A_DIM;
  if (a & kReverse) out |= A_REVERSE;
  if (a & kUnderline) out |= A_UNDERLINE;
  if (const int colour = (a & kColourMask) >> 5; colour != 0 && colours)
    out |= static_cast<attr_t>(COLOR_PAIR(colour));
  return out;
}

void show(const CellGrid& grid) {
  for (int r = 0; r < grid.height(); ++r) {
    for (int c = 0; c < grid.width(); ++c) {
      const Cell& cell = grid.at(r, c);
      attrset(cursesAttrs(cell.attrs));
      mvaddstr(r, c, cell.glyph.c_str());
    }
  }
  attrset(A_NORMAL);
}

class Terminal {
 public:
  Terminal() {
    std::setlocale(LC_ALL, "");
    initscr();
    raw();
    noecho();
    nonl();
    keypad(stdscr, TRUE);
    set_escdelay(25);
    timeout(kTickMilliseconds / 2);
    const char* noColour = std::getenv("NO_COLOR");
    colours = has_colors() && (noColour == nullptr || *noColour == '\0');
    if (colours) {  // the pairs of CellColour
      start_color();
      use_default_colors();
      init_pair(kFocusColour >> 5, COLOR_BLACK, COLOR_CYAN);
      init_pair(kEditableColour >> 5, COLOR_GREEN, -1);
      init_pair(kLockedColour >> 5, COLOR_YELLOW, -1);
      init_pair(kUnboundColour >> 5, COLOR_MAGENTA, -1);
    }
  }
  ~Terminal() { endwin(); }
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;
};

// The character a Ctrl key sends: ctrl('Q') is 17.
constexpr wint_t ctrl(char letter) {
  return static_cast<wint_t>(letter & 0x1f);
}

// One user action, from a key.
class KeyHandler {
 public:
  explicit KeyHandler(FormSession& s, FormView& v) : session_(s), view_(v) {}
  bool quit = false;

  void key(int kind, wint_t ch) {
    if (view_.showHelp) {  // any key closes the help
      view_.showHelp = false;
      return;
    }
    if (view_.sheet.shown && sheetKey(kind, ch)) return;
    if (kind == KEY_CODE_YES) return special(static_cast<int>(ch));
    switch (ch) {
      case '\t':
        return moveFocus(true);
      case '\r':
      case '\n':
        return session_.pressKey(kKeyReturn, 0, kKeyReturn);
      case 27:
        return session_.pressKey(kKeyEscape, 0, kKeyEscape);
      case 8:
      case 127:
        return session_.pressKey(kKeyBack, 0, kKeyBack);
      case ctrl('Q'):
      case ctrl('C'):
        return requestQuit();
      case ctrl('S'):
        return save();
      case ctrl('T'):
        view_.showTrace = !view_.showTrace;
        return;
      case '?':  // the help, unless it is typed into an entry or a text
        if (!session_.entryUnderWay() && !session_.textFocused()) {
          view_.showHelp = true;
          return;
        }
        break;
      default:
        break;
    }
    if (ch < 32) return;
    session_.type(utf8Of(ch));
  }

 private:
  static std::string utf8Of(wint_t ch) {
    std::string utf8;
    appendUtf8(utf8, static_cast<char32_t>(ch));
    return utf8;
  }

  // Design mode: keys that work the property sheet; true when the key was the sheet's. Controls
  // take no input while it is shown; the focus still moves, and saving and quitting still work.
  bool sheetKey(int kind, wint_t ch) {
    DesignSheet& sheet = view_.sheet;
    const auto& rows = DesignSheet::rows();
    const auto& row = rows[sheet.selected];
    const bool code = kind == KEY_CODE_YES;
    const bool enter = code ? ch == KEY_ENTER : ch == '\r' || ch == '\n';
    if (code && ch == KEY_F(4)) {
      sheet = {};
      return true;
    }
    if (sheet.entry) {
      if (enter) {
        try {
          session_.setProperty(session_.focus(), row.name, *sheet.entry);
          sheet.entry.reset();
        } catch (const Error& e) {
          session_.note("Error " + std::to_string(e.number()) + ": " + e.description());
        }
      } else if (!code && ch == kKeyEscape) {
        sheet.entry.reset();
      } else if (code ? ch == KEY_BACKSPACE : ch == 8 || ch == 127) {
        while (!sheet.entry->empty() && (sheet.entry->back() & 0xC0) == 0x80)
          sheet.entry->pop_back();
        if (!sheet.entry->empty()) sheet.entry->pop_back();
      } else if (!code && ch >= 32) {
        *sheet.entry += utf8Of(ch);
      } else {
        // Function keys and the Ctrl keys for saving, quitting and the trace still work.
        if (code) return ch < KEY_F0 || ch > KEY_F(63);
        return ch != ctrl('C') && ch != ctrl('Q') && ch != ctrl('S') && ch != ctrl('T');
      }
      return true;
    }
    if (enter) {
      if (!row.writable || row.object) {
        session_.note(row.name +
                      (row.writable ? " takes an object: a script assigns it" : " is read-only"));
        return true;
      }
      sheet.entry =
          ControlDispatch::text(session_.dispatch(session_.focus()).get(row.name), row.name);
      return true;
    }
    const std::size_t n = rows.size();
    if (code && (ch == KEY_UP || ch == KEY_DOWN || ch == KEY_PPAGE || ch == KEY_NPAGE)) {
      const std::size_t step = ch == KEY_PPAGE || ch == KEY_NPAGE ? 10 : 1;
      const bool down = ch == KEY_DOWN || ch == KEY_NPAGE;
      sheet.selected = down ? std::min(n - 1, sheet.selected + step)
                            : sheet.selected - std::min(sheet.selected, step);
      return true;
    }
    if (!code && ch < 128 &&
        std::isalpha(static_cast<int>(ch))) {  // the next property with that letter
      for (std::size_t i = 1; i <= n; ++i) {
        const std::size_t at = (sheet.selected + i) % n;
        if (std::tolower(rows[at].name[0]) == std::tolower(static_cast<int>(ch))) {
          sheet.selected = at;
          break;
        }
      }
      return true;
    }
    // Escape, Backspace and other text keys do nothing to the controls in design mode.
    return !code && (ch == 27 || ch == 8 || ch == 127 || (ch >= 32 && ch != '?'));
  }

  void special(int code) {
    // The terminal's editing keys as the control's key codes, shift state and character.
    struct EditKey {
      int terminal;
      std::int16_t key, shift, ascii;
    };
    static constexpr EditKey kEditKeys[] = {{KEY_ENTER, kKeyReturn, 0, kKeyReturn},
                                            {KEY_BACKSPACE, kKeyBack, 0, kKeyBack},
                                            {KEY_DC, kKeyDelete, 0, 0},
                                            {KEY_LEFT, kKeyLeft, 0, 0},
                                            {KEY_RIGHT, kKeyRight, 0, 0},
                                            {KEY_SLEFT, kKeyLeft, kShiftMask, 0},
                                            {KEY_SRIGHT, kKeyRight, kShiftMask, 0},
                                            {KEY_HOME, kKeyHome, 0, 0},
                                            {KEY_END, kKeyEnd, 0, 0},
                                            {KEY_SHOME, kKeyHome, kShiftMask, 0},
                                            {KEY_SEND, kKeyEnd, kShiftMask, 0},
                                            {KEY_PPAGE, kKeyPageUp, 0, 0},
                                            {KEY_NPAGE, kKeyPageDown, 0, 0},
                                            {KEY_SPREVIOUS, kKeyPageUp, kShiftMask, 0},
                                            {KEY_SNEXT, kKeyPageDown, kShiftMask, 0}};
    for (const EditKey& k : kEditKeys)
      if (k.terminal == code) return session_.pressKey(k.key, k.shift, k.ascii);
    switch (code) {
      case KEY_BTAB:
        return moveFocus(false);
      case KEY_UP:
        return moveFocus(false);
      case KEY_DOWN:
        return moveFocus(true);
      default:
        break;
    }
    if (code == KEY_F(1)) view_.showHelp = true;
    if (code == KEY_F(2)) save();
    if (code == KEY_F(4)) {
      view_.sheet.shown = true;
      session_.note("Design mode: the focused control's properties; F4 leaves it");
    }
    if (code == KEY_F(5)) session_.lowerLockLevel();
    if (code == KEY_F(6)) session_.raiseLockLevel();
    if (code == KEY_F(7)) session_.cycleDisplayMode();
    if (code == KEY_F(9)) view_.showTrace = !view_.showTrace;
    if (code == KEY_F(10)) requestQuit();
  }

  void moveFocus(bool forward) {
    const std::size_t old = session_.focus();
    forward ? session_.focusNext() : session_.focusPrevious();
    view_.markDirty(old);
    view_.markDirty(session_.focus());
  }

  void save() {
    session_.save();
    quitArmed_ = false;
  }

  void requestQuit() {
    if (!quitArmed_ && session_.entryUnderWay()) {  // typed but not yet committed
      quitArmed_ = true;
      session_.note(session_.form().name(session_.focus()) +
                    ": the entry is not committed: Enter commits it, F10 again quits without it");
      return;
    }
    if (session_.unsaved() && !quitArmed_) {
      quitArmed_ = true;
      session_.note("There are unsaved changes: F2 saves them, F10 again quits without saving");
      return;
    }
    quit = true;
  }

  FormSession& session_;
  FormView& view_;
  bool quitArmed_ = false;
};

// How a printed control says it cannot be changed now (" read-only", " locked (needs ...)").
std::string lockedText(FormSession& session, std::size_t index) {
  const ParameterInfo* info = session.boundParameter(index);
  if (!info) return {};
  const std::string mark =
      notWritableMark(*info, session.drive().requiredLevel(*info), session.drive().lockLevel());
  return mark.empty() ? mark : " " + mark;
}

}  // namespace

int runTerminal(FormSession& session) {
  FormView view(session);
  view.showTrace = session.traceWanted();
  session.onDisplayChanged = [&view](std::size_t i) { view.markDirty(i); };
  session.unlockHint = "F6 raises the level";
  session.onNotice = [&view](const std::string& text) { view.notice = text; };
  Terminal terminal;
  KeyHandler keys(session, view);
  CellGrid grid(COLS, LINES);
  bool full = true;
  const ModbusLibrary* network = session.drive().network();
  session.note("Kadrelle: " + std::to_string(session.form().size()) + " controls bound to " +
               (network ? "drive " + network->endpoint().name() : "the simulated drive") +
               ". F1 or ? shows the keys.");
  auto last = std::chrono::steady_clock::now();
  while (!keys.quit) {
    view.draw(grid, full);
    full = false;
    show(grid);
    if (auto caret = view.caret(); caret && !view.showHelp) {
      curs_set(1);
      move(caret->row, caret->col);
    } else {
      curs_set(0);
    }
    refresh();

    wint_t ch = 0;
    awaitInput(session);
    const int kind = get_wch(&ch);
    const auto now = std::chrono::steady_clock::now();
    const double elapsed = std::chrono::duration<double>(now - last).count();
    if (elapsed * 1000 >= kTickMilliseconds) {
      reporting(session, [&] { session.tick(elapsed); });
      last = now;
    }
    if (kind == ERR) continue;
    if (kind == KEY_CODE_YES && ch == KEY_RESIZE) {
      grid = CellGrid(COLS, LINES);
      full = true;
      continue;
    }
    const bool helpWasShown = view.showHelp;
    const bool traceWasShown = view.showTrace;
    const bool sheetWasShown = view.sheet.shown;
    view.notice.clear();  // said until the next key
    try {
      keys.key(kind, ch);
    } catch (const Error& e) {
      session.note("Error " + std::to_string(e.number()) + ": " + e.description());
    } catch (const std::exception& e) {
      session.note(std::string("Error: ") + e.what());
    }
    if (helpWasShown != view.showHelp || traceWasShown != view.showTrace ||
        sheetWasShown != view.sheet.shown)
      full = true;
  }
  session.onDisplayChanged = nullptr;
  session.onNotice = nullptr;
  return 0;
}

void printForm(FormSession& session) {
  FormView view(session);
  const int events = static_cast<int>(std::min<std::size_t>(3, session.events().size()));
  // A form file may place controls up to 10^7 twips away: the picture stops at a size no
  // terminal shows, and the list after it names every control.
  constexpr int kMaxColumns = 1000, kMaxRows = 2000;
  CellGrid grid(std::clamp(view.formColumns() + 1, 80, kMaxColumns),
                std::min(view.formRows(), kMaxRows) + 2 + events);
  view.draw(grid, true);
  for (int r = 0; r < grid.height() - 1; ++r) std::cout << grid.rowText(r) << '\n';
  if (view.formColumns() >= kMaxColumns || view.formRows() > kMaxRows)
    std::cout << "(the form is " << view.formColumns() << " columns by " << view.formRows()
              << " rows; the picture shows " << grid.width() << " by " << kMaxRows
              << " of them, the first control among them)\n";
  Form& form = session.form();
  for (std::size_t i = 0; i < form.size(); ++i) {
    Kadrelle& k = form.control(i);
    EditBox& box = k.children().editBox;
    std::cout << form.name(i) << ": "
              << (session.parameterKey(i).empty() ? "(unbound)" : session.parameterKey(i)) << " \""
              << box.get_Text() << "\"" << lockedText(session, i) << " | "
              << k.children().caption.get_Text() << '\n';
  }
}

}  // namespace kadrelle
