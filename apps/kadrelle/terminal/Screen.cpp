#include "Screen.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "brommet/ParameterCatalog.h"
#include "platform/Error.h"
#include "platform/Text.h"

namespace kadrelle {

std::vector<std::string> characters(const std::string& s) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t start = i;
    decodeUtf8(s, i);
    out.push_back(s.substr(start, i - start));
  }
  return out;
}

std::vector<std::string> wrapText(const std::string& utf8, int width) {
  std::vector<std::string> lines;
  const auto glyphs = characters(utf8);
  const std::size_t w = static_cast<std::size_t>(std::max(width, 1));
  for (std::size_t start = 0; start < glyphs.size();) {
    std::size_t end = std::min(start + w, glyphs.size());
    if (end < glyphs.size()) {  // break after the last blank that fits, if there is one
      std::size_t blank = end;
      while (blank > start && glyphs[blank] != " ") --blank;
      if (blank > start) end = blank;
    }
    std::string line;
    for (std::size_t i = start; i < end; ++i) line += glyphs[i];
    lines.push_back(std::move(line));
    start = end < glyphs.size() && glyphs[end] == " " ? end + 1 : end;  // the blank broken at
  }
  return lines;
}

void CellGrid::put(int row, int col, std::string glyph, std::uint8_t attrs) {
  if (row < 0 || col < 0 || row >= height_ || col >= width_) return;
  if (glyph == "\t" || glyph == "\r" || glyph == "\n") glyph = " ";
  cells_[index(row, col)] = {std::move(glyph), attrs};
}

int CellGrid::text(int row, int col, const std::string& utf8, std::uint8_t attrs, int limit) {
  int n = 0;
  for (auto& c : characters(utf8)) {
    if (n >= limit) break;
    put(row, col + n, std::move(c), attrs);
    ++n;
  }
  return n;
}

void CellGrid::fill(int row, int col, int width, int height, std::uint8_t attrs) {
  // Only the cells inside the grid: a control placed far off, or sized far beyond the screen,
  // costs no more than the part of it that shows.
  const int top = std::max(row, 0), bottom = std::min(row + height, height_);
  const int left = std::max(col, 0), right = std::min(col + width, width_);
  for (int r = top; r < bottom; ++r)
    for (int c = left; c < right; ++c) cells_[index(r, c)] = {" ", attrs};
}

std::string CellGrid::rowText(int row) const {
  std::string out;
  for (int c = 0; c < width_; ++c) out += at(row, c).glyph;
  out.erase(out.find_last_not_of(' ') + 1);
  return out;
}

int CellScale::column(float twips) const {
  return static_cast<int>(std::lround(twips / columnTwips));
}

int CellScale::row(float twips) const {
  return static_cast<int>(std::floor(twips / rowTwips));
}

CellRect controlCells(const Form::Placement& place, const CellScale& scale) {
  const int col = scale.column(place.left);
  const int row = scale.row(place.top + 1);
  const int width = std::max(1, scale.column(place.left + place.width) - col);
  const int height = std::max(1, static_cast<int>(std::lround(place.height / scale.rowTwips)));
  return {row, col, width, height};
}

