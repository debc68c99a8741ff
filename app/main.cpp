#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>

#include "app/CommandLineExport.h"
#include "app/CQ4TProgrammerApp.h"
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
  parser.process(application);
  if (parser.positionalArguments().size() > 1) {
    std::fprintf(stderr, "q4t-programmer: one key table file at most\n");
    return 1;
  }

  q4t::CQ4TProgrammerApp program(q4t::ProcessLinkShared());
  if (!program.initInstance(QStringList{QApplication::applicationFilePath()} + parser.positionalArguments()))
    return 1;
  return QApplication::exec();
}
