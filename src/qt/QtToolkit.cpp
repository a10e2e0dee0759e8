#include "qt/QtToolkit.h"

#include <QAbstractTextDocumentLayout>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTextBlock>
#include <QTextCursor>
#include <QWheelEvent>
#include <QtGlobal>
#include <algorithm>
#include <cmath>
#include <exception>
#include <string_view>
#include <vector>

#include "platform/Error.h"
#include "platform/KeyCodes.h"

namespace kadrelle::qt {

namespace {

constexpr double kTwipsPerInch = 1440.0;

double dpiOf(const QWidget* widget) {
  if (widget) return widget->logicalDpiY();
  return 96.0;
}

// A line break in the model's text: CR LF, CR or LF.
std::size_t lineCount(std::string_view text) {
  std::size_t lines = 1;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    if (text[i] == '\r' || text[i] == '\n') ++lines;
  }
  return lines;
}
QStringList linesOf(const std::string& text) {
  QString s = QString::fromStdString(text);
  s.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), '\n');
  return s.split(QLatin1Char('\n'));
}

template <class F>
void guarded(const char* where, F&& f) {
  try {
    f();
  } catch (...) {
    reportFailure(where);
  }
}

}  // namespace

std::function<void(const std::string&)> failureHandler;

void reportFailure(const char* where) {
  std::string message = where;
  try {
    throw;
  } catch (const Error& e) {
    message += ": error " + std::to_string(e.number()) + ": " + e.description();
  } catch (const std::exception& e) {
    message += ": error 5: " + std::string(e.what());
  } catch (...) {
    message += ": error 5";
  }
  if (failureHandler) {
    failureHandler(message);
  } else {
    qWarning("%s", message.c_str());
  }
}

double pixelsPerTwip(const QWidget* widget) {
  return dpiOf(widget) / kTwipsPerInch;
}
int toPixels(float twips, const QWidget* widget) {
  return static_cast<int>(std::lround(double(twips) * pixelsPerTwip(widget)));
}
float toTwips(int pixels, const QWidget* widget) {
  return static_cast<float>(pixels / pixelsPerTwip(widget));
}
QRect toPixels(float left, float top, float width, float height, double perTwip) {
  const int l = toPixels(left, perTwip), t = toPixels(top, perTwip);
  return QRect(l, t, toPixels(left + width, perTwip) - l, toPixels(top + height, perTwip) - t);
}

// ---- repaint checks --------------------------------------------------------------------------

namespace {

// The children waiting for a look, and the one posted event that looks at them. Made once and
// kept for the program's life.
class RepaintQueue : public QObject {
 public:
  static RepaintQueue& instance() {
    static RepaintQueue* queue = new RepaintQueue;
    return *queue;
  }
  void add(RepaintCheck* check) {
    if (waiting_.empty())
      QCoreApplication::postEvent(this, new QEvent(kEvent), Qt::HighEventPriority);
    waiting_.push_back(check);
  }
  void remove(RepaintCheck* check) {
    std::erase(waiting_, check);
    std::replace(checking_.begin(), checking_.end(), check, static_cast<RepaintCheck*>(nullptr));
  }
  // Calls f for each check waiting now; both lists keep their storage.
  template <class F>
  void takeAll(F&& f) {
    if (!checking_.empty()) return;  // a look is under way
    checking_.swap(waiting_);
    for (std::size_t i = 0; i < checking_.size(); ++i)
      if (RepaintCheck* check = checking_[i]) f(check);
    checking_.clear();
  }

 protected:
  void customEvent(QEvent* e) override {
    if (e->type() == kEvent) RepaintCheck::checkAll();
  }

 private:
  static constexpr auto kEvent = static_cast<QEvent::Type>(QEvent::User + 0x4B44);
  std::vector<RepaintCheck*> waiting_, checking_;
};

}  // namespace

RepaintCheck::~RepaintCheck() {
  if (pending_) RepaintQueue::instance().remove(this);
}

void RepaintCheck::checkRepaint() {
  if (pending_) return;
  pending_ = true;
  RepaintQueue::instance().add(this);
}

void RepaintCheck::checkAll() {
  RepaintQueue::instance().takeAll([](RepaintCheck* check) {
    check->pending_ = false;
    guarded("paint", [&] { check->repaintIfChanged(); });
  });
}

