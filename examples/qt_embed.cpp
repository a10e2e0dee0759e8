// Embeds Kadrelle controls in a Qt Widgets window: two parameters of the simulated drive in a
// layout, the user's committed entries reported through the Change signal. With --once the
// program writes an entry, prints what the control shows and quits (no display needed).
#include <QApplication>
#include <QLabel>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <cstring>
#include <iostream>

#include "brommet/BrommetLibrary.h"
#include "brommet/ParameterCatalog.h"
#include "platform/DebugChannel.h"
#include "platform/IniSettingsStore.h"
#include "qt/KadrelleWidget.h"

int main(int argc, char** argv) {
  const bool once = argc > 1 && std::strcmp(argv[1], "--once") == 0;
  if (once && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  // The services every widget uses; they must outlive the widgets.
  kadrelle::BrommetLibrary library;  // a simulated servo drive of its own
  kadrelle::IniSettingsStore settings;
  kadrelle::StderrDebugChannel debug;
  KadrelleWidget::setDefaultServices({library, settings, debug});
  library.drive().appLock()->put_Level(3);  // the lock level these parameters ask for

  QWidget window;
  window.setWindowTitle("Kadrelle in Qt");
  auto* layout = new QVBoxLayout(&window);
  auto* status = new QLabel("Type a value and press Enter.");
  for (kadrelle::ParameterNumbers number :
       {kadrelle::param::SpeedLimit, kadrelle::param::Acceleration}) {
    auto* control = new KadrelleWidget(&window);
    control->setEditorWidth(1500);  // twips: the design-time settings are properties
    control->setValueObjRef(library.makeValueObject(number));
    QObject::connect(control, &KadrelleWidget::Change,
                     [control, status] { status->setText("Committed " + control->text()); });
    QObject::connect(control, &KadrelleWidget::failed, [status](int number, const QString& text) {
      status->setText(QString("Error %1: %2").arg(number).arg(text));
    });
    layout->addWidget(control);
  }
  layout->addWidget(status);
  window.show();

  if (once) {
    auto* speed = window.findChild<KadrelleWidget*>();
    speed->setValue(4500);  // takes the same road as an entry typed and committed
    std::cout << "shown:  " << speed->text().toStdString() << '\n'
              << "status: " << status->text().toStdString() << '\n';
    QTimer::singleShot(0, &app, &QApplication::quit);
  }
  return app.exec();
}
