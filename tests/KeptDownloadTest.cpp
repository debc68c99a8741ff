// A Download that keeps the keyboard's table first: nothing reaches the
// keyboard before its table is kept on disk, and a failed read or keep
// writes nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>

#include "link/KeyboardLink.h"
#include "model/KeyTableFile.h"
#include "model/TableDiff.h"
#include "tests/FakeKeyboard.h"
#include "tests/TestTables.h"

namespace q4t {
namespace {

namespace fs = std::filesystem;
using testing::FakeKeyboard;
using testing::FakePort;
using testing::FakeWindow;

constexpr std::time_t kNoon = 1733659200;  // 2024-12-08 12:00:00 UTC

bool isWrite(const std::string& request) { return request.size() > 13 && request.substr(12, 2) == "0A"; }

class KeptDownloadTest : public ::testing::Test, public testing::FakeLinkBench {
 public:
  KeptDownloadTest() : store(fs::path(::testing::TempDir()) / ("kept-" + std::to_string(::getpid()) + "-" + name())) {
    fs::remove_all(store.root());
    setenv("TZ", "UTC0", 1);  // the file names spelled out below are in UTC
    tzset();
    link.setDateSource([] { return std::string("20241208"); });
    // The clock moves on while the preview is up; the written table is
    // named by the time of the table kept before it.
    link.setClock([this] { return kNoon + 10 * ticks++; });
    table.setLabel(0, "Milk");
    connect();
  }

  void connect() {
    keyboard.tamper = nullptr;
    keyboard.silentFor = 0;
    window.tablesNotRead = 0;
    window.keptBefore.clear();
    window.keptWritten.clear();
    link.PortChosen(std::string("COM1"));
    window.Pump(link);
    keyboard.clearRequests();
  }
  ~KeptDownloadTest() override {
    fs::remove_all(store.root());
    unsetenv("TZ");
    tzset();
  }

  static std::string name() { return ::testing::UnitTest::GetInstance()->current_test_info()->name(); }

  void setSerial(const std::string& serial) {
    std::memcpy(&keyboard.memory[area::SerialNumber], serial.data(), std::min(serial.size(), area::SerialNumberBytes));
  }

  int writesSent() const {
    const auto sent = keyboard.requests();
    return static_cast<int>(std::count_if(sent.begin(), sent.end(), isWrite));
  }

  void downloadAfterRead() {
    link.Download();
    window.Pump(link);
  }

  SnapshotStore store;
  int ticks = 0;
};

TEST_F(KeptDownloadTest, TheKeyboardsTableIsKeptBeforeAnyWriteAndTheWrittenOneAfterVerify) {
  setSerial("Q4T/../7\x01");
  for (int round = 1; round <= 2; ++round) {
    keyboard.clearRequests();
    ASSERT_TRUE(link.ReadBeforeDownload(&store, "/tables/cafe.q4t"));
    window.Pump(link);
    EXPECT_EQ(writesSent(), 0) << "nothing is written before the window answers";
    ASSERT_TRUE(window.reading);
    EXPECT_EQ(window.reading->serialNumber, "Q4T/../7\x01");
    ASSERT_EQ(window.keptBefore.size(), static_cast<std::size_t>(round));
    const SavedSnapshot& before = window.keptBefore.back();
    ASSERT_TRUE(before.result) << before.result.reason;
    EXPECT_EQ(before.path.parent_path(), store.folderOf("Q4T/../7\x01"));
    EXPECT_EQ(before.path.parent_path().parent_path(), store.root());
    KeyTable keptBefore;
    ASSERT_TRUE(readKeyTable(before.path.string(), keptBefore));
    EXPECT_TRUE(keyboardHoldsSame(keptBefore, window.reading->table));
    for (int k : {0, 45, 91}) EXPECT_EQ(keptBefore.entry(k).value, round == 1 ? k + 1 : table.entry(k).value);
    EXPECT_EQ(keptBefore.label(0), "") << "the window's labels are not the keyboard's";
    EXPECT_EQ(link.phase(), LinkPhase::Idle);

    downloadAfterRead();
    EXPECT_EQ(window.statuses.back(), "OK: Download and verify successful");
    ASSERT_EQ(window.keptWritten.size(), static_cast<std::size_t>(round));
    const SavedSnapshot& written = window.keptWritten.back();
    ASSERT_TRUE(written.result) << written.result.reason;
    KeyTable keptWritten;
    ASSERT_TRUE(readKeyTable(written.path.string(), keptWritten));
    EXPECT_TRUE(keyboardHoldsSame(keptWritten, table));
    EXPECT_EQ(keptWritten.label(0), "Milk");
    std::ifstream file(written.path);
    std::string firstLine;
    std::getline(file, firstLine);
    EXPECT_EQ(firstLine, "; source file: /tables/cafe.q4t");
  }
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(store.folderOf("Q4T/../7\x01")))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"2024-12-08_120000-before.q4t", "2024-12-08_120000-written.q4t",
                                            "2024-12-08_120010-before.q4t", "2024-12-08_120010-written.q4t"}));
}