QColor toQColor(OleColor color, const QPalette& palette) {
  if (!isSystemColor(color))
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
  using R = QPalette::ColorRole;
  static constexpr R kRoles[] = {
      R::Button,
      R::Window,
      R::Highlight,
      R::Window,
      R::Window,
      R::Base,
      R::WindowText,
      R::WindowText,
      R::Text,
      R::HighlightedText,
      R::Button,
      R::Button,
      R::Dark,
      R::Highlight,
      R::HighlightedText,
      R::Button,
      R::Dark,
      R::PlaceholderText,
      R::ButtonText,
      R::WindowText,
      R::Light,
      R::Shadow,
      R::Midlight,
      R::ToolTipText,
      R::ToolTipBase,
  };
  const unsigned index = systemColorIndex(color);
  if (index >= std::size(kRoles)) return palette.color(R::Window);
  return palette.color(kRoles[index]);
}

QFont toQFont(const StdFont& font) {
  QFont f(QString::fromStdString(font.get_Name()));
  f.setPointSizeF(std::max(1.0, font.get_Size().toDouble()));
  f.setWeight(static_cast<QFont::Weight>(std::clamp<int>(font.get_Weight(), 1, 1000)));
  f.setItalic(static_cast<bool>(font.get_Italic()));
  f.setUnderline(static_cast<bool>(font.get_Underline()));
  f.setStrikeOut(static_cast<bool>(font.get_Strikethrough()));
  return f;
}

void copyFont(const QFont& from, StdFont& to) {
  to.put_Name(from.family().toStdString());
  to.put_Size(Currency::fromDouble(from.pointSizeF()));
  to.put_Weight(static_cast<std::int16_t>(from.weight()));
  to.put_Italic(Boolean(from.italic()));
  to.put_Underline(Boolean(from.underline()));
  to.put_Strikethrough(Boolean(from.strikeOut()));
}

// ---- surface ---------------------------------------------------------------------------------

namespace {

class SurfaceWidget : public QWidget {
 public:
  explicit SurfaceWidget(QtSurface& surface) : surface_(surface) {
    setAttribute(Qt::WA_OpaquePaintEvent);  // opaque until the back style says otherwise
  }
  QtSurface* owner() const { return &surface_; }

 protected:
  void paintEvent(QPaintEvent*) override {
    if (surface_.get_BackStyle() == 0) return;
    QPainter(this).fillRect(rect(), toQColor(surface_.get_BackColor(), palette()));
  }
  void resizeEvent(QResizeEvent*) override { surface_.widgetResized(); }
  bool event(QEvent* e) override {
    if (e->type() == QEvent::ScreenChangeInternal)
      guarded("screen", [&] { surface_.screenChanged(); });
    return QWidget::event(e);
  }

 private:
  QtSurface& surface_;
};

}  // namespace

QtSurface::QtSurface()
    : widget_(new SurfaceWidget(*this)),
      font_(QApplication::font()),
      perTwip_(qt::pixelsPerTwip(widget_)) {
  sizing_ = true;
  widget_->resize(toPixels(width_, perTwip_), toPixels(height_, perTwip_));
  sizing_ = false;
}

void QtSurface::screenChanged() {
  const double perTwip = qt::pixelsPerTwip(widget_);
  if (perTwip == perTwip_ || !widget_) return;
  perTwip_ = perTwip;
  lineSpacing_ = -1;
  sizing_ = true;
  widget_->resize(toPixels(width_, perTwip_), toPixels(height_, perTwip_));
  sizing_ = false;
  DisplayChanged.raise();
}

QtSurface::~QtSurface() {
  delete widget_.data();
}

void QtSurface::resize(float width, float height) {
  if (width == width_ && height == height_) return;
  width_ = width;
  height_ = height;
  if (widget_) {
    sizing_ = true;
    widget_->resize(toPixels(width, perTwip_), toPixels(height, perTwip_));
    sizing_ = false;
  }
  DisplayChanged.raise();
  raiseResize();
}

void QtSurface::widgetResized() {
  if (sizing_ || !widget_) return;
  const QSize size = widget_->size();
  // A size that rounds to what is there already leaves the twips as they are.
  const float width =
      size.width() == toPixels(width_, perTwip_) ? width_ : toTwips(size.width(), perTwip_);
  const float height =
      size.height() == toPixels(height_, perTwip_) ? height_ : toTwips(size.height(), perTwip_);
  guarded("resize", [&] { resize(width, height); });
}

