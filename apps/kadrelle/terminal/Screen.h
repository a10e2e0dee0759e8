#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "../FormSession.h"
#include "control/Kadrelle.h"
#include "host/Form.h"

namespace kadrelle {

// Character attributes of a cell.
enum CellAttr : std::uint8_t {
  kBold = 1,
  kItalic = 2,
  kDim = 4,
  kReverse = 8,
  kUnderline = 16,
};

// The colour of a value's field where the terminal has colours (bits 5 to 7 of a cell's
// attributes); without colours the other attributes say the same.
enum CellColour : std::uint8_t {
  kFocusColour = 1 << 5,
  kEditableColour = 2 << 5,
  kLockedColour = 3 << 5,
  kUnboundColour = 4 << 5,
};
constexpr std::uint8_t kColourMask = 7 << 5;

struct Cell {
  std::string glyph = " ";  // one character, UTF-8
  std::uint8_t attrs = 0;
};

// A rectangle of character cells that a terminal shows.
class CellGrid {
 public:
  CellGrid(int width, int height) : width_(width), height_(height), cells_(size(width, height)) {}

  int width() const { return width_; }
  int height() const { return height_; }
  const Cell& at(int row, int col) const { return cells_[index(row, col)]; }
  // Writes one cell; places outside the grid are left out.
  void put(int row, int col, std::string glyph, std::uint8_t attrs);
  // Writes text from a column, at most `limit` cells; returns the cells written.
  int text(int row, int col, const std::string& utf8, std::uint8_t attrs, int limit = 1 << 30);
  void fill(int row, int col, int width, int height, std::uint8_t attrs = 0);
  // A row as plain text, without trailing blanks.
  std::string rowText(int row) const;

 private:
  static std::size_t size(int w, int h) {
    return static_cast<std::size_t>(w > 0 && h > 0 ? w * h : 0);
  }
  std::size_t index(int row, int col) const {
    return static_cast<std::size_t>(row) * static_cast<std::size_t>(width_) +
           static_cast<std::size_t>(col);
  }
  int width_, height_;
  std::vector<Cell> cells_;
};

// How many twips a cell stands for.
struct CellScale {
  float columnTwips = 90;
  float rowTwips = 240;
  int column(float twips) const;
  int row(float twips) const;
};

struct CellPos {
  int row = 0, col = 0;
};

// Draws one control from its state: the caption's plain text with its bold, italic and underlined
// runs in the caption box, aligned as each paragraph says; the edit box's text (underlined as a
// field; italic when unbound, dim when not editable; bold with the selection reversed when
// focused; coloured for each of these). Returns where the caret is when the control has the focus.
// Numbers stand right-aligned in their field, text left-aligned; with `notDefault` a "*" stands
// just left of the value. A value beside its caption has the caption's unit after it, in a column
// `unitColumns` wide (the blank before it included; -1: as wide as its own unit needs), and the
// caption without it.
std::optional<CellPos> drawControl(CellGrid& grid, Kadrelle& control, const Form::Placement& place,
                                   bool focused, const CellScale& scale, bool notDefault = false,
                                   int unitColumns = -1);

// The cells a control covers.
struct CellRect {
  int row, col, width, height;
};
CellRect controlCells(const Form::Placement& place, const CellScale& scale);
// The rows a control's caption needs below its cells when wrapped to its caption box's width, as
// drawControl draws it with the same `unitColumns`.
int captionOverflow(Kadrelle& control, const Form::Placement& place, const CellScale& scale,
                    int unitColumns = -1);

// Splits UTF-8 text into characters.
std::vector<std::string> characters(const std::string& utf8);
// Splits UTF-8 text into lines of at most `width` characters, after a blank where one fits.
std::vector<std::string> wrapText(const std::string& utf8, int width);

// Design mode's property sheet: the focused control's published properties, as the type library
// lists them (sorted by name), with their values read through dispatch.
struct DesignSheet {
  bool shown = false;
  std::size_t selected = 0;          // in rows()
  std::optional<std::string> entry;  // the new value being typed for the selected property
  static const std::vector<ControlDispatch::Property>& rows();
};

// The whole screen of the terminal host: the form, a line under it, the last events, the trace
// pane when wanted, and a status line at the bottom. Controls are redrawn only when marked.
class FormView {
 public:
  explicit FormView(FormSession& session, CellScale scale = {});

  // Redraws the marked controls (every control when `full`) and the areas around the form.
  void draw(CellGrid& grid, bool full);
  void markDirty(std::size_t index) { dirty_[index] = true; }
  // The cells the form needs.
  int formRows() const { return rows_; }
  int formColumns() const { return columns_; }
  // Where the caret of the focused control is, after draw().
  std::optional<CellPos> caret() const { return caret_; }

  // The most rows the last events take under the form.
  static constexpr int kEventRows = 6;

  // What the user was last told of an entry or a key that did not do what it asked: the status
  // line shows it instead of the state until it is cleared.
  std::string notice;
  bool showTrace = false;
  bool showHelp = false;
  DesignSheet sheet;
  // Lines of the help shown by `?`.
  static const std::vector<std::string>& helpLines();

 private:
  // Works out where each control goes on the screen: a control whose caption wraps onto more
  // rows than it has gets them, and the controls below it move down. True when that changed.
  bool layout();
  // A control's place on the screen, in twips from the screen's top left.
  Form::Placement placement(std::size_t index) const;
  void drawStatus(CellGrid& grid);
  void drawEvents(CellGrid& grid, int first, int last);
  void drawHelp(CellGrid& grid);
  void drawSheet(CellGrid& grid);

  FormSession& session_;
  CellScale scale_;
  std::vector<bool> dirty_;
  std::vector<int> shift_;        // rows each control moves down
  std::vector<int> extra_;        // rows each control gets below its own
  std::vector<int> unitColumns_;  // the width of each control's unit column
  int rows_ = 0, columns_ = 0;
  int scrollRow_ = 0;  // the form's row at the top of the screen
  std::optional<CellPos> caret_;
};

}  // namespace kadrelle
