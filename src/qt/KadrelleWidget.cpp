#include "qt/KadrelleWidget.h"

#include <QLayout>
#include <QResizeEvent>
#include <QShowEvent>
#include <cmath>
#include <optional>

#include "brommet/BrommetLibrary.h"
#include "component/ModuleInfo.h"
#include "platform/DebugChannel.h"
#include "platform/Error.h"
#include "platform/IniSettingsStore.h"
#include "qt/QtToolkit.h"

using kadrelle::Boolean;
using kadrelle::Kadrelle;
using kadrelle::qt::QtEditBox;
using kadrelle::qt::QtToolkit;

namespace kadrelle::qt {

std::function<std::string(Kadrelle& control)> lockWording;

std::string lockReason(Kadrelle& control) {
  ValueObjectRef value = control.get_ValueObjRef();
  if (!value) return "Not bound to a drive parameter";
  if (!control.get_Enabled()) return "Disabled by the program";
  if (lockWording) {
    try {
      if (std::string why = lockWording(control); !why.empty()) return why;
    } catch (const std::exception&) {  // the wording below says it as well
    }
  }
  if (value->get_ReadOnly()) return "Read-only parameter";
  const LockLevelRef held = value->get_AppLock(), required = value->get_RequiredLock();
  if (held && required && held->get_Level() < required->get_Level()) {
    return "Locked: needs lock level " + std::to_string(required->get_Level()) +
           ", this program holds " + std::to_string(held->get_Level());
  }
  return "";
}

}  // namespace kadrelle::qt

namespace {

constexpr float kEditorWidth = 1440;  // twips: a new control's edit box, an inch wide

struct DefaultServices {
  kadrelle::ValueLibrary* values = nullptr;
  kadrelle::SettingsStore* settings = nullptr;
  kadrelle::DebugChannel* debug = nullptr;
};
DefaultServices& defaults() {
  static DefaultServices services;
  return services;
}

KadrelleWidget::Services defaultServices() {
  DefaultServices& d = defaults();
  if (!d.values) {
    static kadrelle::BrommetLibrary library;
    d.values = &library;
  }
  if (!d.settings) {
    static kadrelle::IniSettingsStore settings;
    d.settings = &settings;
  }
  if (!d.debug) {
    static kadrelle::StderrDebugChannel debug;
    d.debug = &debug;
  }
  return {*d.values, *d.settings, *d.debug};
}

QtToolkit& toolkit() {
  static QtToolkit toolkit;
  return toolkit;
}
kadrelle::qt::QtEditBoxFactory& editBoxes() {
  static kadrelle::qt::QtEditBoxFactory factory;
  return factory;
}

}  // namespace

void KadrelleWidget::setDefaultServices(const Services& services) {
  defaults() = {&services.values, &services.settings, &services.debug};
}

KadrelleWidget::KadrelleWidget(QWidget* parent) : KadrelleWidget(defaultServices(), parent) {}

KadrelleWidget::KadrelleWidget(const Services& services, QWidget* parent)
    : QWidget(parent), values_(&services.values) {
  control_ = std::make_unique<Kadrelle>(kadrelle::ControlSite{
      *this, toolkit(), editBoxes(), services.values, services.settings, services.debug});
  auto children = control_->children();
  qtSurface_ = dynamic_cast<kadrelle::qt::QtSurface*>(&children.surface);
  surface_ = QtToolkit::widgetOf(children.surface);
  surface_->setParent(this);
  surface_->show();
  setFocusProxy(QtToolkit::widgetOf(children.editBox));
  setFocusPolicy(Qt::StrongFocus);
  // A layout gives the control the height it takes, not a taller band with the content at its top.
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  if (auto* box = dynamic_cast<QtEditBox*>(&children.editBox)) {
    box->setLockReason([this] { return kadrelle::qt::lockReason(*control_); });
  }

  Kadrelle& c = *control_;
  connections_.push_back(c.Change.connect([this] { Q_EMIT Change(); }));
  connections_.push_back(c.Click.connect([this] { Q_EMIT Click(); }));
  connections_.push_back(c.DblClick.connect([this] { Q_EMIT DblClick(); }));
  connections_.push_back(c.KeyDown.connect([this](auto& k, auto& s) { Q_EMIT KeyDown(k, s); }));
  connections_.push_back(c.KeyPress.connect([this](auto& k) { Q_EMIT KeyPress(k); }));
  connections_.push_back(c.KeyUp.connect([this](auto& k, auto& s) { Q_EMIT KeyUp(k, s); }));
  connections_.push_back(c.MouseDown.connect(
      [this](auto& b, auto& s, auto& x, auto& y) { Q_EMIT MouseDown(b, s, x, y); }));
  connections_.push_back(c.MouseMove.connect(
      [this](auto& b, auto& s, auto& x, auto& y) { Q_EMIT MouseMove(b, s, x, y); }));
  connections_.push_back(c.MouseUp.connect(
      [this](auto& b, auto& s, auto& x, auto& y) { Q_EMIT MouseUp(b, s, x, y); }));
  connections_.push_back(c.UpdateError.connect([this](std::int32_t& number, std::string& text) {
    QString description = QString::fromStdString(text);
    Q_EMIT UpdateError(number, description);
    text = description.toStdString();
  }));
  connections_.push_back(children.surface.DisplayChanged.connect([this] { followSurface(); }));

  c.UserControl_InitProperties();
  c.putref_Font(c.get_Font());  // the edit box draws in the ambient font too, not its own default
  // The first layout pass a container gives a control it has sited places the edit box before
  // anything lays out the caption around it. Left at 0, EditorWidth would become the whole width
  // there and leave the caption none: like a form designer siting a control, the widget chooses
  // a width that leaves the caption room.
  c.put_EditorWidth(std::min(kEditorWidth, c.children().surface.get_Width() / 2));
  followSurface();
}

