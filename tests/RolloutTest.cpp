// The roll-out against virtual keyboards on pseudo-terminals, with real
// threads and time: keyboards replaced one after another on several ports,
// each logged once with its serial number; a failing verify, a pulled port,
// a stop in the middle of a download and a log that cannot be written.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "link/Rollout.h"
#include "model/CsvText.h"
#include "model/FileCalls.h"
#include "model/KeyTableFile.h"
#include "model/Sha256.h"
#include "sim/VirtualKeyboard.h"
#include "tests/TestTables.h"

namespace q4t {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Row = std::vector<std::string>;

// RFC 4180 read back: quoted fields with doubled quotes, records ending in CR LF.
std::vector<Row> parseCsv(const std::string& text) {
  std::vector<Row> rows(1);
  std::string field;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted && c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
      field += c;
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && c == ',') {
      rows.back().push_back(std::exchange(field, {}));
    } else if (!quoted && c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      rows.back().push_back(std::exchange(field, {}));
      rows.emplace_back();
      ++i;
    } else {
      field += c;
    }
  }
  rows.pop_back();  // after the last line end
  return rows;
}

// What the keyboard holds of a table: the bytes the log's fingerprint is taken of.
std::vector<std::uint8_t> heldBytes(const sim::KeyboardState& state) {
  std::vector<std::uint8_t> bytes, part;
  for (const auto& [address, count] : {std::pair{area::KeyValues, area::KeyValueBytes},
                                       {area::KeySizes, area::KeySizeBytes}, {area::TcoOwners, area::TcoOwnerBytes}}) {
    state.read(address, count, part);
    bytes.insert(bytes.end(), part.begin(), part.end());
  }
  return bytes;
}

// Waits until the keyboard has taken the first block of key values.
bool writing(const sim::VirtualKeyboard& keyboard) {
  const auto requests = keyboard.requests();
  return std::any_of(requests.begin(), requests.end(), [](const sim::Bytes& r) {
    return r.size() > 7 && r[4] == command::WriteMemory && (r[5] << 8 | r[6]) == area::KeyValues;
  });
}

class RolloutTest : public ::testing::Test {
 protected:
  RolloutTest() {
    table.setValue(0, 200);
    table.setLabel(0, "Coffee");
    testing::writeFile(tableFile, "");
    EXPECT_TRUE(writeKeyTable(tableFile, table));
  }
  ~RolloutTest() override {
    rollout.reset();
    useFileCalls(nullptr);
  }

  // A virtual keyboard on its own port, replaced after each of its next times downloads.
  sim::VirtualKeyboard& plugIn(const std::string& port, const std::string& serial, int times = 0) {
    auto& keyboard = keyboards[port] = std::make_unique<sim::VirtualKeyboard>();
    keyboard->editState([&](sim::KeyboardState& state) { state.setSerialNumber(serial); });
    keyboard->setReplacements(times);
    EXPECT_TRUE(keyboard->start(dir + "/" + port)) << keyboard->lastError();
    return *keyboard;
  }

  RolloutSettings settings(const std::vector<std::string>& ports, int count) {
    RolloutSettings s;
    for (const std::string& port : ports) s.ports.push_back(dir + "/" + port);
    s.table = table;
    s.tableFile = tableFile;
    s.logPath = dir + "/log.csv";
    s.count = count;
    s.snapshotRoot = dir + "/keyboards";
    return s;
  }

  FileResult start(const RolloutSettings& s) {
    rollout = std::make_unique<Rollout>(
        [this](const KeyboardDone& d) {
          std::lock_guard lock(mutex);
          done.push_back(d);
        },
        [this](const std::string& port, const std::string& text) {
          std::lock_guard lock(mutex);
          notes.push_back(fs::path(port).filename().string() + ": " + text);
        });
    return rollout->Start(s);
  }

  std::size_t doneCount() {
    std::lock_guard lock(mutex);
    return done.size();
  }

  bool noted(const std::string& text) {
    std::lock_guard lock(mutex);
    return std::any_of(notes.begin(), notes.end(), [&](const std::string& n) { return n.find(text) != n.npos; });
  }

  static bool waitUntil(const std::function<bool()>& condition, std::chrono::seconds limit = 20s) {
    for (const auto end = Clock::now() + limit; Clock::now() < end; std::this_thread::sleep_for(5ms))
      if (condition()) return true;
    return condition();
  }

