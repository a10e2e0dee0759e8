#pragma once

#include <QFont>
#include <QPalette>
#include <QPointer>
#include <QTextDocument>
#include <QWidget>
#include <cmath>
#include <functional>
#include <memory>

#include "editing/EditBox.h"
#include "ombrel/OmbrelEditBox.h"
#include "platform/ChildControlBase.h"
#include "platform/Toolkit.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle::qt {

// Twips and pixels: 1440 twips to the inch, at the screen's logical DPI, so a control keeps its
// size in inches on a high-DPI screen. The widget forms ask Qt for the widget's screen; a surface
// knows its scale (QtSurface::pixelsPerTwip) and its children convert with that.
double pixelsPerTwip(const QWidget* widget);
int toPixels(float twips, const QWidget* widget);
float toTwips(int pixels, const QWidget* widget);
inline int toPixels(float twips, double perTwip) {
  return static_cast<int>(std::lround(double(twips) * perTwip));
}
inline float toTwips(int pixels, double perTwip) {
  return static_cast<float>(pixels / perTwip);
}
// The pixels a child placed in twips covers.
QRect toPixels(float left, float top, float width, float height, double perTwip);

// An OLE colour as a Qt colour: system colours (high byte 0x80) are the palette's colours, so the
// button face 0x8000000F is the palette's button colour and a dark theme shows dark controls.
QColor toQColor(OleColor color, const QPalette& palette);
QFont toQFont(const StdFont& font);
// Writes a Qt font's attributes into a font object (size to the nearest 1/10000 point).
void copyFont(const QFont& from, StdFont& to);

// Reports an exception that reached a Qt event handler (where it must not go on). The default
// writes a warning; a host may set its own.
void reportFailure(const char* where);
extern std::function<void(const std::string& message)> failureHandler;

class QtRichTextBox;

// The control's surface: a QWidget whose size is kept in twips. The control's own height change
// (put_Height) raises Resize synchronously, as in the headless toolkit; a size the host gives the
// widget (a layout, a window resize) reaches the control as a resize too.
class QtSurface : public ControlSurface {
 public:
  QtSurface();
  ~QtSurface() override;

  float get_Width() const override { return width_; }
  float get_Height() const override { return height_; }
  void put_Height(float height) override { resize(width_, height); }
  void resize(float width, float height) override;
  float get_ScaleWidth() const override { return width_; }
  float get_ScaleHeight() const override { return height_; }
  OleColor get_BackColor() const override { return backColor_; }
  void put_BackColor(OleColor color) override;
  std::int16_t get_BackStyle() const override { return backStyle_; }
  void put_BackStyle(std::int16_t style) override;
  float TextHeight(const std::string& text) const override;

  // The widget; a host parents and places it. Null once Qt has destroyed it.
  QWidget* widget() const { return widget_; }
  // The font the surface measures in: the application's font when the surface is made, so the
  // edit box is one line of the text it shows.
  const QFont& font() const { return font_; }
  // The caption shown on this surface, for the accessible name.
  QtRichTextBox* caption() const { return caption_; }
  void setCaption(QtRichTextBox* caption) { caption_ = caption; }
  // The host gave the widget this size.
  void widgetResized();
  // Pixels per twip on the widget's screen, asked of Qt when the surface is made and when its
  // screen changes, not for each coordinate.
  double pixelsPerTwip() const { return perTwip_; }
  void screenChanged();

 private:
  QPointer<QWidget> widget_;
  QFont font_;
  double perTwip_;
  mutable double lineSpacing_ = -1;  // pixels; -1 until asked
  float width_ = 3195;
  float height_ = 825;
  OleColor backColor_ = kSystemButtonFace;
  std::int16_t backStyle_ = 1;
  bool sizing_ = false;
  QtRichTextBox* caption_ = nullptr;
};

// A look at what a child draws once the call that changed it has returned to the event loop,
// so a setting changed and changed back within one call (a refresh that disables the caption and
// enables it again) repaints nothing. Every change asks for the look; the first one posts it.
class RepaintCheck {
 public:
  RepaintCheck() = default;
  RepaintCheck(const RepaintCheck&) = delete;
  RepaintCheck& operator=(const RepaintCheck&) = delete;
  virtual ~RepaintCheck();

  // Looks at every child that asked, now.
  static void checkAll();

 protected:
  void checkRepaint();
  // Repaints when what is drawn differs from what was drawn at the last look.
  virtual void repaintIfChanged() = 0;

 private:
  bool pending_ = false;
};

// A child of a surface or picture box shown by a QWidget; geometry, visibility and tool tip follow
// the child's settings on each DisplayChanged, converted at the surface's scale. Only what
// differs from what the widget has is handed to Qt.
template <class Interface>
class QtChild : public ChildControlBase<Interface>, protected RepaintCheck {
 public:
  ~QtChild() override { delete widget_.data(); }
  QWidget* widget() const { return widget_; }

 protected:
  explicit QtChild(const QtSurface& surface) : surface_(surface) {
    connection_ = this->DisplayChanged.connect([this] { sync(); });
  }
  void attach(QWidget* widget) {
    widget_ = widget;
    place();
  }
  virtual void sync() {
    place();
    checkRepaint();
  }
  void repaintIfChanged() override {}
  void place() {
    QWidget* w = widget_;
    if (!w) return;
    const QRect at = toPixels(this->get_Left(), this->get_Top(), this->get_Width(),
                              this->get_Height(), surface_.pixelsPerTwip());
    if (at != w->geometry()) w->setGeometry(at);
    const bool visible = static_cast<bool>(this->get_Visible());
    if (w->isHidden() == visible) w->setVisible(visible);
    std::string tip = this->get_ToolTipText();
    if (tip != toolTip_) {
      w->setToolTip(QString::fromStdString(tip));
      toolTip_ = std::move(tip);
    }
  }
  const QtSurface& surface_;

