// kadrelle-gui: the drive-configuration window on the simulated drive.
//
//   kadrelle-gui [FORM]                   the drive's parameter groups as pages, or a form file
//     [--drive modbus://HOST[:PORT][?unit=N]]  a drive on the network
//     [--drive-description FILE]              the drive's description (simulated: its parameters)
//   kadrelle-gui --render [FORM] -o FILE [--size WxH]  draws the window (or the form) offscreen
//                                         into a PNG
#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "MainWindow.h"
#include "TrendView.h"
#include "host/FormFile.h"
#include "platform/Error.h"
#include "qt/FormView.h"
#include "session/Failure.h"
#include "session/FormBinder.h"

namespace {

// The form bound to the user's drive, drawn as it shows on a screen of the default DPI.
int render(const QString& formFile, const QString& output, const kadrelle::DriveChoice& drive) {
  kadrelle::DriveSession session(drive);
  kadrelle::StderrDebugChannel debug;
  kadrelle::qt::QtToolkit toolkit;
  kadrelle::qt::QtEditBoxFactory editBoxes;
  kadrelle::Form form({toolkit, editBoxes, session.library(), session.settings(), debug});
  const std::string file = formFile.toStdString();
  kadrelle::FormFile::load(file, form);
  kadrelle::bindForm(form, session, file);
  session.awaitValues();
  const QImage image = kadrelle::qt::renderForm(form);
  if (!image.save(output, "PNG")) {
    std::fprintf(stderr, "kadrelle-gui: %s: cannot write the picture\n", qPrintable(output));
    return 1;
  }
  return 0;
}

// The whole window as it shows after a minute of the drive running, at its default size or at
// `size` ("800x600").
int renderWindow(const QString& output, const QString& size, const kadrelle::DriveChoice& drive) {
  kadrelle::gui::MainWindow window(std::nullopt, drive);
  if (!size.isEmpty()) {
    const QStringList wh = size.split('x');
    const int width = wh.value(0).toInt(), height = wh.value(1).toInt();
    if (wh.size() != 2 || width <= 0 || height <= 0)
      throw kadrelle::Error(kadrelle::Error::kInvalidPropertyValue,
                            "--size is WIDTHxHEIGHT in pixels, not \"" + size.toStdString() + "\"");
    window.resize(width, height);
  }
  window.show();
  window.run(kadrelle::gui::TrendView::kSpan);
  QApplication::processEvents();
  if (!window.grab().save(output, "PNG")) {
    std::fprintf(stderr, "kadrelle-gui: %s: cannot write the picture\n", qPrintable(output));
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Drawing into a picture, and the help and version texts, need no display.
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    for (const char* option : {"--render", "--help", "-h", "--help-all", "--version", "-v"})
      if (arg == option && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName("kadrelle-gui");
  QApplication::setApplicationVersion(KADRELLE_VERSION);

  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Drive configuration with Kadrelle controls on the simulated "
      "drive (the drive file of the kadrelle program).");
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument("FORM", "A form file to show instead of the parameter groups.");
  const QCommandLineOption renderOption(
      "render", "Draw the window (or FORM alone) into the PNG file -o names and exit.");
  const QCommandLineOption outputOption({"o", "output"}, "The PNG file --render writes.", "FILE");
  const QCommandLineOption driveOption(
      "drive",
      "The drive on the network, modbus://HOST[:PORT][?unit=N], instead of the simulated one.",
      "ADDRESS");
  const QCommandLineOption descriptionOption(
      "drive-description",
      "Drive description (JSON) of the drive; without --drive the simulated drive simulates it.",
      "FILE");
  const QCommandLineOption sizeOption(
      "size", "The window's size for --render (default: its size on a screen).", "WIDTHxHEIGHT");
  parser.addOption(renderOption);
  parser.addOption(sizeOption);
  parser.addOption(outputOption);
  parser.addOption(driveOption);
  parser.addOption(descriptionOption);
  parser.process(app);
  kadrelle::DriveChoice drive;
  drive.address = parser.value(driveOption).toStdString();
  drive.description = parser.value(descriptionOption).toStdString();

  try {
    if (parser.isSet(renderOption)) {
      if (!parser.isSet(outputOption)) {
        std::fputs("kadrelle-gui: --render needs -o FILE.png\n", stderr);
        return 2;
      }
      if (parser.positionalArguments().isEmpty())
        return renderWindow(parser.value(outputOption), parser.value(sizeOption), drive);
      return render(parser.positionalArguments().first(), parser.value(outputOption), drive);
    }
    std::optional<std::filesystem::path> form;
    if (!parser.positionalArguments().isEmpty())
      form = parser.positionalArguments().first().toStdString();
    kadrelle::gui::MainWindow window(form, drive);
    window.show();
    return app.exec();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kadrelle-gui: %s\n", kadrelle::failureText(e).c_str());
    return 1;
  }
}
