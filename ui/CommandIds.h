// Command numbers of the menus, toolbar, accelerators and context menu.
#pragma once

namespace q4t::cmd {

// The program's own commands.
constexpr int kTcoCounterOff = 32773;
constexpr int kSingleKey = 32774;
constexpr int kDoubleKeyRight = 32775;
constexpr int kQuadrupleKey = 32776;
constexpr int kDoubleKeyDown = 32777;
constexpr int kTcoCounterOn = 32778;
constexpr int kDownload = 32779;
constexpr int kUpload = 32781;
constexpr int kPort = 32782;
constexpr int kReadTco = 32784;
constexpr int kHelpDevIzured = 32785;

// File, edit, window, view and help commands.
constexpr int kFileNew = 57600;
constexpr int kFileOpen = 57601;
constexpr int kFileClose = 57602;
constexpr int kFileSave = 57603;
constexpr int kFileSaveAs = 57604;
constexpr int kFirstRecentFile = 57616;
constexpr int kLastRecentFile = 57631;
constexpr int kEditCopy = 57634;
constexpr int kEditCut = 57635;
constexpr int kEditPaste = 57637;
constexpr int kEditUndo = 57643;
constexpr int kEditRedo = 57644;
constexpr int kNextPane = 57680;
constexpr int kPreviousPane = 57681;
constexpr int kAbout = 57664;
constexpr int kExit = 57665;
constexpr int kViewToolbar = 59392;
constexpr int kViewStatusBar = 59393;

// Printing and exporting the sheets, and the Key Labels window.
constexpr int kFilePrint = 57607;
constexpr int kFilePrintPreview = 57609;
constexpr int kFileExport = 32800;
constexpr int kViewKeyLabels = 32801;

// Comparing key tables, and the tables kept of each keyboard.
constexpr int kCompareWith = 32802;
constexpr int kKeyboardHistory = 32803;
// The Undo History window.
constexpr int kViewUndoHistory = 32820;
// The roll-out window and the TCO window's counter readings as CSV.
constexpr int kRollOut = 32810;
constexpr int kExportCounters = 32811;

}  // namespace q4t::cmd
