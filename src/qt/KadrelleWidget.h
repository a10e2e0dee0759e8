#pragma once

#include <QFont>
#include <QMargins>
#include <QTextDocument>
#include <QVariant>
#include <QWidget>
#include <functional>
#include <memory>

#include "control/Kadrelle.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle::qt {
class QtSurface;
// Why a control takes no input ("" when it does): unbound, disabled, read-only, or a lock level
// below the one the parameter requires. A program that words these refusals itself (as its other
// hosts do) sets `lockWording`; it is asked first for a bound, enabled control, and the wording
// here is used when it is not set or answers "".
std::string lockReason(Kadrelle& control);
extern std::function<std::string(Kadrelle& control)> lockWording;
}  // namespace kadrelle::qt

// The Kadrelle control as a Qt widget, for programs and forms made with Qt Designer.
//
// The design-time settings are properties (saved in a .ui file); Text and Value are run-time
// properties; ForeColor and VersionStr read-only ones. The control's events are signals whose
// reference arguments go back to the control (connect them directly): a KeyPress handler that
// sets KeyAscii to 0 cancels the character. The value object and the application lock level are
// set with ordinary setters. setEnabled and setFont set the control's Enabled and Font (as .ui
// files built by uic call them); the widget itself stays enabled, so a disabled control still
// shows its tool tip. A setter the control refuses leaves the setting as it was and
// raises failed() with the error's number and description.
//
// The value library, settings store and debug channel come from setDefaultServices, set before
// the first widget is made (by default the simulated drive, the user's settings and standard
// error), so widgets made by uic or QUiLoader use the program's own. A widget whose Parameter is
// set and that has no value object when it is shown binds itself to that parameter of its value
// library: a form from a .ui file works without code for each control. With no font set, the
// control's Font and CaptionFont are the widget's (the application's) font.
class KadrelleWidget : public QWidget, private kadrelle::Container {
  Q_OBJECT
  Q_PROPERTY(bool Enabled READ isControlEnabled WRITE setEnabled)
  Q_PROPERTY(QFont Font READ controlFont WRITE setFont)
  Q_PROPERTY(int BorderStyle READ borderStyle WRITE setBorderStyle)
  Q_PROPERTY(QVariant InitializeValue READ initializeValue WRITE setInitializeValue)
  Q_PROPERTY(bool UseLimits READ useLimits WRITE setUseLimits)
  Q_PROPERTY(QString ToolTipText READ toolTipText WRITE setToolTipText)
  Q_PROPERTY(QString ParamKey READ paramKey WRITE setParamKey)
  Q_PROPERTY(QFont CaptionFont READ captionFont WRITE setCaptionFont)
  Q_PROPERTY(double EditorWidth READ editorWidth WRITE setEditorWidth)
  Q_PROPERTY(int EditorPosition READ editorPosition WRITE setEditorPosition)
  Q_PROPERTY(DisplayModes DisplayMode READ displayMode WRITE setDisplayMode)
  Q_PROPERTY(bool SignLock READ signLock WRITE setSignLock)
  Q_PROPERTY(bool ZeroException READ zeroException WRITE setZeroException)
  Q_PROPERTY(bool CausesValidation READ causesValidation WRITE setCausesValidation)
  Q_PROPERTY(int Parameter READ parameter WRITE setParameter)
  Q_PROPERTY(bool TransparentBack READ transparentBack WRITE setTransparentBack)
  Q_PROPERTY(uint BackColor READ backColor WRITE setBackColor)
  Q_PROPERTY(int UnitsFontScale READ unitsFontScale WRITE setUnitsFontScale)
  Q_PROPERTY(PresetStyle PresetStyle READ presetStyle WRITE setPresetStyle)
  Q_PROPERTY(CaptionPositions CaptionPosition READ captionPosition WRITE setCaptionPosition)
  Q_PROPERTY(QString UserDescription READ userDescription WRITE setUserDescription)
  Q_PROPERTY(QString UserUnit READ userUnit WRITE setUserUnit)
  Q_PROPERTY(QString Text READ text WRITE setText DESIGNABLE false STORED false)
  Q_PROPERTY(QVariant Value READ value WRITE setValue DESIGNABLE false STORED false)
  Q_PROPERTY(uint ForeColor READ foreColor DESIGNABLE false STORED false)
  Q_PROPERTY(QString VersionStr READ versionStr DESIGNABLE false STORED false)

 public:
  enum DisplayModes { APP_VIEW = 0, CONFIG_VIEW = 1, DRIVE_VIEW = 2 };
  Q_ENUM(DisplayModes)
  enum PresetStyle { ClassicStyle = 0, CorvoStyle = 1, Custom = 2 };
  Q_ENUM(PresetStyle)
  enum CaptionPositions { AlignedLeft = 0, AlignedRight = 1, Centered = 2 };
  Q_ENUM(CaptionPositions)