namespace {

// True when the control shows a number (a value object that cannot say is taken as text).
bool numericValue(Kadrelle& control) {
  try {
    const ValueObjectRef value = control.get_ValueObjRef();
    return value && value->get_IsText() == 0;
  } catch (const std::exception&) {
    return false;
  }
}

// The unit the caption shows after its description, as the control composes it; empty when it
// shows none or the control cannot say.
std::string unitOf(Kadrelle& control) {
  try {
    std::string unit = control.get_UserUnit();
    if (unit.empty()) {
      const ValueObjectRef value = control.get_ValueObjRef();
      if (!value) return {};
      const ViewRef view =
          control.get_DisplayMode() == APP_VIEW ? value->get_AppView() : value->get_DriveView();
      std::int32_t which = 0;
      if (view) unit = view->get_Units(which);
    }
    return replaceAll(unit, "&&", "&");
  } catch (const std::exception&) {
    return {};
  }
}

std::string plainText(const RtfParagraph& paragraph) {
  std::string plain;
  for (const auto& run : paragraph.runs) plain += run.text;
  return plain;
}

int columnsOf(const std::string& utf8) {
  return static_cast<int>(characters(utf8).size());
}

// Where the parts of a control go: the caption box, the value's field and the unit after the
// value: for a value beside its caption in a column of its own instead of at the caption's end,
// for one above or below instead of on the caption's last line, where the control has room.
struct ControlCellsLayout {
  CellRect area;
  int capCol = 0, capWidth = 0;
  int fieldCol = 0, fieldWidth = 1;
  int fieldEnd = 0;  // the column after the field as the control places it
  bool beside = false;
  std::string unit;       // drawn after the value
  int unitGlyphs = 0;     // characters taken off the caption's last paragraph for it
  bool unitLine = false;  // the caption's last paragraph was the unit alone: it takes no row
};

// `unitColumns` is the width of the unit column the control's field shares with the fields
// ending in the same column (blank before the unit included); -1 for the control's own unit.
ControlCellsLayout cellsOf(Kadrelle& control, const Form::Placement& place, const CellScale& scale,
                           int unitColumns) {
  const auto children = control.children();
  ControlCellsLayout l;
  l.area = controlCells(place, scale);
  const float capLeft = place.left + children.captionBox.get_Left();
  const float capRight = capLeft + children.captionBox.get_Width();
  l.capCol = scale.column(capLeft);
  l.capWidth = std::max(0, scale.column(capRight) - l.capCol);
  EditBox& box = children.editBox;
  const float boxLeft = place.left + box.get_Left();
  l.fieldCol = scale.column(boxLeft);
  // The field ends with its control, so that a right-aligned value shows.
  l.fieldWidth = std::max(
      1, std::min(scale.column(boxLeft + box.get_Width()), l.area.col + l.area.width) - l.fieldCol);
  l.fieldEnd = l.fieldCol + l.fieldWidth;
  // A caption box without a column leaves the value alone in its control, as if beside it.
  const bool noCaption = l.capWidth == 0;
  l.beside = box.get_Visible() &&
             (noCaption || boxLeft >= capRight || boxLeft + box.get_Width() <= capLeft);
  const auto& paragraphs = children.caption.document().paragraphs;
  const std::string unit = box.get_Visible() ? unitOf(control) : std::string();
  const std::string shown = "(" + unit + ")";
  std::string last = paragraphs.empty() ? std::string() : plainText(paragraphs.back());
  if (!l.beside) {
    if (!unit.empty() && paragraphs.size() > 1 && trim(last, " ") == shown &&
        l.fieldEnd + columnsOf(unit) + 1 <= l.area.col + l.area.width) {
      l.unit = unit;
      l.unitGlyphs = columnsOf(last);
      l.unitLine = true;
    }
    return l;
  }
  if (!unit.empty() && last.ends_with(shown)) {
    last.resize(last.size() - shown.size());
    const std::size_t kept = last.find_last_not_of(' ') + 1;  // the gap before the unit
    l.unitGlyphs = columnsOf(shown) + static_cast<int>(last.size() - kept);
    l.unit = unit;
  }
  const int columns = unitColumns >= 0 ? unitColumns : l.unit.empty() ? 0 : columnsOf(l.unit) + 1;
  // Caption, value, unit: the field moves left, a blank after the caption. Value, unit,
  // caption: the caption moves right.
  if (noCaption || boxLeft >= capRight) {
    // A field at its control's left edge gives up its last columns instead.
    const int moved = std::clamp(l.fieldCol - l.area.col, 0, columns);
    l.fieldCol -= moved;
    l.fieldWidth = std::max(1, l.fieldWidth - (columns - moved));
    l.capWidth = std::max(0, std::min(l.capWidth, l.fieldCol - 1 - l.capCol));
  } else {
    l.capCol += columns;
    l.capWidth = std::max(0, l.capWidth - columns);
  }
  return l;
}

// A caption paragraph's characters with their attributes, the unit left out of the last one.
std::vector<std::pair<std::string, std::uint8_t>> captionGlyphs(const RtfParagraph& paragraph,
                                                                std::uint8_t base, int drop) {
  std::vector<std::pair<std::string, std::uint8_t>> glyphs;
  for (const auto& run : paragraph.runs) {
    std::uint8_t attrs = base;
    if (run.bold) attrs |= kBold;
    if (run.italic) attrs |= kItalic;
    if (run.underline) attrs |= kUnderline;
    for (auto& c : characters(run.text)) glyphs.emplace_back(std::move(c), attrs);
  }
  glyphs.resize(glyphs.size() - std::min(glyphs.size(), static_cast<std::size_t>(drop)));
  return glyphs;
}

std::string joined(const std::vector<std::pair<std::string, std::uint8_t>>& glyphs) {
  std::string plain;
  for (const auto& g : glyphs) plain += g.first;
  return plain;
}

}  // namespace

