#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "cli/KeyboardText.h"
#include "cli/TcoReport.h"

namespace q4t {
namespace {

TcoReading sampleReading() {
  TcoReading reading;
  reading.serialNumber = "Q4T-0042";
  reading.deviceDetails = "Q4T 92 keys\r\nfirmware 2.1\n\x1B[2J\tend\r\n";
  reading.license = "on";
  for (int n = 0; n < kCounterSlotCount; ++n) reading.counters[static_cast<std::size_t>(n)].count = n;
  reading.counters[3].count = 2147483647;
  reading.counters[9].count = -12;
  reading.counters[6].ownerKey = 4;
  reading.counters[28].ownerKey = 91;
  reading.counters[2].ownerKey = 17;  // a fixed counter counts no single key, whatever its slot holds
  return reading;
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

TEST(TcoReport, LineBreaksInKeyboardTextsBecomeLinesUnderTheFirst) {
  EXPECT_EQ(terminalLines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(terminalLines("one\r\n"), std::vector<std::string>{"one"});
  EXPECT_EQ(terminalLines(""), std::vector<std::string>{""});
  EXPECT_EQ(terminalLines("\r\n\r\n"), (std::vector<std::string>{"", ""}));
  EXPECT_EQ(terminalLines("x\x1B[2J\ty\\"), std::vector<std::string>{"x\\x1b[2J\\ty\\\\"});

  const std::vector<std::string> lines = linesOf(tcoText(sampleReading()));
  const std::string indent(std::string("California driver license: ").size(), ' ');
  EXPECT_EQ(lines.at(0), "serial number:             Q4T-0042");
  EXPECT_EQ(lines.at(3), "device details:            Q4T 92 keys");
  EXPECT_EQ(lines.at(4), indent + "firmware 2.1");
  EXPECT_EQ(lines.at(5), indent + "\\x1b[2J\\tend");
  EXPECT_EQ(lines.at(6), "California driver license: on");
}

// The widest reading sets the width of the Value column, the widest location
// ("Keylock changes") that of the Key Location column; numbers to the right.
TEST(TcoReport, CounterColumnsStayAlignedAtWideReadings) {
  const std::vector<std::string> lines = linesOf(tcoText(sampleReading()));
  const std::vector<std::string> table(lines.end() - 31, lines.end());
  EXPECT_EQ(table.front(), "Counter  Key Location          Value");
  for (const std::string& line : table) EXPECT_EQ(line.size(), table.front().size()) << line;
  EXPECT_EQ(table.at(1 + 2), "      2  MSR good read             2");
  EXPECT_EQ(table.at(1 + 3), "      3  MSR bad read     2147483647");
  EXPECT_EQ(table.at(1 + 4), "      4  Keylock changes           4");
  EXPECT_EQ(table.at(1 + 6), "      6  4                         6");
  EXPECT_EQ(table.at(1 + 7), "      7  not used                  7");
  EXPECT_EQ(table.at(1 + 9), "      9  not used                -12");
}

TEST(TcoReport, JsonGivesEachCounterItsNumberNameKeyAndReading) {
  const std::string json = tcoJson(sampleReading());
  EXPECT_EQ(json.rfind("{\"serialNumber\": \"Q4T-0042\", ", 0), 0u);
  EXPECT_NE(json.find("\"deviceDetails\": \"Q4T 92 keys\\u000d\\u000afirmware"), std::string::npos);
  EXPECT_NE(json.find("\"californiaLicense\": \"on\""), std::string::npos);
  for (const char* counter : {
           "{\"number\": 0, \"name\": \"All keys\", \"key\": null, \"reading\": 0}",
           "{\"number\": 2, \"name\": \"MSR good read\", \"key\": null, \"reading\": 2}",
           "{\"number\": 3, \"name\": \"MSR bad read\", \"key\": null, \"reading\": 2147483647}",
           "{\"number\": 6, \"name\": \"Key counter\", \"key\": 4, \"reading\": 6}",
           "{\"number\": 9, \"name\": \"Key counter\", \"key\": null, \"reading\": -12}",
           "{\"number\": 28, \"name\": \"Key counter\", \"key\": 91, \"reading\": 28}",
       })
    EXPECT_NE(json.find(counter), std::string::npos) << counter;
  EXPECT_EQ(json.substr(json.size() - 4), "}]}\n");
}

}  // namespace
}  // namespace q4t