  // A roll-out on COMA with its keyboard at line speed, until the download writes.
  bool startUntilWriting(sim::VirtualKeyboard& keyboard) {
    sim::Faults slow;
    slow.pace = true;
    keyboard.setFaults(slow);
    return start(settings({"COMA"}, 0)) && waitUntil([&] { return writing(keyboard); });
  }

  // The log's lines after its header, each checked for the columns every line has.
  std::vector<Row> loggedKeyboards() {
    std::vector<Row> rows = parseCsv(testing::readFile(dir + "/log.csv"));
    EXPECT_FALSE(rows.empty());
    if (rows.empty()) return rows;
    EXPECT_EQ(rows.front(), parseCsv(std::string(kRolloutLogHeader) + "\r\n").front());
    rows.erase(rows.begin());
    for (const Row& row : rows) {
      EXPECT_EQ(row.size(), 8u);
      EXPECT_EQ(row[3], tableFile);
      EXPECT_EQ(row[4], sha256Hex(downloadedBytes(table)));
    }
    return rows;
  }

  std::string dir = testing::freshDirectory(::testing::UnitTest::GetInstance()->current_test_info()->name());
  std::string tableFile = dir + "/shop.q4t";
  KeyTable table = testing::gridTable();
  std::map<std::string, std::unique_ptr<sim::VirtualKeyboard>> keyboards;
  std::unique_ptr<Rollout> rollout;
  std::mutex mutex;
  std::vector<KeyboardDone> done;
  std::vector<std::string> notes;
};

TEST_F(RolloutTest, KeyboardsReplacedOnTwoPortsAreEachProgrammedAndLoggedOnceWithTheirSerialNumbers) {
  sim::VirtualKeyboard& first = plugIn("COMA", "A-01", 2);
  sim::VirtualKeyboard& second = plugIn("COMB", "\"B\",01", 1);
  ASSERT_TRUE(start(settings({"COMA", "COMB"}, 5)));
  ASSERT_TRUE(rollout->WaitFinished(30s));
  rollout->Stop();

  const RolloutTotals totals = rollout->totals();
  EXPECT_EQ(totals.done, 5);
  EXPECT_EQ(totals.verified, 5);
  std::vector<Row> rows = loggedKeyboards();
  ASSERT_EQ(rows.size(), 5u);
  std::multiset<std::string> serials;
  for (const Row& row : rows) {
    serials.insert(fs::path(row[1]).filename().string() + " " + row[2]);
    EXPECT_EQ(row[5], kVerifiedText);
    KeyTable before;
    EXPECT_TRUE(readKeyTable(row[7], before)) << "the old table is kept: " << row[7];
    EXPECT_EQ(before.entry(0).value, 1) << "a new keyboard's factory table";
  }
  EXPECT_EQ(serials, (std::multiset<std::string>{"COMA A-01", "COMA A-02", "COMA A-03", "COMB \"B\",01",
                                                 "COMB \"B\",02"}));
  // The fingerprint is that of the bytes the last keyboard on each port holds.
  for (sim::VirtualKeyboard* keyboard : {&first, &second}) {
    EXPECT_EQ(sha256Hex(heldBytes(keyboard->state())), rows[0][4]);
    EXPECT_EQ(keyboard->state().keyValue(0), 200);
  }
}