void QtSurface::put_BackColor(OleColor color) {
  if (color == backColor_) return;
  backColor_ = color;
  if (widget_) widget_->update();
  DisplayChanged.raise();
}

void QtSurface::put_BackStyle(std::int16_t style) {
  if (style == backStyle_) return;
  backStyle_ = style;
  if (widget_) {
    widget_->setAttribute(Qt::WA_OpaquePaintEvent, style != 0);
    widget_->update();
  }
  DisplayChanged.raise();
}

float QtSurface::TextHeight(const std::string& text) const {
  // The font never changes, so its line spacing is asked of Qt once for each screen.
  if (lineSpacing_ < 0) lineSpacing_ = QFontMetricsF(font_, widget_.data()).lineSpacing();
  return static_cast<float>(double(lineCount(text)) * lineSpacing_ / perTwip_);
}

// ---- label and picture box -------------------------------------------------------------------

QtLabel::QtLabel(QtSurface& parent) : QtChild(parent), parent_(parent) {}

void QtLabel::put_Caption(const std::string& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  const QFontMetricsF metrics(parent_.font(), parent_.widget());
  const QStringList lines = linesOf(caption);
  double widest = 0;
  for (const QString& line : lines) widest = std::max(widest, metrics.horizontalAdvance(line));
  const double perTwip = parent_.pixelsPerTwip();
  const auto width = static_cast<float>(std::ceil(widest) / perTwip);
  const auto height = static_cast<float>(double(lines.size()) * metrics.lineSpacing() / perTwip);
  if (width == get_Width() && height == get_Height()) {
    DisplayChanged.raise();  // the text changed, the size did not
  } else {
    setSize(width, height);
  }
}

void QtLabel::sync() {
  if (!widget() && get_Visible() && parent_.widget()) {
    auto* label = new QLabel(parent_.widget());
    label->setFont(parent_.font());
    attach(label);
  }
  if (auto* label = static_cast<QLabel*>(widget())) {
    label->setText(QString::fromStdString(caption_));  // QLabel repaints a new text itself
  }
  place();
}

namespace {

class PictureWidget : public QWidget {
 public:
  PictureWidget(QtPictureBox& box, QWidget* parent) : QWidget(parent), box_(box) {
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter(this).fillRect(rect(), toQColor(box_.get_BackColor(), palette()));
  }

 private:
  QtPictureBox& box_;
};

class CaptionWidget : public QWidget {
 public:
  CaptionWidget(QtRichTextBox& box, QWidget* parent) : QWidget(parent), box_(box) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.fillRect(rect(), toQColor(box_.get_BackColor(), palette()));
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette = palette();
    context.palette.setColor(
        QPalette::Text, palette().color(box_.get_Enabled() ? QPalette::Active : QPalette::Disabled,
                                        QPalette::WindowText));
    box_.textDocument().documentLayout()->draw(&painter, context);
  }

 private:
  QtRichTextBox& box_;
};

}  // namespace

QtPictureBox::QtPictureBox(QtSurface& parent) : QtChild(parent), parent_(parent) {
  attach(new PictureWidget(*this, parent.widget()));
}

void QtPictureBox::repaintIfChanged() {
  if (backColor_ == drawnBackColor_) return;
  drawnBackColor_ = backColor_;
  if (QWidget* w = widget()) w->update();
}

// ---- caption ---------------------------------------------------------------------------------

QtRichTextBox::QtRichTextBox(QtPictureBox& parent) : QtChild(parent.surface()), parent_(parent) {
  text_document_.setDocumentMargin(0);
  text_document_.setUndoRedoEnabled(false);
  if (!parent.surface().caption()) parent.surface().setCaption(this);
  attach(new CaptionWidget(*this, parent.widget()));
}

QtRichTextBox::~QtRichTextBox() {
  if (parent_.surface().caption() == this) parent_.surface().setCaption(nullptr);
}

