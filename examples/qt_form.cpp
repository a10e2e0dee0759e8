// Loads a form made in Qt Designer (qt_form.ui: two KadrelleWidgets with their Parameter set and
// no code for either) and shows it. The value library is set once; each control binds itself to
// its parameter when the form is shown. With --once the program commits an entry, prints what the
// control shows and the drive holds, and quits (no display needed).
#include <QApplication>
#include <QFile>
#include <QTimer>
#include <QUiLoader>
#include <cstring>
#include <iostream>
#include <memory>

#include "brommet/BrommetLibrary.h"
#include "brommet/ParameterCatalog.h"
#include "platform/DebugChannel.h"
#include "platform/IniSettingsStore.h"
#include "qt/KadrelleWidget.h"

#ifndef KADRELLE_FORM_FILE
#define KADRELLE_FORM_FILE "qt_form.ui"
#endif

// QUiLoader makes KadrelleWidgets itself, so the form loads without the Designer plugin.
class Loader : public QUiLoader {
 public:
  QWidget* createWidget(const QString& className, QWidget* parent, const QString& name) override {
    if (className != QLatin1String("KadrelleWidget"))
      return QUiLoader::createWidget(className, parent, name);
    auto* widget = new KadrelleWidget(parent);
    widget->setObjectName(name);
    return widget;
  }
};

int main(int argc, char** argv) {
  const bool once = argc > 1 && std::strcmp(argv[1], "--once") == 0;
  if (once && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  kadrelle::BrommetLibrary library;  // a simulated servo drive of its own
  kadrelle::IniSettingsStore settings;
  kadrelle::StderrDebugChannel debug;
  KadrelleWidget::setDefaultServices({library, settings, debug});  // once, for every widget
  library.drive().appLock()->put_Level(3);

  QFile file(KADRELLE_FORM_FILE);
  if (!file.open(QFile::ReadOnly)) {
    std::cerr << "cannot open " << KADRELLE_FORM_FILE << '\n';
    return 1;
  }
  Loader loader;
  std::unique_ptr<QWidget> form(loader.load(&file));
  if (!form) {
    std::cerr << loader.errorString().toStdString() << '\n';
    return 1;
  }
  form->show();  // each control binds here

  if (once) {
    auto* speed = form->findChild<KadrelleWidget*>("speed");
    speed->setValue(4500);  // takes the same road as an entry typed and committed
    const double rpm = library.drive().value(kadrelle::param::SpeedLimit) *
                       kadrelle::ParameterCatalog::kRpmPerCountsPerSecond;
    std::cout << "shown:  " << speed->text().toStdString() << '\n' << "drive:  " << rpm << " RPM\n";
    QTimer::singleShot(0, &app, &QApplication::quit);
  }
  return app.exec();
}