 private:
  QPointer<QWidget> widget_;
  std::string toolTip_;
  Connection connection_;
};

// The measuring label: sized from the surface font's real metrics, one line per line break. It
// is hidden, so its QLabel is made only once it is shown.
class QtLabel : public QtChild<Label> {
 public:
  explicit QtLabel(QtSurface& parent);
  std::string get_Caption() const override { return caption_; }
  void put_Caption(const std::string& caption) override;

 private:
  void sync() override;
  QtSurface& parent_;
  std::string caption_;
};

// The caption's container.
class QtPictureBox : public QtChild<PictureBox> {
 public:
  explicit QtPictureBox(QtSurface& parent);
  OleColor get_BackColor() const override { return backColor_; }
  void put_BackColor(OleColor color) override { update(backColor_, color); }
  QtSurface& surface() const { return parent_; }

 private:
  void repaintIfChanged() override;
  QtSurface& parent_;
  OleColor backColor_ = kSystemButtonFace;
  OleColor drawnBackColor_ = kSystemButtonFace;
};

// The caption: the document's formatting runs (font, size, bold, italic, underline, strikeout,
// alignment, paragraphs and line breaks) laid out by a QTextDocument. The same RTF again is not
// read or laid out again; a new width lays the text out again, nothing else does.
class QtRichTextBox : public QtChild<RichTextBox> {
 public:
  explicit QtRichTextBox(QtPictureBox& parent);
  ~QtRichTextBox() override;
  const std::string& get_TextRTF() const override { return rtf_; }
  void put_TextRTF(const std::string& rtf) override;
  const std::string& get_Text() const override { return text_; }
  const RtfDocument& document() const override { return document_; }
  OleColor get_BackColor() const override { return backColor_; }
  void put_BackColor(OleColor color) override { update(backColor_, color); }
  Boolean get_Enabled() const override { return enabled_; }
  void put_Enabled(Boolean enabled) override { update(enabled_, enabled); }

  // What is drawn.
  const QTextDocument& textDocument() const { return text_document_; }

 private:
  void sync() override;
  void repaintIfChanged() override;
  // What the widget shows: the document's version, colour and enabled state.
  struct Drawn {
    unsigned version = 0;
    OleColor backColor = kSystemWindow;
    Boolean enabled = kTrue;
    friend bool operator==(const Drawn&, const Drawn&) = default;
  };
  Drawn shown() const { return {version_, backColor_, enabled_}; }

  QtPictureBox& parent_;
  std::string rtf_;
  RtfDocument document_;
  std::string text_;
  OleColor backColor_ = kSystemWindow;
  Boolean enabled_ = kTrue;
  QTextDocument text_document_;
  int laidOutWidth_ = -1;
  unsigned version_ = 0;
  Drawn drawn_;
};

// The edit box: the edit-box model of OmbrelEditBox shown and fed by a QWidget (text, selection,
// caret, border, colours, font; keys, mouse, focus and the wheel, which steps only with focus).
class QtEditBox : public OmbrelEditBox {
 public:
  explicit QtEditBox(QtSurface* parent);
  ~QtEditBox() override;
  QWidget* widget() const { return widget_; }
  QtSurface* surface() const { return parent_; }

  // Says why the box does not take input; shown in the tool tip while it is not editable.
  void setLockReason(std::function<std::string()> reason) { lockReason_ = std::move(reason); }
  void Refresh() override;
  // Places the widget and sets its tool tip; with `repaint`, also repaints it.
  void sync(bool repaint = true);
  double pixelsPerTwip() const;
  // The box's font as a QFont, made again only when one of its attributes changed.
  const QFont& shownFont();
  // An editing command as its control character (Ctrl+A 1, Ctrl+C 3, Ctrl+V 22, Ctrl+X 24,
  // Ctrl+Z 26), from the context menu or a key no handler cancelled; the clipboard is the
  // application's.
  void editCommand(std::uint32_t controlCharacter) override;

 private:
  struct FontKey {
    std::string name;
    Currency size;
    std::int16_t weight = 0;
    Boolean italic, underline, strikethrough;
    friend bool operator==(const FontKey&, const FontKey&) = default;
  };
  QtSurface* parent_;
  QPointer<QWidget> widget_;
  std::function<std::string()> lockReason_;
  std::string toolTip_;
  FontKey fontKey_;
  QFont font_;
  bool fontMade_ = false;
  Connection connection_;
};

class QtEditBoxFactory : public EditBoxFactory {
 public:
  std::unique_ptr<EditBox> createEditBox(ControlSurface& parent) override;
};

class QtToolkit : public Toolkit {
 public:
  QtToolkit();
  std::unique_ptr<ControlSurface> createSurface() override;
  std::unique_ptr<Label> createLabel(ControlSurface& parent) override;
  std::unique_ptr<PictureBox> createPictureBox(ControlSurface& parent) override;
  std::unique_ptr<RichTextBox> createRichTextBox(PictureBox& parent) override;

  // The widget that shows a surface or child made by this toolkit (or the Qt edit box factory).
  static QWidget* widgetOf(const ControlSurface& surface);
  static QWidget* widgetOf(const ChildControl& child);
};

}  // namespace kadrelle::qt
#pragma GCC visibility pop