int captionOverflow(Kadrelle& control, const Form::Placement& place, const CellScale& scale,
                    int unitColumns) {
  const auto children = control.children();
  const ControlCellsLayout l = cellsOf(control, place, scale, unitColumns);
  const float lineTwips = children.surface.TextHeight("Mj");
  const float capTop = place.top + children.captionBox.get_Top();
  const auto& paragraphs = children.caption.document().paragraphs;
  int row = l.area.row;  // as drawControl places the lines
  const std::size_t shown = paragraphs.size() - (l.unitLine ? 1 : 0);
  for (std::size_t p = 0; p < shown && l.capWidth > 0; ++p) {
    row = std::max(row, scale.row(capTop + lineTwips * (static_cast<float>(p) + 0.5f)));
    const int drop = p + 1 == paragraphs.size() ? l.unitGlyphs : 0;
    row += static_cast<int>(
        wrapText(joined(captionGlyphs(paragraphs[p], 0, drop)), std::max(l.capWidth, 1)).size());
  }
  return std::max(0, row - (l.area.row + l.area.height));
}

std::optional<CellPos> drawControl(CellGrid& grid, Kadrelle& control, const Form::Placement& place,
                                   bool focused, const CellScale& scale, bool notDefault,
                                   int unitColumns) {
  const auto children = control.children();
  const ControlCellsLayout l = cellsOf(control, place, scale, unitColumns);
  const CellRect area = l.area;
  grid.fill(area.row, area.col, area.width, area.height);
  const int bottom = area.row + area.height;  // a child never draws below its control

  // The caption: each paragraph from its own row, wrapped at blanks to the caption box's width
  // over the rows below while the control has them, each line aligned as its paragraph says. A
  // caption box without a column shows nothing and takes no rows.
  const RichTextBox& caption = children.caption;
  const float lineTwips = children.surface.TextHeight("Mj");
  const float capTop = place.top + children.captionBox.get_Top();
  const int capCol = l.capCol, capWidth = l.capWidth;
  const std::uint8_t captionBase = caption.get_Enabled() ? 0 : kDim;
  const auto& paragraphs = caption.document().paragraphs;
  std::optional<int> captionRow;  // the caption's first row
  int nextRow = area.row;         // a paragraph starts below the lines of the one before
  const std::size_t shown = paragraphs.size() - (l.unitLine ? 1 : 0);
  for (std::size_t p = 0; p < shown && capWidth > 0; ++p) {
    int row = std::max(nextRow, scale.row(capTop + lineTwips * (static_cast<float>(p) + 0.5f)));
    if (row >= bottom) break;
    const auto glyphs =
        captionGlyphs(paragraphs[p], captionBase, p + 1 == paragraphs.size() ? l.unitGlyphs : 0);
    if (!captionRow) captionRow = row;
    std::size_t at = 0;
    for (const std::string& line : wrapText(joined(glyphs), std::max(capWidth, 1))) {
      if (row >= bottom) break;
      while (at < glyphs.size() && glyphs[at].first == " " && !line.starts_with(" ")) ++at;
      const int length = columnsOf(line);
      int col = capCol;
      if (paragraphs[p].alignment == RtfAlignment::Right) col += std::max(0, capWidth - length);
      if (paragraphs[p].alignment == RtfAlignment::Center)
        col += std::max(0, (capWidth - length) / 2);
      for (int i = 0; i < length && at < glyphs.size(); ++i, ++at)
        if (col + i < capCol + capWidth)
          grid.put(row, col + i, glyphs[at].first, glyphs[at].second);
      ++row;
    }
    nextRow = row;
  }

  // The edit box: a field of its width, its text scrolled so the caret shows.
  EditBox& box = children.editBox;
  if (!box.get_Visible()) return std::nullopt;
  int row = scale.row(place.top + box.get_Top() + box.get_Height() / 2);
  // A value beside its caption stands on the caption's first row, however the two boxes' heights
  // round to rows.
  if (l.beside && captionRow && !paragraphs.empty()) row = *captionRow;
  const int col = l.fieldCol, width = l.fieldWidth;
  if (row >= bottom) return std::nullopt;
  std::uint8_t attrs = kUnderline;
  if (!control.get_ValueObjRef()) attrs |= kItalic | kDim;
  if (!box.get_EditEnabled()) attrs |= kDim;
  if (focused) attrs |= kBold;
  attrs |= focused                      ? kFocusColour
           : !control.get_ValueObjRef() ? kUnboundColour
           : !box.get_EditEnabled()     ? kLockedColour
                                        : kEditableColour;
  const auto text = characters(box.get_Text());
  const int length = static_cast<int>(text.size());
  const int selStart = std::clamp(box.get_SelStart(), 0, length);
  const int selEnd = std::clamp(selStart + box.get_SelLength(), selStart, length);
  const int caret = selEnd;
  // Numbers stand right-aligned in their field, also while they are edited (the caret after the
  // last digit stands just after the field); text stands left-aligned. Either scrolls so that
  // the caret shows. The mark of a value not at its default stands just before the value.
  const bool numeric = numericValue(control);
  const int shift = numeric ? std::max(0, width - length) : 0;
  const int scroll = std::max(0, caret - width + (numeric ? 0 : 1));
  for (int i = 0; i < width; ++i) {
    const int at = scroll + i - shift;
    std::uint8_t a = attrs;
    if (focused && at >= selStart && at < selEnd) a |= kReverse;
    grid.put(row, col + i, at >= 0 && at < length ? text[static_cast<std::size_t>(at)] : " ", a);
  }
  // Within the control's cells, which are cleared when it is drawn again.
  if (notDefault && col + shift > area.col) grid.put(row, col + shift - 1, "*", kBold);
  if (!l.unit.empty()) grid.text(row, col + width + 1, l.unit, captionBase);
  if (!focused) return std::nullopt;
  return CellPos{row, col + shift + caret - scroll};
}

