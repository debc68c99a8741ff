// q4t-programmer --export OUT.pdf|OUT.svg|OUT.png [--legends] [--cap-mm N]
// [--gap-mm N] TABLE.q4t: the sheet written without a window, for scripts.
#pragma once

#include <QCommandLineOption>
#include <QList>

namespace q4t {

// The options, for --help too.
QList<QCommandLineOption> exportOptions();
// Whether the command line asks for an export (or gives one of its options).
bool asksForExport(int argc, char** argv);
// Writes the sheet: 0 when written; 2 with one line on stderr when the
// arguments are wrong or the table cannot be read, 1 when the file cannot be
// written. The arguments and the table are checked before Qt starts, so a
// refusal says nothing else.
int runExportCommand(int argc, char** argv);

}  // namespace q4t