  struct Services {
    kadrelle::ValueLibrary& values;
    kadrelle::SettingsStore& settings;
    kadrelle::DebugChannel& debug;
  };
  // The services later widgets use; they must outlive those widgets.
  static void setDefaultServices(const Services& services);

  explicit KadrelleWidget(QWidget* parent = nullptr);
  KadrelleWidget(const Services& services, QWidget* parent);
  ~KadrelleWidget() override;

  // The control itself, for everything the properties do not cover.
  kadrelle::Kadrelle& control() const { return *control_; }

  void setValueObjRef(kadrelle::ValueObjectRef valueObject);
  kadrelle::ValueObjectRef valueObjRef() const;
  void setAppLockLevel(const kadrelle::LockLevelRef& lock);
  kadrelle::LockLevelRef appLockLevel() const;

  bool isControlEnabled() const;
  void setEnabled(bool enabled);
  QFont controlFont() const;
  void setFont(const QFont& font);
  int borderStyle() const;
  void setBorderStyle(int style);
  QVariant initializeValue() const;
  void setInitializeValue(const QVariant& value);
  bool useLimits() const;
  void setUseLimits(bool on);
  QString toolTipText() const;
  void setToolTipText(const QString& text);
  QString paramKey() const;
  void setParamKey(const QString& key);
  QFont captionFont() const;
  void setCaptionFont(const QFont& font);
  double editorWidth() const;
  void setEditorWidth(double twips);
  int editorPosition() const;
  void setEditorPosition(int position);
  DisplayModes displayMode() const;
  void setDisplayMode(DisplayModes mode);
  bool signLock() const;
  void setSignLock(bool on);
  bool zeroException() const;
  void setZeroException(bool on);
  bool causesValidation() const;
  void setCausesValidation(bool on);
  int parameter() const;
  void setParameter(int number);
  bool transparentBack() const;
  void setTransparentBack(bool on);
  uint backColor() const;
  void setBackColor(uint oleColor);
  int unitsFontScale() const;
  void setUnitsFontScale(int percent);
  PresetStyle presetStyle() const;
  void setPresetStyle(PresetStyle style);
  CaptionPositions captionPosition() const;
  void setCaptionPosition(CaptionPositions position);
  QString userDescription() const;
  void setUserDescription(const QString& text);
  QString userUnit() const;
  void setUserUnit(const QString& text);
  QString text() const;
  void setText(const QString& text);
  QVariant value() const;
  void setValue(const QVariant& value);
  uint foreColor() const;
  QString versionStr() const;

  // The control's size (wide enough for the caption's widest word beside the edit box), and at
  // least the height its caption needs at that width (laid out again at another width for
  // heightForWidth); the minimum width fits the caption's widest word.
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;
  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;

  static QVariant toQVariant(const kadrelle::Variant& value);
  static kadrelle::Variant fromQVariant(const QVariant& value);

 public Q_SLOTS:
  void Refresh();

 Q_SIGNALS:
  void Change();
  void Click();
  void DblClick();
  void KeyDown(qint16& KeyCode, qint16& Shift);
  void KeyPress(qint16& KeyAscii);
  void KeyUp(qint16& KeyCode, qint16& Shift);
  void MouseDown(qint16& Button, qint16& Shift, float& X, float& Y);
  void MouseMove(qint16& Button, qint16& Shift, float& X, float& Y);
  void MouseUp(qint16& Button, qint16& Shift, float& X, float& Y);
  void UpdateError(qint32& Number, QString& Description);
  // A design-time setting changed (its name); a setter was refused.
  void propertyChanged(const QString& name);
  void failed(int number, const QString& description);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void PropertyChanged(const std::string& name) override;
  kadrelle::FontRef AmbientFont() override;
  std::string AmbientDisplayName() override;

  template <class F>
  void apply(F&& f);
  template <class T, class F>
  T read(F&& f, T otherwise) const;
  void followSurface();
  void fitCaption();
  void giveSize(const QSize& size);
  int narrowestWidth() const;  // the edit box and the caption's widest word beside it; 0: none
  // The caption's text laid out at `width` pixels (0: its widest word), or null when no caption
  // is shown; the caption box's margins in the surface in `left`, `right`, `top`, `bottom`.
  std::unique_ptr<QTextDocument> captionAt(int width, QMargins& margins) const;

  kadrelle::ValueLibrary* values_ = nullptr;
  std::unique_ptr<kadrelle::Kadrelle> control_;
  QWidget* surface_ = nullptr;
  kadrelle::qt::QtSurface* qtSurface_ = nullptr;
  bool sizing_ = false;
  std::vector<kadrelle::Connection> connections_;
};
#pragma GCC visibility pop