FormView::FormView(FormSession& session, CellScale scale)
    : session_(session),
      scale_(scale),
      dirty_(session.form().size(), true),
      shift_(session.form().size(), 0),
      extra_(session.form().size(), 0),
      unitColumns_(session.form().size(), 0) {
  layout();
}

bool FormView::layout() {
  Form& form = session_.form();
  // The rows inserted where controls end: as many as the control ending there needs most. A
  // control starting at or below that row moves down by them.
  std::map<int, int> inserted;
  // Numbers in fields that end in one column share a unit column as wide as their widest unit
  // needs, so that their values and units line up.
  std::map<int, int> unitColumns;
  std::vector<int> fieldEnds(form.size());
  for (std::size_t i = 0; i < form.size(); ++i) {
    const auto cells = cellsOf(form.control(i), form.placement(i), scale_, -1);
    fieldEnds[i] = cells.beside ? cells.fieldEnd : -1;
    int& columns = unitColumns[fieldEnds[i]];
    columns = std::max(columns, cells.unit.empty() ? 0 : columnsOf(cells.unit) + 1);
  }
  std::vector<int> extra(form.size()), units(form.size());
  for (std::size_t i = 0; i < form.size(); ++i) {
    const CellRect r = controlCells(form.placement(i), scale_);
    // Text stands left-aligned: its field keeps its place unless it has a unit of its own.
    units[i] = numericValue(form.control(i)) ? unitColumns[fieldEnds[i]] : -1;
    extra[i] = captionOverflow(form.control(i), form.placement(i), scale_, units[i]);
    if (extra[i] > 0) inserted[r.row + r.height] = std::max(inserted[r.row + r.height], extra[i]);
  }
  bool changed = extra != extra_ || units != unitColumns_;
  unitColumns_ = std::move(units);
  int rows = 0, columns = 0;
  for (std::size_t i = 0; i < form.size(); ++i) {
    const CellRect r = controlCells(form.placement(i), scale_);
    int shift = 0;
    for (auto it = inserted.begin(); it != inserted.end() && it->first <= r.row; ++it)
      shift += it->second;
    changed = changed || shift != shift_[i];
    shift_[i] = shift;
    rows = std::max(rows, r.row + r.height + shift + extra[i]);
    columns = std::max(columns, r.col + r.width);
  }
  extra_ = std::move(extra);
  rows_ = rows;
  columns_ = columns;
  return changed;
}