TEST_F(RolloutTest, AFailedVerifyIsLoggedAsFailedWhileTheOtherPortGoesOnAndAPulledPortIsWaitedFor) {
  sim::VirtualKeyboard& faulty = plugIn("COMA", "A-01");
  sim::Faults corrupt;
  corrupt.corruptReadBackKey = 17;
  faulty.setFaults(corrupt);
  plugIn("COMB", "B-01", 1);
  ASSERT_TRUE(start(settings({"COMA", "COMB"}, 4)));
  ASSERT_TRUE(waitUntil([&] { return doneCount() == 3; })) << "A fails, B twice";

  // The faulty keyboard is pulled with its port, and the same keyboard comes back mended.
  keyboards["COMA"]->stop();
  ASSERT_TRUE(waitUntil([&] { return noted("COMA: cannot open"); }));
  plugIn("COMA", "A-01");
  ASSERT_TRUE(rollout->WaitFinished(20s));
  rollout->Stop();
  EXPECT_TRUE(noted("COMA: port open again"));

  std::map<std::string, std::vector<std::string>> linesOf;  // each port's in order
  for (const Row& row : loggedKeyboards()) linesOf[fs::path(row[1]).filename().string()].push_back(row[2] + " " + row[5]);
  EXPECT_EQ(linesOf["COMA"], (std::vector<std::string>{"A-01 ERROR: Verify failed", "A-01 " + std::string(kVerifiedText)}))
      << "the same keyboard again is logged again";
  EXPECT_EQ(linesOf["COMB"], (std::vector<std::string>{"B-01 " + std::string(kVerifiedText), "B-02 " + std::string(kVerifiedText)}));
  EXPECT_EQ(rollout->totals().failed(), 1);
}

TEST_F(RolloutTest, StoppedInTheMiddleOfADownloadTheKeyboardLeavesTransferModeAndTheLineSaysSo) {
  sim::VirtualKeyboard& keyboard = plugIn("COMA", "A-01");
  ASSERT_TRUE(startUntilWriting(keyboard));
  const Clock::time_point stopped = Clock::now();
  rollout->Stop();
  EXPECT_LT(Clock::now() - stopped, 2s);

  const auto requests = keyboard.requests();
  ASSERT_GE(requests.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    const sim::Bytes& modeEnd = requests[requests.size() - 3 + i];
    EXPECT_EQ(modeEnd[2], i + 1);
    EXPECT_EQ(modeEnd[4], command::TransferMode);
    EXPECT_EQ(modeEnd[5], 0x01) << "ModeEnd";
  }
  const std::vector<Row> rows = loggedKeyboards();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][2], "A-01");
  EXPECT_EQ(rows[0][5], "ERROR: Stopped during the download");
  EXPECT_EQ(rollout->totals().failed(), 1);
}

TEST_F(RolloutTest, APortPulledDuringADownloadFailsThatKeyboardOnly) {
  sim::VirtualKeyboard& keyboard = plugIn("COMA", "A-01");
  ASSERT_TRUE(startUntilWriting(keyboard));
  keyboard.stop();
  ASSERT_TRUE(waitUntil([&] { return doneCount() == 1; }));
  EXPECT_TRUE(waitUntil([&] { return noted("COMA: cannot open"); }));
  EXPECT_TRUE(noted("COMA: device went away"));
  EXPECT_FALSE(rollout->finished()) << "the station waits for the port to come back";
  rollout->Stop();
  const std::vector<Row> rows = loggedKeyboards();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][5], "ERROR: Transfer Timeout");
}

TEST_F(RolloutTest, AKeyboardThatAnswersBusyIsLoggedAsFailedWithoutSerialNumber) {
  sim::VirtualKeyboard& keyboard = plugIn("COMA", "A-01");
  sim::Faults busy;
  busy.busyUnits = {unit::Memory};
  keyboard.setFaults(busy);
  ASSERT_TRUE(start(settings({"COMA"}, 1)));
  ASSERT_TRUE(rollout->WaitFinished(20s));
  rollout->Stop();
  const std::vector<Row> rows = loggedKeyboards();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][2], "");
  EXPECT_EQ(rows[0][5], "ERROR: Transfer aborted");
  EXPECT_EQ(keyboard.state().keyValue(0), 1) << "nothing written";
}

// With --count 1 and a keyboard on each of two ports, one is programmed and
// the other is left as it came.
TEST_F(RolloutTest, TheCountTakesNoKeyboardMoreThanAsked) {
  sim::VirtualKeyboard& first = plugIn("COMA", "A-01");
  sim::VirtualKeyboard& second = plugIn("COMB", "B-01");
  sim::Faults slow;
  slow.pace = true;
  first.setFaults(slow);
  second.setFaults(slow);
  ASSERT_TRUE(start(settings({"COMA", "COMB"}, 1)));
  ASSERT_TRUE(rollout->WaitFinished(30s));
  rollout->Stop();
  EXPECT_EQ(loggedKeyboards().size(), 1u);
  EXPECT_EQ(first.state().keyValue(0) + second.state().keyValue(0), 200 + 1) << "one programmed, one untouched";
}