KadrelleWidget::~KadrelleWidget() {
  connections_.clear();
  control_.reset();  // its widgets go before this one's children are deleted
}

// The control changes its own height (one line at least); the widget follows. That is not a
// size the host gave: Qt still gives a widget no one has sized its size hint when it is shown.
void KadrelleWidget::followSurface() {
  if (!surface_ || sizing_) return;
  const QSize size = surface_->size();
  if (size != this->size()) {
    const bool hostSized = testAttribute(Qt::WA_Resized);
    sizing_ = true;
    resize(size);
    sizing_ = false;
    setAttribute(Qt::WA_Resized, hostSized);
  }
  updateGeometry();
}

// A widget the host has not sized and no layout manages takes its size hint, so a caption built
// or changed after it was shown is not cut; a layout is told the hint changed.
void KadrelleWidget::fitCaption() {
  const QWidget* parent = parentWidget();
  if (testAttribute(Qt::WA_Resized) ||
      (parent && parent->layout() && parent->layout()->indexOf(this) >= 0)) {
    updateGeometry();
    return;
  }
  for (int pass = 0; pass < 2; ++pass) {  // at a new width the caption is laid out again
    const QSize hint = sizeHint();
    if (hint == size()) return;
    resize(hint);
    setAttribute(Qt::WA_Resized, false);
    giveSize(hint);
  }
}

void KadrelleWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (!sizing_ && surface_) giveSize(event->size());
}

// The control takes the widget's size at once. Qt delivers a size given to a hidden widget (as
// uic and QUiLoader give it) only when the widget is shown, so each setter first gives the
// control that size: EditorWidth, say, is bounded by the width the host chose.
void KadrelleWidget::giveSize(const QSize& size) {
  const bool newSize = surface_->size() != size;
  sizing_ = true;
  surface_->resize(size);
  if (qtSurface_) qtSurface_->widgetResized();  // the surface's own event waits while hidden
  sizing_ = false;
  followSurface();
  // The control lays its caption out when it builds it (binding, a refresh, a caption setting),
  // at the size it has then; a resize only places the edit box. A layout sizes a widget after
  // it was bound, so the caption would stay wrapped at the old width and cut at the old height:
  // a new size builds it again, through SetCaptionPosition, which applies the alignment it has
  // and tells the host nothing.
  if (newSize) {
    try {
      control_->put_SetCaptionPosition(control_->get_CaptionPosition());
    } catch (const std::exception&) {  // the caption stays as it was, as after any failed build
    }
  }
}

void KadrelleWidget::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (control_->get_ValueObjRef() || parameter() == 0) return;
  apply([&](Kadrelle& c) {
    kadrelle::ValueObjectRef value = values_->createValueObject();
    if (!value) throw kadrelle::Error(kadrelle::Error::kInvalidCall, "No value object to bind");
    value->put_ParameterNumber(c.get_Parameter());
    c.putref_ValueObjRef(std::move(value));
  });
}

std::unique_ptr<QTextDocument> KadrelleWidget::captionAt(int width, QMargins& margins) const {
  if (!surface_) return nullptr;
  auto children = control_->children();
  const QWidget* box = QtToolkit::widgetOf(children.captionBox);
  const auto* caption = dynamic_cast<const kadrelle::qt::QtRichTextBox*>(&children.caption);
  if (!box || !caption || box->isHidden() || caption->textDocument().isEmpty()) return nullptr;
  const QRect at = box->geometry();
  margins = {at.left(), at.top(), surface_->width() - at.right() - 1,
             surface_->height() - at.bottom() - 1};
  std::unique_ptr<QTextDocument> document(caption->textDocument().clone());
  document->setTextWidth(width > 0 ? std::max(1, width - margins.left() - margins.right()) : 0);
  return document;
}