Form::Placement FormView::placement(std::size_t index) const {
  Form::Placement place = session_.form().placement(index);
  place.top += static_cast<float>(shift_[index] - scrollRow_) * scale_.rowTwips;
  place.height += static_cast<float>(extra_[index]) * scale_.rowTwips;
  return place;
}

const std::vector<std::string>& FormView::helpLines() {
  // At most 74 columns, so that the box fits an 80-column terminal.
  static const std::vector<std::string> kLines = {
      "Tab, Shift-Tab, Up, Down   move the focus",
      "typing                     edits the focused value",
      "Enter                      commits the entry",
      "Escape                     reverts the entry",
      "Page Up, Page Down         step the value (with Shift: ten steps)",
      "F5, F6                     lower, raise the lock level",
      "F7                         next display mode (application,",
      "                           configuration, drive)",
      "F2 or Ctrl-S               save the drive parameters (and the form)",
      "F9 or Ctrl-T               show or hide the trace pane",
      "F4                         design mode: the focused control's",
      "                           properties; Up, Down or a letter select",
      "                           one, Enter changes it, F2 saves the form",
      "*                          beside a value: not the parameter's default",
      "F1 or ?                    this help",
      "F10 or Ctrl-Q              quit (twice when there are unsaved changes)",
  };
  return kLines;
}

void FormView::draw(CellGrid& grid, bool full) {
  Form& form = session_.form();
  // A form taller than the rows above the status line scrolls so that the focused control shows.
  const int rows = grid.height() - 1;
  int top = 0;
  // A caption that wraps onto more rows gets them: the controls below move down.
  if (layout()) full = true;
  if (rows_ > rows && rows > 0) {
    CellRect focus = controlCells(form.placement(session_.focus()), scale_);
    focus.row += shift_[session_.focus()];
    focus.height += extra_[session_.focus()];
    top = std::clamp(scrollRow_, focus.row + std::min(focus.height, rows) - rows, focus.row);
    top = std::clamp(top, 0, rows_ - rows);
  }
  if (top != scrollRow_) {
    scrollRow_ = top;
    full = true;
  }
  if (full) {
    grid.fill(0, 0, grid.width(), grid.height());
    std::fill(dirty_.begin(), dirty_.end(), true);
  }
  for (std::size_t i = 0; i < form.size(); ++i) {
    if (!dirty_[i]) continue;
    const bool focused = i == session_.focus();
    // Moved by whole rows: its cells stay put.
    auto caret = drawControl(grid, form.control(i), placement(i), focused, scale_,
                             !session_.atDefault(i), unitColumns_[i]);
    if (focused) caret_ = caret;
    dirty_[i] = false;
  }
  drawStatus(grid);
  if (sheet.shown) drawSheet(grid);
  if (showHelp) drawHelp(grid);
}

namespace {

// The rows the newest lines take when each wraps at `width`: at most `rows`, top to bottom, each
// with whether it belongs to the newest line.
std::vector<std::pair<std::string, bool>> newestRows(const std::deque<std::string>& lines,
                                                     int width, int rows) {
  std::vector<std::pair<std::string, bool>> out;  // newest first
  for (auto l = lines.rbegin(); l != lines.rend() && std::ssize(out) < rows; ++l) {
    const auto pieces = wrapText(*l, width);
    for (auto p = pieces.rbegin(); p != pieces.rend() && std::ssize(out) < rows; ++p)
      out.emplace_back(*p, l == lines.rbegin());
  }
  std::reverse(out.begin(), out.end());
  return out;
}

// Text in at most `rows` lines of `width` characters, wrapped at blanks; text that needs more ends
// its last line with an ellipsis.
std::vector<std::string> fitted(const std::string& text, int width, int rows) {
  if (rows < 1) return {};
  auto lines = wrapText(text, width);
  if (std::ssize(lines) <= rows) return lines;
  lines.resize(static_cast<std::size_t>(rows));
  auto glyphs = characters(lines.back());
  glyphs.resize(std::min(glyphs.size(), static_cast<std::size_t>(std::max(width - 1, 0))));
  lines.back().clear();
  for (const auto& g : glyphs) lines.back() += g;
  lines.back() += "\u2026";
  return lines;
}

}  // namespace

