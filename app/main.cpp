#include <QApplication>
#include <QCommandLineParser>
#include <cstring>
#include <cstdio>

#include "app/CommandLineExport.h"
#include "app/CQ4TProgrammerApp.h"
#include "docview/FileNames.h"
#include "link/LinkShared.h"

namespace {

// --help, --help-all and --version only print.
bool onlyPrints(int argc, char** argv) {
  for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i)
    for (const char* option : {"--help", "-h", "-?", "--help-all", "--version", "-v"})
      if (std::strcmp(argv[i], option) == 0) return true;
  return false;
}

}  // namespace

int main(int argc, char* argv[]) {
  // An export draws without a window: it must run where there is no display.
  if (q4t::asksForExport(argc, argv)) return q4t::runExportCommand(argc, argv);
  // So must the answers on the terminal: Qt's platform without a window system
  // (shipped with Qt's GUI library) lets them print Qt's own options as well.
  if (onlyPrints(argc, argv)) qputenv("QT_QPA_PLATFORM", "minimal");
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
  if (parser.positionalArguments().size() > 1) {
    std::fprintf(stderr, "q4t-programmer: one key table file at most\n");
    return 1;
  }

  q4t::CQ4TProgrammerApp program(q4t::ProcessLinkShared());
  if (!program.initInstance(QStringList{QApplication::applicationFilePath()} + parser.positionalArguments()))
    return 1;
  return QApplication::exec();
}