void QtRichTextBox::put_TextRTF(const std::string& rtf) {
  // The same document again keeps what is shown, and its layout, as it is.
  if (rtf == rtf_) return;
  rtf_ = rtf;
  document_ = readRtf(rtf);
  text_ = document_.text();

  text_document_.clear();
  QTextCursor cursor(&text_document_);
  bool first = true;
  for (const RtfParagraph& paragraph : document_.paragraphs) {
    QTextBlockFormat block;
    switch (paragraph.alignment) {
      case RtfAlignment::Left:
        block.setAlignment(Qt::AlignLeft);
        break;
      case RtfAlignment::Right:
        block.setAlignment(Qt::AlignRight);
        break;
      case RtfAlignment::Center:
        block.setAlignment(Qt::AlignHCenter);
        break;
      case RtfAlignment::Justify:
        block.setAlignment(Qt::AlignJustify);
        break;
    }
    if (first) {
      cursor.setBlockFormat(block);
      first = false;
    } else {
      cursor.insertBlock(block);
    }
    for (const RtfRun& run : paragraph.runs) {
      QTextCharFormat format;
      std::string family = "Arial";
      for (const RtfFont& font : document_.fonts)
        if (font.index == run.font && !font.name.empty()) family = font.name;
      format.setFontFamilies({QString::fromStdString(family)});
      format.setFontPointSize(std::max(1, run.halfPoints) / 2.0);
      format.setFontWeight(run.bold ? QFont::Bold : QFont::Normal);
      format.setFontItalic(run.italic);
      format.setFontUnderline(run.underline);
      format.setFontStrikeOut(run.strike);
      QString text = QString::fromStdString(run.text);
      text.replace(QLatin1Char('\n'), QChar::LineSeparator);
      cursor.insertText(text, format);
    }
  }
  ++version_;
  laidOutWidth_ = -1;
  DisplayChanged.raise();
}

void QtRichTextBox::sync() {
  QtChild<RichTextBox>::sync();
  if (QWidget* w = widget()) {
    if (w->width() != laidOutWidth_) {
      laidOutWidth_ = w->width();
      text_document_.setTextWidth(laidOutWidth_);
    }
  }
}

void QtRichTextBox::repaintIfChanged() {
  if (shown() == drawn_) return;
  drawn_ = shown();
  if (QWidget* w = widget()) w->update();
}

// ---- edit box --------------------------------------------------------------------------------

namespace {

std::int16_t shiftOf(Qt::KeyboardModifiers modifiers) {
  std::int16_t shift = 0;
  if (modifiers & Qt::ShiftModifier) shift |= kShiftMask;
  if (modifiers & Qt::ControlModifier) shift |= kCtrlMask;
  if (modifiers & Qt::AltModifier) shift |= kAltMask;
  return shift;
}

std::int16_t buttonOf(Qt::MouseButtons buttons) {
  std::int16_t button = 0;
  if (buttons & Qt::LeftButton) button |= 1;
  if (buttons & Qt::RightButton) button |= 2;
  if (buttons & Qt::MiddleButton) button |= 4;
  return button;
}

// The key code of a Qt key, or 0 for keys that have none.
std::int16_t keyCodeOf(const QKeyEvent& e) {
  const int key = e.key();
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return std::int16_t(key);
  if (key >= Qt::Key_0 && key <= Qt::Key_9)
    return std::int16_t((e.modifiers() & Qt::KeypadModifier) ? 96 + (key - Qt::Key_0) : key);
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return std::int16_t(112 + (key - Qt::Key_F1));
  switch (key) {
    case Qt::Key_Backspace:
      return kKeyBack;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return kKeyTab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return kKeyReturn;
    case Qt::Key_Escape:
      return kKeyEscape;
    case Qt::Key_Space:
      return 32;
    case Qt::Key_PageUp:
      return kKeyPageUp;
    case Qt::Key_PageDown:
      return kKeyPageDown;
    case Qt::Key_End:
      return kKeyEnd;
    case Qt::Key_Home:
      return kKeyHome;
    case Qt::Key_Left:
      return kKeyLeft;
    case Qt::Key_Up:
      return kKeyUp;
    case Qt::Key_Right:
      return kKeyRight;
    case Qt::Key_Down:
      return kKeyDown;
    case Qt::Key_Insert:
      return 45;
    case Qt::Key_Delete:
      return kKeyDelete;
    case Qt::Key_Shift:
      return 16;
    case Qt::Key_Control:
      return 17;
    case Qt::Key_Alt:
      return 18;
    case Qt::Key_Plus:
      return (e.modifiers() & Qt::KeypadModifier) ? 107 : 187;
    case Qt::Key_Minus:
      return (e.modifiers() & Qt::KeypadModifier) ? 109 : 189;
    case Qt::Key_Comma:
      return 188;
    case Qt::Key_Period:
      return (e.modifiers() & Qt::KeypadModifier) ? 110 : 190;
    default:
      return 0;
  }
}

// What a box's panel looks like: two boxes with the same key draw the same pixels.
struct PanelKey {
  QSize size;
  qreal ratio;
  qint64 palette;
  const QStyle* style;
  bool editable, focused, active, border;
  friend bool operator==(const PanelKey&, const PanelKey&) = default;
};

class EditWidget : public QWidget {
 public:
  EditWidget(QtEditBox& box, QWidget* parent) : QWidget(parent), box_(box) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setAttribute(Qt::WA_OpaquePaintEvent);  // the background is filled, whole
    setCursor(Qt::IBeamCursor);
  }
  QtEditBox& box() const { return box_; }

