#include <QApplication>
#include <QCommandLineParser>

#include "app/CQ4TProgrammerApp.h"
#include "link/LinkShared.h"

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
  QApplication::setApplicationName(QStringLiteral("Dev Izured for Q4T Keyboard"));
  QApplication::setApplicationDisplayName(QStringLiteral("Dev Izured for Q4T Keyboard"));
  QApplication::setApplicationVersion(QStringLiteral(Q4T_VERSION_TEXT));
  // The menu entry's name, so that the desktop puts the windows under its icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.q4t.programmer"));

  // None or one key table file; --help and --version answer on the terminal.
  QCommandLineParser parser;
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("the key table (.q4t) to open"),
                               QStringLiteral("[file]"));
  parser.process(application);

  q4t::CQ4TProgrammerApp program(q4t::ProcessLinkShared());
  if (!program.initInstance(QStringList{QApplication::applicationFilePath()} + parser.positionalArguments()))
    return 1;
  return QApplication::exec();
}