const std::vector<ControlDispatch::Property>& DesignSheet::rows() {
  static const std::vector<ControlDispatch::Property> sorted = [] {
    auto list = ControlDispatch::properties();
    std::ranges::sort(list, {}, &ControlDispatch::Property::name);
    return list;
  }();
  return sorted;
}

namespace {

// A property's type as a Basic programmer declares it ("String" for the type library's "BSTR");
// the enumerations keep their names.
std::string basicTypeName(std::string_view idl) {
  static constexpr std::pair<std::string_view, std::string_view> kNames[] = {
      {"VARIANT_BOOL", "Boolean"},
      {"short", "Integer"},
      {"long", "Long"},
      {"single", "Single"},
      {"double", "Double"},
      {"BSTR", "String"},
      {"VARIANT", "Variant"},
      {"Font*", "StdFont"},
      {"Brommet.ValueObject*", "ValueObject"},
      {"Brommet.LockLevel*", "LockLevel"},
  };
  for (const auto& [from, to] : kNames)
    if (idl == from) return std::string(to);
  return std::string(idl);
}

}  // namespace

void FormView::drawSheet(CellGrid& grid) {
  const auto& rows = DesignSheet::rows();
  const std::size_t focus = session_.focus();
  const int width = std::min(grid.width(), 60);
  const int left = grid.width() - width;
  const int height = grid.height() - 1;  // down to the status line
  // Under the list: two rows for the selected property's type and help, one for the entry, two
  // for the last event; what needs more ends with an ellipsis.
  const int listRows = height - 6;
  if (listRows < 1) return;
  grid.fill(0, left, width, height, kReverse);
  grid.text(0, left + 1,
            fitted("Properties of " + session_.form().name(focus) + " (F4 leaves design mode)",
                   width - 2, 1)[0],
            kReverse | kBold);
  const int first = std::clamp(static_cast<int>(sheet.selected) - listRows / 2, 0,
                               std::max(0, static_cast<int>(rows.size()) - listRows));
  ControlDispatch& dispatch = session_.dispatch(focus);
  for (int r = 0; r < listRows && first + r < static_cast<int>(rows.size()); ++r) {
    const auto& row = rows[static_cast<std::size_t>(first + r)];
    std::string value;
    try {
      value = ControlDispatch::display(dispatch.get(row.name), row.name);
    } catch (const Error& e) {
      value = "(error " + std::to_string(e.number()) + ")";
    }
    const bool selected = static_cast<std::size_t>(first + r) == sheet.selected;
    const std::uint8_t a = selected ? kBold : row.writable ? kReverse : kReverse | kDim;
    grid.fill(1 + r, left, width, 1, a);
    grid.text(1 + r, left + 1, row.name, a, 19);
    if (!value.empty()) grid.text(1 + r, left + 21, fitted(value, width - 22, 1)[0], a);
  }
  const auto& row = rows[sheet.selected];
  const auto help = fitted(basicTypeName(row.type) + (row.writable ? "" : ", read-only") +
                               (row.help.empty() ? "" : ": " + row.help),
                           width - 2, 2);
  for (std::size_t i = 0; i < help.size(); ++i)
    grid.text(height - 5 + static_cast<int>(i), left + 1, help[i], kReverse | kDim);
  caret_.reset();
  if (sheet.entry) {
    // A line too long for the row shows its end, after a "…", with the caret's cell free.
    std::vector<std::string> line = characters("New " + row.name + ": " + *sheet.entry);
    const std::size_t room = static_cast<std::size_t>(std::max(width - 3, 2));
    if (line.size() > room) {
      line.erase(line.begin(), line.end() - static_cast<std::ptrdiff_t>(room - 1));
      line.insert(line.begin(), "\u2026");
    }
    std::string shown;
    for (const std::string& c : line) shown += c;
    grid.fill(height - 3, left, width, 1);
    const int used = grid.text(height - 3, left + 1, shown, 0, width - 2);
    caret_ = CellPos{height - 3, left + 1 + used};
  } else {
    grid.text(height - 3, left + 1, "Enter changes it; Tab moves to the next control; F2 saves",
              kReverse, width - 2);
  }
  if (!session_.events().empty()) {
    const auto event = fitted(session_.events().back(), width - 2, 2);
    for (std::size_t i = 0; i < event.size(); ++i)
      grid.text(height - 2 + static_cast<int>(i), left + 1, event[i], kReverse | kBold);
  }
}