TEST_F(KeptDownloadTest, AKeyboardWithoutSerialNumberIsKeptUnderNoSerial) {
  for (const std::uint8_t fill : {0x00, 0xFF}) {
    std::fill_n(&keyboard.memory[area::SerialNumber], area::SerialNumberBytes, fill);
    ASSERT_TRUE(link.ReadBeforeDownload(&store, ""));
    window.Pump(link);
    ASSERT_TRUE(window.keptBefore.back().result);
    EXPECT_EQ(window.keptBefore.back().path.parent_path().filename(), "no-serial") << int(fill);
  }
}

// Each way the keeping can fail: nothing is written, and a Download the user
// starts anyway keeps no written table.
TEST_F(KeptDownloadTest, AReadOrKeepThatFailsWritesNothing) {
  struct Case {
    const char* what;
    std::function<void(KeptDownloadTest&)> spoil;
    bool tableRead;
  };
  const Case cases[] = {
      {"keyboard stops answering during the read",
       [](KeptDownloadTest& t) {
         t.keyboard.tamper = [&t](const Frame& request, std::vector<std::uint8_t>& reply) {
           if (request[4] == 9 && request[5] == (area::KeySizes >> 8)) {
             t.keyboard.silentFor = 1000;
             reply.clear();
           }
         };
       },
       false},
      {"store cannot be written",
       [](KeptDownloadTest& t) {
         fs::create_directories(t.store.root().parent_path());
         std::ofstream(t.store.root()) << "a file where the folder should be";
       },
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    connect();
    c.spoil(*this);
    ASSERT_TRUE(link.ReadBeforeDownload(&store, "/tables/cafe.q4t"));
    for (int second = 0; second < 3; ++second) {
      window.Pump(link);
      if (window.timerRunning) window.ExpireTimer(link);
    }
    window.Pump(link);
    EXPECT_EQ(writesSent(), 0);
    EXPECT_EQ(window.tablesNotRead, c.tableRead ? 0 : 1);
    EXPECT_EQ(window.keptBefore.size(), c.tableRead ? 1u : 0u);
    if (c.tableRead) {
      EXPECT_FALSE(window.keptBefore[0].result);
      EXPECT_NE(window.keptBefore[0].result.reason, "");
      downloadAfterRead();
      EXPECT_EQ(window.statuses.back(), "OK: Download and verify successful");
      EXPECT_TRUE(window.keptWritten.empty());
    } else {
      EXPECT_FALSE(fs::exists(store.root()));
    }
  }
}

// Cancel in the preview: the link stays connected and idle, and a later
// Download that did not keep first keeps no written table either.
TEST_F(KeptDownloadTest, ACancelledDownloadLeavesTheLinkIdleAndKeepsNothingWrittenLater) {
  ASSERT_TRUE(link.ReadBeforeDownload(&store, ""));
  window.Pump(link);
  ASSERT_EQ(window.keptBefore.size(), 1u);
  EXPECT_EQ(link.phase(), LinkPhase::Idle);
  EXPECT_TRUE(link.downloadEnabled() && link.uploadEnabled() && link.portEnabled());
  EXPECT_EQ(writesSent(), 0);
  link.Upload();
  window.Pump(link);
  downloadAfterRead();
  EXPECT_EQ(window.statuses.back(), "OK: Download and verify successful");
  EXPECT_TRUE(window.keptWritten.empty());
}

TEST_F(KeptDownloadTest, ADryRunReadsAndKeepsNothing) {
  ASSERT_TRUE(link.ReadBeforeDownload(nullptr, ""));
  window.Pump(link);
  ASSERT_TRUE(window.reading);
  EXPECT_FALSE(window.keptBefore.at(0).result);
  EXPECT_FALSE(fs::exists(store.root()));
  downloadAfterRead();
  EXPECT_TRUE(window.keptWritten.empty());
}

}  // namespace
}  // namespace q4t