int KadrelleWidget::heightForWidth(int width) const {
  const int own = surface_ ? surface_->height() : QWidget::sizeHint().height();
  QMargins margins;
  const auto caption = captionAt(width, margins);
  if (!caption) return own;
  const int needed = int(std::ceil(caption->size().height())) + margins.top() + margins.bottom();
  return std::max(own, needed);
}

int KadrelleWidget::narrowestWidth() const {
  QMargins margins;
  const auto caption = captionAt(0, margins);
  return caption ? int(std::ceil(caption->idealWidth())) + margins.left() + margins.right() : 0;
}

QSize KadrelleWidget::sizeHint() const {
  if (!surface_) return QWidget::sizeHint();
  const int width = std::max(surface_->width(), narrowestWidth());
  return {width, heightForWidth(width)};
}

// The height is the one at the hinted width: a layout asks heightForWidth for the height at the
// width it gives, so the caption is not cut at the narrowest either.
QSize KadrelleWidget::minimumSizeHint() const {
  const int width = narrowestWidth();
  if (width == 0) return QWidget::minimumSizeHint();
  return {width, sizeHint().height()};
}

void KadrelleWidget::PropertyChanged(const std::string& name) {
  Q_EMIT propertyChanged(QString::fromStdString(name));
}
// The font the host gives the widget: the application's font unless a parent sets another.
kadrelle::FontRef KadrelleWidget::AmbientFont() {
  auto font = kadrelle::makeFont();
  kadrelle::qt::copyFont(QWidget::font(), *font);
  return font;
}
std::string KadrelleWidget::AmbientDisplayName() {
  return objectName().isEmpty() ? "KadrelleWidget" : objectName().toStdString();
}

template <class F>
void KadrelleWidget::apply(F&& f) {
  if (!sizing_ && surface_ && surface_->size() != size()) giveSize(size());
  try {
    f(*control_);
  } catch (const kadrelle::Error& e) {
    Q_EMIT failed(e.number(), QString::fromStdString(e.description()));
  } catch (const std::exception& e) {
    Q_EMIT failed(kadrelle::Error::kInvalidCall, QString::fromUtf8(e.what()));
  }
  if (!sizing_ && surface_) fitCaption();
}

template <class T, class F>
T KadrelleWidget::read(F&& f, T otherwise) const {
  try {
    return f(*control_);
  } catch (...) {
    return otherwise;
  }
}

QVariant KadrelleWidget::toQVariant(const kadrelle::Variant& value) {
  using T = kadrelle::Variant::Type;
  switch (value.type()) {
    case T::Empty:
      return {};
    case T::String:
      return QString::fromStdString(kadrelle::CStr(value));
    case T::Boolean:
      return bool(kadrelle::CBool(value));
    case T::Integer:
    case T::Long:
      return int(kadrelle::CLng(value));
    default:
      if (value.holdsNumber()) return kadrelle::CDbl(value);
      return {};
  }
}

kadrelle::Variant KadrelleWidget::fromQVariant(const QVariant& value) {
  switch (value.typeId()) {
    case QMetaType::UnknownType:
      return {};
    case QMetaType::Bool:
      return value.toBool();
    case QMetaType::Short:
      return static_cast<std::int16_t>(value.toInt());
    case QMetaType::Int:
      return static_cast<std::int32_t>(value.toInt());
    case QMetaType::Float:
      return value.toFloat();
    case QMetaType::Double:
      return value.toDouble();
    default:
      return value.toString().toStdString();
  }
}

void KadrelleWidget::setValueObjRef(kadrelle::ValueObjectRef valueObject) {
  apply([&](Kadrelle& c) { c.putref_ValueObjRef(std::move(valueObject)); });
}
kadrelle::ValueObjectRef KadrelleWidget::valueObjRef() const {
  return control_->get_ValueObjRef();
}
void KadrelleWidget::setAppLockLevel(const kadrelle::LockLevelRef& lock) {
  apply([&](Kadrelle& c) { c.putref_AppLockLevel(lock); });
}
kadrelle::LockLevelRef KadrelleWidget::appLockLevel() const {
  return control_->get_AppLockLevel();
}
void KadrelleWidget::Refresh() {
  apply([](Kadrelle& c) { c.Refresh(); });
}