 protected:
  static constexpr int kMargin = 2;

  // The text in UTF-16, and the UTF-16 length of its first n characters (code points).
  QString shownText() const { return QString::fromStdString(box_.get_Text()); }
  static qsizetype units(const QString& text, std::int32_t n) {
    qsizetype i = 0;
    for (std::int32_t k = 0; k < n && i < text.size(); ++k)
      i += (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
    return i;
  }
  double xOf(const QFontMetricsF& metrics, const QString& text, std::int32_t n) const {
    const qsizetype length = units(text, std::max(0, n));
    return length == 0 ? 0.0 : metrics.horizontalAdvance(text, int(length));
  }
  std::int32_t indexAt(double x) const {
    const QFontMetricsF metrics(box_.shownFont(), this);
    const QString text = shownText();
    const double target = x + offset_ - kMargin;
    std::int32_t best = 0;
    double bestDistance = std::abs(target);
    std::int32_t n = 0;
    for (qsizetype i = 0; i < text.size();) {
      i += (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
      ++n;
      const double d = std::abs(metrics.horizontalAdvance(text, int(i)) - target);
      if (d < bestDistance) {
        bestDistance = d;
        best = n;
      }
    }
    return best;
  }

  // The style's line edit (frame, palette, focus and disabled look) over the surface's colour,
  // which shows in the corners a rounded frame leaves. Drawing it through the style costs more
  // than the rest of the box together, so each look is drawn once into a pixmap that every box
  // of that size and state shares.
  QPixmap panel(bool editable) const {
    const PanelKey key{
        size(),   devicePixelRatioF(), palette().cacheKey(), style(),
        editable, hasFocus(),          isActiveWindow(),     box_.get_BorderStyle() != 0};
    static std::vector<std::pair<PanelKey, QPixmap>> drawn;
    static std::size_t next = 0;
    for (const auto& [k, pixmap] : drawn)
      if (k == key) return pixmap;
    QPixmap pixmap(size() * key.ratio);
    pixmap.setDevicePixelRatio(key.ratio);
    QPainter painter(&pixmap);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    QStyleOptionFrame frame;
    frame.initFrom(this);
    frame.lineWidth =
        key.border ? style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, this) : 0;
    frame.midLineWidth = 0;
    frame.state |= QStyle::State_Sunken;
    if (!editable) {
      frame.state &= ~QStyle::State_Enabled;
      frame.palette.setCurrentColorGroup(QPalette::Disabled);
    }
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &frame, &painter, this);
    painter.end();
    constexpr std::size_t kLooks = 16;
    if (drawn.size() < kLooks)
      drawn.emplace_back(key, pixmap);
    else
      drawn[next++ % kLooks] = {key, pixmap};
    return pixmap;
  }

  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const bool editable = static_cast<bool>(box_.get_EditEnabled());
    const QRect all = rect();
    painter.drawPixmap(0, 0, panel(editable));
    const QFont& font = box_.shownFont();
    painter.setFont(font);
    const QFontMetricsF metrics(font, this);
    const QString text = shownText();
    std::int32_t start = 0, length = 0;
    guarded("paint", [&] {
      start = box_.get_SelStart();
      length = box_.get_SelLength();
    });
    const double caretX = xOf(metrics, text, start + length);
    const double inner = width() - 2 * kMargin;
    if (caretX - offset_ > inner) offset_ = caretX - inner;
    if (caretX < offset_) offset_ = caretX;
    const double baseline = (height() - metrics.height()) / 2 + metrics.ascent();
    painter.setClipRect(all.adjusted(1, 1, -1, -1));
    painter.translate(kMargin - offset_, 0);
    const QColor textColor = editable ? toQColor(box_.get_ForeColor(), palette())
                                      : palette().color(QPalette::Disabled, QPalette::Text);
    painter.setPen(textColor);
    painter.drawText(QPointF(0, baseline), text);
    if (hasFocus() && length != 0) {
      const std::int32_t from = std::min(start, start + length);
      const std::int32_t to = std::max(start, start + length);
      const double left = xOf(metrics, text, from);
      const QRectF band(left, baseline - metrics.ascent(), xOf(metrics, text, to) - left,
                        metrics.height());
      painter.fillRect(band, palette().color(QPalette::Highlight));
      painter.setPen(palette().color(QPalette::HighlightedText));
      const qsizetype a = units(text, from);
      painter.drawText(QPointF(band.left(), baseline), text.mid(a, units(text, to) - a));
    }
    if (hasFocus()) {
      painter.setPen(textColor);
      painter.drawLine(QPointF(caretX, baseline - metrics.ascent()),
                       QPointF(caretX, baseline + metrics.descent()));
    }
  }

  bool focusNextPrevChild(bool next) override { return QWidget::focusNextPrevChild(next); }

  // The control character of a line edit's editing shortcut typed as Ctrl and a letter, or 0.
  static std::int16_t commandOf(const QKeyEvent& e) {
    if (e.key() < Qt::Key_A || e.key() > Qt::Key_Z) return 0;
    for (auto [key, character] : {std::pair{QKeySequence::SelectAll, 1},
                                  {QKeySequence::Copy, 3},
                                  {QKeySequence::Paste, 22},
                                  {QKeySequence::Cut, 24},
                                  {QKeySequence::Undo, 26}})
      if (e.matches(key)) return std::int16_t(character);
    return 0;
  }

  void contextMenuEvent(QContextMenuEvent* e) override {
    const bool editable = static_cast<bool>(box_.get_EditEnabled());
    const bool selection = box_.get_SelLength() != 0;
    QMenu menu(this);
    const auto add = [&](const QString& name, QKeySequence::StandardKey key, std::uint32_t command,
                         bool enabled) {
      QAction* action = menu.addAction(
          name, [this, command] { guarded("menu", [&] { box_.editCommand(command); }); });
      action->setShortcut(key);
      action->setEnabled(enabled);
    };
    add(tr("&Undo"), QKeySequence::Undo, 26, editable && box_.canUndo());
    menu.addSeparator();
    add(tr("Cu&t"), QKeySequence::Cut, 24, editable && selection);
    add(tr("&Copy"), QKeySequence::Copy, 3, selection);
    add(tr("&Paste"), QKeySequence::Paste, 22,
        editable && !QApplication::clipboard()->text().isEmpty());
    menu.addSeparator();
    add(tr("Select &All"), QKeySequence::SelectAll, 1, !box_.get_Text().empty());
    menu.exec(e->globalPos());
  }

  void keyPressEvent(QKeyEvent* e) override {
    if (e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab) return QWidget::keyPressEvent(e);
    const std::int16_t shift = shiftOf(e->modifiers());
    guarded("key", [&] {
      if (const std::int16_t code = keyCodeOf(*e)) box_.keyDown(code, shift);
      // Ctrl+A, C, V, X, Z: the host sees them as KeyDown and KeyPress (their control
      // character) and may cancel either; the box acts on what is left.
      if (const std::int16_t command = commandOf(*e)) return box_.keyPress(command);
      for (QChar c : e->text()) {
        const char16_t u = c.unicode();
        if (u == 0x7F || u == '\t') continue;  // Delete and Tab act through their key codes
        if (u < 0x20 && u != kKeyBack && u != kKeyReturn && u != kKeyEscape) continue;
        box_.keyPress(static_cast<std::int16_t>(u));
      }
    });
    e->accept();
  }
  void keyReleaseEvent(QKeyEvent* e) override {
    if (e->isAutoRepeat()) return;
    if (const std::int16_t code = keyCodeOf(*e))
      guarded("key", [&] { box_.keyUp(code, shiftOf(e->modifiers())); });
  }
  void wheelEvent(QWheelEvent* e) override {
    // Only a focused box steps with the wheel; otherwise the wheel scrolls what holds it.
    if (!hasFocus() || e->angleDelta().y() == 0) return e->ignore();
    const std::int16_t code = e->angleDelta().y() > 0 ? kKeyPageUp : kKeyPageDown;
    const std::int16_t shift = shiftOf(e->modifiers());
    guarded("wheel", [&] {
      box_.keyDown(code, shift);
      box_.keyUp(code, shift);
    });
    e->accept();
  }
  void focusInEvent(QFocusEvent* e) override {
    guarded("focus", [&] { box_.focusIn(); });
    QWidget::focusInEvent(e);
  }
  void focusOutEvent(QFocusEvent* e) override {
    guarded("focus", [&] { box_.focusOut(); });
    QWidget::focusOutEvent(e);
  }

  enum class Mouse { Down, Move, Up };
  void mouse(QMouseEvent* e, Mouse what, Qt::MouseButtons buttons) {
    const std::int16_t button = buttonOf(buttons), shift = shiftOf(e->modifiers());
    const float x = toTwips(qRound(e->position().x()), box_.pixelsPerTwip());
    const float y = toTwips(qRound(e->position().y()), box_.pixelsPerTwip());
    guarded("mouse", [&] {
      switch (what) {
        case Mouse::Down:
          box_.mouseDown(button, shift, x, y);
          break;
        case Mouse::Move:
          box_.mouseMove(button, shift, x, y);
          break;
        case Mouse::Up:
          box_.mouseUp(button, shift, x, y);
          break;
      }
    });
  }
  void mousePressEvent(QMouseEvent* e) override {
    if (!hasFocus()) setFocus(Qt::MouseFocusReason);
    mouse(e, Mouse::Down, e->button());
    if (e->button() == Qt::LeftButton) {
      anchor_ = indexAt(e->position().x());
      guarded("mouse", [&] {
        box_.put_SelStart(anchor_);
        box_.put_SelLength(0);
      });
    }
  }
  void mouseMoveEvent(QMouseEvent* e) override {
    mouse(e, Mouse::Move, e->buttons());
    if (e->buttons() & Qt::LeftButton) {
      const std::int32_t at = indexAt(e->position().x());
      guarded("mouse", [&] {
        box_.put_SelStart(anchor_);
        box_.put_SelLength(at - anchor_);
      });
    }
  }
  void mouseReleaseEvent(QMouseEvent* e) override {
    mouse(e, Mouse::Up, e->button());
    if (rect().contains(e->position().toPoint())) guarded("click", [&] { box_.click(); });
  }
  void mouseDoubleClickEvent(QMouseEvent* e) override {
    mouse(e, Mouse::Down, e->button());
    guarded("click", [&] { box_.dblClick(); });
  }

 private:
  QtEditBox& box_;
  double offset_ = 0;
  std::int32_t anchor_ = 0;
};