// A keyboard whose old table cannot be kept is not written to.
TEST_F(RolloutTest, AKeyboardWhoseTableCannotBeKeptIsLeftAsItWas) {
  sim::VirtualKeyboard& keyboard = plugIn("COMA", "A-01");
  RolloutSettings s = settings({"COMA"}, 1);
  s.snapshotRoot = tableFile + "/keyboards";  // under a file: no folder can be made
  ASSERT_TRUE(start(s));
  ASSERT_TRUE(rollout->WaitFinished(20s));
  rollout->Stop();
  const std::vector<Row> rows = loggedKeyboards();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0][2], "A-01");
  EXPECT_TRUE(rows[0][5].starts_with("ERROR: the keyboard's table could not be kept: ")) << rows[0][5];
  EXPECT_EQ(rows[0][7], "");
  EXPECT_EQ(keyboard.state().keyValue(0), 1) << "nothing written";
  EXPECT_EQ(rollout->totals().failed(), 1);
}

// Refused before any keyboard is touched: the keyboard never hears a request.
TEST_F(RolloutTest, WhatCannotWorkIsRefusedBeforeAnyKeyboardIsTouched) {
  sim::VirtualKeyboard& keyboard = plugIn("COMA", "A-01");
  KeyTable unholdable = table;
  unholdable.setValue(3, 300);
  struct Case {
    const char* what;
    std::function<void(RolloutSettings&)> spoil;
    std::string reason;
  };
  const Case cases[] = {
      {"log is a folder", [&](RolloutSettings& s) { s.logPath = dir; }, "cannot write the log " + dir + ": not a regular file"},
      {"log is no log", [&](RolloutSettings& s) { s.logPath = tableFile; },
       "cannot write the log " + tableFile + ": not a roll-out log (its first line is not the header)"},
      {"port missing", [&](RolloutSettings& s) { s.ports.push_back(dir + "/COMZ"); },
       "cannot open " + dir + "/COMZ: No such file or directory"},
      {"port twice", [&](RolloutSettings& s) { s.ports.push_back(s.ports.front()); }, dir + "/COMA is given twice"},
      {"table", [&](RolloutSettings& s) { s.table = unholdable; },
       tableFile + ": key 3: VALUE=300 (the keyboard holds 0 to 255)"},
  };
  for (const Case& c : cases) {
    RolloutSettings s = settings({"COMA"}, 1);
    c.spoil(s);
    const FileResult started = start(s);
    EXPECT_FALSE(started) << c.what;
    EXPECT_EQ(started.reason, c.reason) << c.what;
  }
  std::this_thread::sleep_for(100ms);
  EXPECT_TRUE(keyboard.requests().empty());
}

// The log's disk fills up: the roll-out stops by itself and says why; the
// log holds whole lines only.
struct LogDiskFills : FileCalls {
  int logFd = -1;
  int Open(const char* path, int flags, mode_t mode) override {
    const int fd = FileCalls::Open(path, flags, mode);
    if (fs::path(path).filename() == "log.csv") logFd = fd;
    return fd;
  }
  ssize_t Write(int fd, const void* bytes, std::size_t n) override {
    if (fd == logFd && n < 100) return FileCalls::Write(fd, bytes, n);  // the header
    if (fd != logFd) return FileCalls::Write(fd, bytes, n);
    FileCalls::Write(fd, bytes, n / 2);
    errno = ENOSPC;
    return -1;
  }
};

TEST_F(RolloutTest, ALogThatFillsTheDiskStopsTheRollOut) {
  plugIn("COMA", "A-01", 3);
  LogDiskFills disk;
  useFileCalls(&disk);
  ASSERT_TRUE(start(settings({"COMA"}, 0)));
  ASSERT_TRUE(rollout->WaitFinished(20s)) << "it stops by itself";
  rollout->Stop();
  EXPECT_EQ(rollout->failure(), "cannot write the log " + dir + "/log.csv: write: No space left on device; the roll-out stops");
  EXPECT_TRUE(noted("the roll-out stops"));
  EXPECT_EQ(doneCount(), 1u);
  EXPECT_EQ(testing::readFile(dir + "/log.csv"), std::string(kRolloutLogHeader) + "\r\n");
}

}  // namespace
}  // namespace q4t