// Getters read the control; setters call its setter and report a refusal.
#define KADRELLE_BOOL(getter, setter, Member)                               \
  bool KadrelleWidget::getter() const {                                     \
    return read([](Kadrelle& c) { return bool(c.get_##Member()); }, false); \
  }                                                                         \
  void KadrelleWidget::setter(bool on) {                                    \
    apply([&](Kadrelle& c) { c.put_##Member(Boolean(on)); });               \
  }
KADRELLE_BOOL(isControlEnabled, setEnabled, Enabled)
KADRELLE_BOOL(useLimits, setUseLimits, UseLimits)
KADRELLE_BOOL(signLock, setSignLock, SignLock)
KADRELLE_BOOL(zeroException, setZeroException, ZeroException)
KADRELLE_BOOL(causesValidation, setCausesValidation, CausesValidation)
KADRELLE_BOOL(transparentBack, setTransparentBack, TransparentBack)
#undef KADRELLE_BOOL

#define KADRELLE_STRING(getter, setter, Member)                                                   \
  QString KadrelleWidget::getter() const {                                                        \
    return read([](Kadrelle& c) { return QString::fromStdString(c.get_##Member()); }, QString()); \
  }                                                                                               \
  void KadrelleWidget::setter(const QString& text) {                                              \
    apply([&](Kadrelle& c) { c.put_##Member(text.toStdString()); });                              \
  }
KADRELLE_STRING(toolTipText, setToolTipText, ToolTipText)
KADRELLE_STRING(paramKey, setParamKey, ParamKey)
KADRELLE_STRING(userDescription, setUserDescription, UserDescription)
KADRELLE_STRING(userUnit, setUserUnit, UserUnit)
KADRELLE_STRING(text, setText, Text)
#undef KADRELLE_STRING

#define KADRELLE_NUMBER(Type, getter, setter, Member, Cast)                               \
  Type KadrelleWidget::getter() const {                                                   \
    return read([](Kadrelle& c) { return static_cast<Type>(c.get_##Member()); }, Type()); \
  }                                                                                       \
  void KadrelleWidget::setter(Type v) {                                                   \
    apply([&](Kadrelle& c) { c.put_##Member(static_cast<Cast>(v)); });                    \
  }
KADRELLE_NUMBER(int, borderStyle, setBorderStyle, BorderStyle, std::int16_t)
KADRELLE_NUMBER(double, editorWidth, setEditorWidth, EditorWidth, float)
KADRELLE_NUMBER(int, editorPosition, setEditorPosition, EditorPosition, kadrelle::EditorPositions)
KADRELLE_NUMBER(int, parameter, setParameter, Parameter, kadrelle::ParameterNumbers)
KADRELLE_NUMBER(uint, backColor, setBackColor, BackColor, kadrelle::OleColor)
KADRELLE_NUMBER(int, unitsFontScale, setUnitsFontScale, UnitsFontScale, std::int32_t)
KADRELLE_NUMBER(KadrelleWidget::DisplayModes, displayMode, setDisplayMode, DisplayMode,
                kadrelle::DisplayModes)
KADRELLE_NUMBER(KadrelleWidget::PresetStyle, presetStyle, setPresetStyle, PresetStyle,
                kadrelle::PresetStyle)
KADRELLE_NUMBER(KadrelleWidget::CaptionPositions, captionPosition, setCaptionPosition,
                CaptionPosition, kadrelle::CaptionPositions)
#undef KADRELLE_NUMBER

QVariant KadrelleWidget::initializeValue() const {
  return read([](Kadrelle& c) { return toQVariant(c.get_InitializeValue()); }, QVariant());
}
void KadrelleWidget::setInitializeValue(const QVariant& value) {
  apply([&](Kadrelle& c) { c.put_InitializeValue(fromQVariant(value)); });
}
QVariant KadrelleWidget::value() const {
  return read([](Kadrelle& c) { return toQVariant(c.get_Value()); }, QVariant());
}
void KadrelleWidget::setValue(const QVariant& value) {
  apply([&](Kadrelle& c) { c.put_Value(fromQVariant(value)); });
}

QFont KadrelleWidget::controlFont() const {
  return read(
      [](Kadrelle& c) { return c.get_Font() ? kadrelle::qt::toQFont(*c.get_Font()) : QFont(); },
      QFont());
}
void KadrelleWidget::setFont(const QFont& font) {
  auto f = kadrelle::makeFont();
  kadrelle::qt::copyFont(font, *f);
  apply([&](Kadrelle& c) { c.putref_Font(f); });
}
QFont KadrelleWidget::captionFont() const {
  return read(
      [](Kadrelle& c) {
        return c.get_CaptionFont() ? kadrelle::qt::toQFont(*c.get_CaptionFont()) : QFont();
      },
      QFont());
}
void KadrelleWidget::setCaptionFont(const QFont& font) {
  auto f = kadrelle::makeFont();
  kadrelle::qt::copyFont(font, *f);
  apply([&](Kadrelle& c) { c.putref_CaptionFont(f); });
}

uint KadrelleWidget::foreColor() const {
  return read([](Kadrelle& c) { return uint(c.get_ForeColor()); }, 0u);
}
QString KadrelleWidget::versionStr() const {
  static const int anchor = 0;
  return QString::fromStdString(
      kadrelle::com::versionStr(kadrelle::com::ModuleInfo::containing(&anchor)));
}