QString captionName(const QtSurface* surface) {
  if (!surface || !surface->caption()) return {};
  return QString::fromStdString(surface->caption()->get_Text())
      .replace(QLatin1String("\r\n"), QLatin1String(" "));
}

// The edit box to assistive technology: named by the caption, its value the box's text.
class EditAccessible : public QAccessibleWidget {
 public:
  explicit EditAccessible(EditWidget* widget)
      : QAccessibleWidget(widget, QAccessible::EditableText) {}
  QString text(QAccessible::Text t) const override {
    auto& box = static_cast<EditWidget*>(widget())->box();
    if (t == QAccessible::Name) return captionName(box.surface());
    if (t == QAccessible::Value) return QString::fromStdString(box.get_Text());
    return QAccessibleWidget::text(t);
  }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    auto& box = static_cast<EditWidget*>(widget())->box();
    s.readOnly = !static_cast<bool>(box.get_EditEnabled());
    return s;
  }
};

QAccessibleInterface* accessibleFactory(const QString&, QObject* object) {
  if (auto* edit = dynamic_cast<EditWidget*>(object)) return new EditAccessible(edit);
  return nullptr;
}

}  // namespace

QtEditBox::QtEditBox(QtSurface* parent)
    : parent_(parent), widget_(new EditWidget(*this, parent ? parent->widget() : nullptr)) {
  connection_ = DisplayChanged.connect([this] { sync(); });
  sync();
}