// The line under the form, the last events and the trace pane, in rows first to last - 1.
void FormView::drawEvents(CellGrid& grid, int first, int last) {
  grid.fill(first, 0, grid.width(), last - first);
  for (int c = 0; c < grid.width(); ++c) grid.put(first, c, "\u2500", kDim);
  // The last events, newest last and bold, each over as many rows as it needs. Beside the trace
  // pane they take three rows; without it, at most kEventRows.
  const int free = last - first - 1;
  const int eventRows = std::min(showTrace ? 3 : kEventRows, free);
  const auto events = newestRows(session_.events(), grid.width() - 2, eventRows);
  for (std::size_t r = 0; r < events.size(); ++r)
    grid.text(first + 1 + static_cast<int>(r), 1, events[r].first, events[r].second ? kBold : 0);
  // The trace pane below them, its lines wrapped the same way.
  const int traceTop = first + 1 + eventRows + 1;
  if (showTrace && traceTop < last) {
    for (int c = 0; c < grid.width(); ++c) grid.put(traceTop - 1, c, "\u2500", kDim);
    grid.text(traceTop - 1, 2, " trace ", kDim);
    const auto lines = newestRows(session_.trace().lines(), grid.width() - 2, last - traceTop);
    for (std::size_t r = 0; r < lines.size(); ++r)
      grid.text(traceTop + static_cast<int>(r), 1, lines[r].first, kDim);
  }
}

// The status line, at the bottom whatever the form's size.
void FormView::drawStatus(CellGrid& grid) {
  const int last = grid.height() - 1;
  if (last < 0) return;
  if (rows_ - scrollRow_ < last) drawEvents(grid, rows_ - scrollRow_, last);
  static constexpr const char* kModes[2][3] = {
      {"application view", "configuration view", "drive view"},
      {"app view", "config view", "drive view"}};
  const std::int32_t level = session_.drive().lockLevel();
  const std::int32_t mode = session_.displayMode();
  // The focused control by its parameter (by name when it has none).
  const std::string key = session_.parameterKey(session_.focus());
  // The keys stay at the right end; the state before them says the same in fewer words the
  // narrower the screen is, and gives way only where even that does not fit.
  const std::string keys = " F1 help  F10 quit ";
  const int keysColumn = std::max(0, grid.width() - static_cast<int>(keys.size()));
  std::string status;
  for (int terse = 0; terse < 4; ++terse) {
    const ModbusLibrary* network = session_.drive().network();
    status = " " + (key.empty() ? session_.form().name(session_.focus()) : key) + " | lock " +
             std::to_string(level) +
             (terse >= 2 ? "" : " " + ParameterCatalog::lockLevelName(level)) +
             (session_.unsaved() ? " | unsaved" : "") + " | " +
             (mode >= 0 && mode < 3 ? kModes[terse >= 1][mode] : "?") +
             (!network                       ? ""
              : session_.drive().connected() ? " | connected"
              : terse >= 3                   ? " | offline"
                                             : " | not connected");
    if (columnsOf(status) < keysColumn) break;
  }
  if (!notice.empty()) status = " " + fitted(notice, std::max(keysColumn - 2, 1), 1)[0];
  grid.fill(last, 0, grid.width(), 1, kReverse);
  grid.text(last, 0, status, notice.empty() ? kReverse : kReverse | kBold, keysColumn - 1);
  grid.text(last, keysColumn, keys, kReverse | kBold, grid.width() - keysColumn);
}

void FormView::drawHelp(CellGrid& grid) {
  const auto& lines = helpLines();
  const int width =
      4 + static_cast<int>(std::max_element(lines.begin(), lines.end(), [](auto& a, auto& b) {
                             return a.size() < b.size();
                           })->size());
  const int height = static_cast<int>(lines.size()) + 4;
  const int top = std::max(0, (grid.height() - height) / 2);
  const int left = std::max(0, (grid.width() - width) / 2);
  grid.fill(top, left, width, height, kReverse);
  grid.text(top + 1, left + 2, "Keys (any key closes this help)", kReverse | kBold);
  for (std::size_t i = 0; i < lines.size(); ++i)
    grid.text(top + 3 + static_cast<int>(i), left + 2, lines[i], kReverse, width - 3);
}

}  // namespace kadrelle
