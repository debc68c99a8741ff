#include <QApplication>
#include <QCommandLineParser>

#include "app/CommandLineExport.h"
#include "app/CQ4TProgrammerApp.h"
#include "docview/FileNames.h"
#include "link/LinkShared.h"

int main(int argc, char* argv[]) {
  // An export draws without a window: it must run where there is no display.
  if (q4t::asksForExport(argc, argv)) return q4t::runExportCommand(argc, argv);
  QApplication application(argc, argv);
  q4t::CQ4TProgrammerApp::setUpNames();

  // None or one key table file; --help and --version answer on the terminal.
  QCommandLineParser parser;
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("the key table (.q4t) to open"),
                               QStringLiteral("[file]"));
  parser.addOptions(q4t::exportOptions());
  parser.process(docview::argumentsAsPaths(argc, argv));  // Qt's own decoding changes names that are not UTF-8

  q4t::CQ4TProgrammerApp program(q4t::ProcessLinkShared());
  if (!program.initInstance(QStringList{QApplication::applicationFilePath()} + parser.positionalArguments()))
    return 1;
  return QApplication::exec();
}