QtEditBox::~QtEditBox() {
  delete widget_.data();
}

void QtEditBox::Refresh() {
  OmbrelEditBox::Refresh();  // a new text raises DisplayChanged, which repaints
  sync(false);               // the lock state may have changed the tool tip
}

double QtEditBox::pixelsPerTwip() const {
  return parent_ ? parent_->pixelsPerTwip() : qt::pixelsPerTwip(nullptr);
}

const QFont& QtEditBox::shownFont() {
  const StdFont& f = *get_Font();
  FontKey key{f.get_Name(),   f.get_Size(),      f.get_Weight(),
              f.get_Italic(), f.get_Underline(), f.get_Strikethrough()};
  if (!fontMade_ || !(key == fontKey_)) {
    font_ = toQFont(f);
    fontKey_ = std::move(key);
    fontMade_ = true;
  }
  return font_;
}

void QtEditBox::editCommand(std::uint32_t controlCharacter) {
  const bool cut = controlCharacter == 24;
  if (controlCharacter == 3 || cut) {  // without a selection the clipboard keeps its text
    const QString text = QString::fromStdString(get_Text());
    const std::int32_t start = get_SelStart(), length = get_SelLength();
    if (length == 0) return;
    const auto units = [&](std::int32_t n) {
      qsizetype i = 0;
      for (std::int32_t k = 0; k < n && i < text.size(); ++k)
        i += (text.at(i).isHighSurrogate() && i + 1 < text.size()) ? 2 : 1;
      return i;
    };
    const std::int32_t from = std::min(start, start + length);
    QApplication::clipboard()->setText(
        text.mid(units(from), units(from + std::abs(length)) - units(from)));
    if (cut) deleteSelection();
  } else if (controlCharacter == 22) {
    if (get_EditEnabled()) typeText(QApplication::clipboard()->text().toStdString());
  } else {
    OmbrelEditBox::editCommand(controlCharacter);
  }
}

