#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "cli/CliWindow.h"
#include "link/KeyboardLink.h"

namespace q4t {
namespace {

// What q4t prints on stderr for the status texts the link shows during one
// step and at its end. The link shows "OK: Keyboard connected" once for each
// unit that answers; q4t says it once, and only for a greeting that ended well.
TEST(CliWindow, TheKeyboardIsReportedConnectedOnceAndOnlyAfterAStepThatEndedWell) {
  struct Case {
    const char* what;
    std::vector<std::vector<std::string>> steps;  // the texts shown in each step
    std::string printed;
  };
  const std::string connected = "OK: Keyboard connected";
  const Case cases[] = {
      {"four units", {{connected, connected, connected, connected}}, connected + "\n"},
      {"a second greeting (the licence change)",
       {{connected, connected}, {connected, "OK: California driver license changed"}},
       connected + "\nOK: California driver license changed\n"},
      {"a later unit failed", {{connected, "ERROR: Transfer Timeout", "ERROR: COM port"}},
       "ERROR: Transfer Timeout\nERROR: COM port\n"},
      {"a transfer after the connect", {{connected}, {"OK: Upload successful"}},
       connected + "\nOK: Upload successful\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    KeyTable table;
    LinkShared shared;
    CliWindow window(table);
    KeyboardLink link(window, table, shared);  // unlinked: each step ends at once
    ::testing::internal::CaptureStderr();
    for (const auto& step : c.steps) {
      for (const std::string& text : step) window.ShowStatus(text);
      EXPECT_EQ(window.Run(link, std::chrono::steady_clock::now() + std::chrono::seconds(5)),
                CliWindow::Outcome::Done);
    }
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.printed);
  }
}

}  // namespace
}  // namespace q4t
