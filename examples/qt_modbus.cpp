// Three Kadrelle controls in a Qt Widgets window bound to a drive on the network, over Modbus TCP:
//   example_qt_modbus modbus://127.0.0.1:1502      (kadrelle serve serves one)
// The Modbus library works the network on a thread of its own; its results reach the controls
// when the dispatcher is pumped, here whenever its descriptor becomes readable (QSocketNotifier),
// so the window never waits for the drive. The status line says whether the drive is connected.
// With --once the program commits a speed limit, prints what the drive confirmed and quits.
#include <QApplication>
#include <QLabel>
#include <QSocketNotifier>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <cstring>
#include <iostream>

#include "brommet/ParameterCatalog.h"
#include "modbus/ModbusLibrary.h"
#include "modbus/ModbusValueObject.h"
#include "platform/DebugChannel.h"
#include "platform/Error.h"
#include "platform/IniSettingsStore.h"
#include "qt/KadrelleWidget.h"

int main(int argc, char** argv) {
  const bool once = argc > 2 && std::strcmp(argv[2], "--once") == 0;
  if (once && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  using namespace kadrelle;

  auto dispatcher = std::make_shared<Dispatcher>();
  std::unique_ptr<ModbusLibrary> drive;
  try {
    drive = std::make_unique<ModbusLibrary>(
        parseModbusAddress(argc > 1 ? argv[1] : "modbus://127.0.0.1:1502"),
        DriveDescription::simulated(), dispatcher);
  } catch (const Error& e) {
    std::cerr << "example_qt_modbus: " << e.description() << '\n';
    return 2;
  }
  QSocketNotifier pump(dispatcher->fd(), QSocketNotifier::Read);
  QObject::connect(&pump, &QSocketNotifier::activated, [&] {
    try {
      dispatcher->pump();
    } catch (const Error& e) {  // a handler of the drive's results failed
      std::cerr << "example_qt_modbus: " << e.description() << '\n';
    }
  });

  IniSettingsStore settings;
  StderrDebugChannel debug;
  KadrelleWidget::setDefaultServices({*drive, settings, debug});
  drive->appLock()->put_Level(3);  // the lock level these parameters ask for

  QWidget window;
  window.setWindowTitle(QString::fromStdString("Drive " + drive->endpoint().name()));
  auto* layout = new QVBoxLayout(&window);
  auto* status = new QLabel;
  auto showConnection = [&] {
    status->setText(drive->connected()
                        ? "Connected"
                        : QString::fromStdString("Not connected: " + drive->connectionProblem()));
  };
  showConnection();
  Connection connection = drive->ConnectionChanged.connect(showConnection);

  std::shared_ptr<ModbusValueObject> speedLimit;
  for (ParameterNumbers number : {param::SpeedLimit, param::Acceleration, param::ActualSpeed}) {
    auto* control = new KadrelleWidget(&window);
    control->setEditorWidth(1500);
    auto object = drive->makeValueObject(number);
    if (number == param::SpeedLimit) speedLimit = object;
    control->setValueObjRef(object);
    QObject::connect(control, &KadrelleWidget::failed, [status](int code, const QString& text) {
      status->setText(QString("Error %1: %2").arg(code).arg(text));
    });
    layout->addWidget(control);
  }
  layout->addWidget(status);
  window.show();

  Connection confirmed;
  if (once) {
    auto* control = window.findChild<KadrelleWidget*>();
    // Once the drive is connected: commit, and quit when the drive confirms (or after 5 s).
    QTimer::singleShot(5000, &app, [&] {
      std::cout << "gave up: " << status->text().toStdString() << '\n';
      app.exit(1);
    });
    confirmed = speedLimit->Changed.connect([&, control](const Variant&) {
      std::cout << "confirmed: " << control->text().toStdString() << '\n';
      app.quit();
    });
    auto* poll = new QTimer(&app);
    QObject::connect(poll, &QTimer::timeout, [&, poll, control] {
      if (!drive->connected()) return;
      poll->stop();
      control->setValue(4500);
    });
    poll->start(50);
  }
  return app.exec();
}