void QtEditBox::sync(bool repaint) {
  QWidget* w = widget_;
  if (!w) return;
  const QRect at = toPixels(get_Left(), get_Top(), get_Width(), get_Height(), pixelsPerTwip());
  if (at != w->geometry()) w->setGeometry(at);
  const bool visible = static_cast<bool>(get_Visible());
  if (w->isHidden() == visible) w->setVisible(visible);
  std::string tip = get_ToolTipText();
  if (!get_EditEnabled() && lockReason_) {
    const std::string reason = lockReason_();
    if (!reason.empty()) tip += (tip.empty() ? "" : "\n") + reason;
  }
  if (tip != toolTip_) {
    w->setToolTip(QString::fromStdString(tip));
    toolTip_ = std::move(tip);
  }
  if (repaint) w->update();
}

std::unique_ptr<EditBox> QtEditBoxFactory::createEditBox(ControlSurface& parent) {
  return std::make_unique<QtEditBox>(dynamic_cast<QtSurface*>(&parent));
}

// ---- toolkit ---------------------------------------------------------------------------------

QtToolkit::QtToolkit() {
  static const bool installed = [] {
    QAccessible::installFactory(accessibleFactory);
    return true;
  }();
  (void)installed;
}

std::unique_ptr<ControlSurface> QtToolkit::createSurface() {
  return std::make_unique<QtSurface>();
}

namespace {
QtSurface& qtSurface(ControlSurface& surface) {
  auto* s = dynamic_cast<QtSurface*>(&surface);
  if (!s) throw Error(Error::kInvalidCall, "The surface was not made by the Qt toolkit");
  return *s;
}
}  // namespace

std::unique_ptr<Label> QtToolkit::createLabel(ControlSurface& parent) {
  return std::make_unique<QtLabel>(qtSurface(parent));
}

std::unique_ptr<PictureBox> QtToolkit::createPictureBox(ControlSurface& parent) {
  return std::make_unique<QtPictureBox>(qtSurface(parent));
}

std::unique_ptr<RichTextBox> QtToolkit::createRichTextBox(PictureBox& parent) {
  auto* box = dynamic_cast<QtPictureBox*>(&parent);
  if (!box) throw Error(Error::kInvalidCall, "The picture box was not made by the Qt toolkit");
  return std::make_unique<QtRichTextBox>(*box);
}

QWidget* QtToolkit::widgetOf(const ControlSurface& surface) {
  auto* s = dynamic_cast<const QtSurface*>(&surface);
  return s ? s->widget() : nullptr;
}

QWidget* QtToolkit::widgetOf(const ChildControl& child) {
  if (auto* c = dynamic_cast<const QtEditBox*>(&child)) return c->widget();
  if (auto* c = dynamic_cast<const QtLabel*>(&child)) return c->widget();
  if (auto* c = dynamic_cast<const QtPictureBox*>(&child)) return c->widget();
  if (auto* c = dynamic_cast<const QtRichTextBox*>(&child)) return c->widget();
  return nullptr;
}

}  // namespace kadrelle::qt
