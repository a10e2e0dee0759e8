// Kadrelle in Qt Designer: the widget box entry (group "Kadrelle", the module's toolbox picture)
// and the widget Designer places, whose properties it edits and saves in the .ui file.
#include <QIcon>
#include <QPixmap>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

#include "qt/KadrelleWidget.h"
#include "qt/ToolboxImage.h"

class KadrelleDesignerPlugin : public QObject, public QDesignerCustomWidgetInterface {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QDesignerCustomWidgetInterface")
  Q_INTERFACES(QDesignerCustomWidgetInterface)

 public:
  using QObject::QObject;

  QString name() const override { return QStringLiteral("KadrelleWidget"); }
  QString group() const override { return QStringLiteral("Kadrelle"); }
  QString toolTip() const override { return QStringLiteral("Quarnel Kadrelle"); }
  QString whatsThis() const override {
    return QStringLiteral("A drive parameter: a rich-text caption beside a numeric edit box");
  }
  QString includeFile() const override { return QStringLiteral("qt/KadrelleWidget.h"); }
  QIcon icon() const override { return QIcon(QPixmap::fromImage(kadrelle::qt::toolboxImage())); }
  bool isContainer() const override { return false; }
  bool isInitialized() const override { return true; }
  QWidget* createWidget(QWidget* parent) override { return new KadrelleWidget(parent); }
  QString domXml() const override {
    const QSize size = KadrelleWidget().sizeHint();
    return QStringLiteral(
               "<ui language=\"c++\">\n"
               " <widget class=\"KadrelleWidget\" name=\"kadrelle\">\n"
               "  <property name=\"geometry\">\n"
               "   <rect><x>0</x><y>0</y><width>%1</width><height>%2</height></rect>\n"
               "  </property>\n"
               " </widget>\n"
               "</ui>\n")
        .arg(size.width())
        .arg(size.height());
  }
};

#include "KadrelleDesignerPlugin.moc"
