// The CSV both the roll-out log and the counter readings are written in, the
// table's fingerprint, and the log file: whole lines only, appended, refused
// before a roll-out starts when it cannot be written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

#include "link/Rollout.h"
#include "model/CounterSheet.h"
#include "model/CsvText.h"
#include "model/FileCalls.h"
#include "model/RolloutLog.h"
#include "model/Sha256.h"
#include "tests/TestTables.h"

namespace q4t {
namespace {

namespace fs = std::filesystem;
using testing::readFile;
using testing::writeFile;

TEST(CsvText, QuotesOnlyFieldsThatNeedItAndDoublesTheirQuotes) {
  const std::pair<std::string, std::string> cases[] = {
      {"Q4T-0001234", "Q4T-0001234"},
      {"", ""},
      {"SN 1,2", "\"SN 1,2\""},
      {"say \"7\"", "\"say \"\"7\"\"\""},
      {"two\r\nlines", "\"two\r\nlines\""},
      {"line\nfeed", "\"line\nfeed\""},
      {" spaced ", " spaced "},
  };
  for (const auto& [text, field] : cases) EXPECT_EQ(csvField(text), field) << text;
  EXPECT_EQ(csvRecord({"a", "b,c", ""}), "a,\"b,c\",\r\n");
  EXPECT_EQ(keyboardTextUtf8("Caf\xE9\x01"), "Caf\xC3\xA9\x01") << "each byte a Latin-1 character";
}

TEST(Sha256, KnownDigests) {
  const auto bytesOf = [](const std::string& text) { return std::vector<std::uint8_t>(text.begin(), text.end()); };
  EXPECT_EQ(sha256Hex({}), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(sha256Hex(bytesOf("abc")), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(sha256Hex(bytesOf("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(sha256Hex(std::vector<std::uint8_t>(1000, 'a')),
            "41edece42d63e8d9bf515a9ba6932e1c20cbc9f5a5d134645adb5db1b9737ea3");
}

TEST(RolloutLogRecord, TimeWithOffsetAndSerialNumbersQuotedAsNeeded) {
  const char* const oldZone = std::getenv("TZ");
  const std::string kept = oldZone ? oldZone : "";
  setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
  tzset();
  const std::time_t noonUtc = 1733659200;  // 2024-12-08 12:00 UTC
  EXPECT_EQ(isoLocalTime(noonUtc), "2024-12-08T13:00:00+01:00");
  EXPECT_EQ(isoLocalTime(noonUtc - 120 * 86400), "2024-08-10T14:00:00+02:00");
  const RolloutEntry entry{noonUtc, "COM1", "SN 1,\"x\"\xE9", "/t/a b.q4t", "ab12", "ERROR: Verify failed", 1.74,
                           "/k/SN 1,x/before.q4t"};
  EXPECT_EQ(rolloutLogRecord(entry),
            "2024-12-08T13:00:00+01:00,COM1,\"SN 1,\"\"x\"\"\xC3\xA9\",/t/a b.q4t,ab12,ERROR: Verify failed,1.74,"
            "\"/k/SN 1,x/before.q4t\"\r\n");
  if (oldZone) setenv("TZ", kept.c_str(), 1); else unsetenv("TZ");
  tzset();
}

TEST(DownloadedBytes, ValuesSizesAndOwnersAsTheKeyboardHoldsThem) {
  KeyTable table = testing::gridTable();
  const std::vector<std::uint8_t> bytes = downloadedBytes(table);
  ASSERT_EQ(bytes.size(), 184u + 46u + 24u);
  EXPECT_EQ(bytes[0], 0x00);
  EXPECT_EQ(bytes[1], 1);
  EXPECT_EQ(bytes[183], 92);
  EXPECT_EQ(bytes[184], 0x11);
  EXPECT_EQ(bytes[184 + 46], 144) << "counter 6 is free";
  // Each part changes the fingerprint.
  const std::string before = sha256Hex(bytes);
  KeyTable valued = table;
  valued.setValue(91, 7);
  KeyTable counted = table;
  counted.counterOn(3, KeyPosition::TopLeft, 29);
  EXPECT_NE(sha256Hex(downloadedBytes(valued)), before);
  EXPECT_NE(sha256Hex(downloadedBytes(counted)), before);
  EXPECT_EQ(downloadedBytes(counted).back(), 3);
}

TEST(CounterSheet, SerialDatesThenOneRowPerCounterWithTheLabelOfItsKey) {
  CounterReadings readings{"Q4T,\"9\"", "20230115", "20241208", {}};
  for (int n = 0; n < kCounterSlotCount; ++n) readings.counters[static_cast<std::size_t>(n)] = {n * 10, kFreeSlot};
  readings.counters[6].ownerKey = 5;
  readings.counters[7].ownerKey = 40;
  KeyTable labels = testing::gridTable();
  labels.setLabel(5, "Milk, hot");
  const std::string csv = counterCsv(readings, &labels);
  const std::string head =
      "serial number,\"Q4T,\"\"9\"\"\"\r\ndate of manufacture,20230115\r\ndate of programming,20241208\r\n"
      "counter,key location,label,reading\r\n0,All keys,,0\r\n1,Minutes,,10\r\n2,MSR good read,,20\r\n"
      "3,MSR bad read,,30\r\n4,Keylock changes,,40\r\n5,MSR total read,,50\r\n6,5,\"Milk, hot\",60\r\n7,40,,70\r\n"
      "8,not used,,80\r\n";
  EXPECT_EQ(csv.substr(0, head.size()), head);
  const std::string tail = "\r\n29,not used,,290\r\n";
  EXPECT_EQ(csv.substr(csv.size() - tail.size()), tail);
  EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 4 + kCounterSlotCount);
  EXPECT_EQ(counterCsv(readings).find("Milk"), std::string::npos) << "no table, no labels";
}

class RolloutLogFile : public ::testing::Test {
 protected:
  ~RolloutLogFile() override { useFileCalls(nullptr); }
  std::string dir = testing::freshDirectory("rollout-log");
  std::string path = dir + "/log.csv";
  RolloutEntry entry{1733659200, "COM2", "Q4T-7", "/t.q4t", "00ff", "OK: Download and verify successful", 2.0, ""};
  const std::string header = std::string(kRolloutLogHeader) + "\r\n";
};

TEST_F(RolloutLogFile, ANewLogGetsTheHeaderAndAnOldOneIsOnlyAddedTo) {
  {
    RolloutLog log;
    ASSERT_TRUE(log.open(path));
    ASSERT_TRUE(log.append(entry));
  }
  const std::string firstRun = readFile(path);
  EXPECT_EQ(firstRun, header + rolloutLogRecord(entry));
  RolloutLog again;
  ASSERT_TRUE(again.open(path));
  entry.serialNumber = "Q4T-8";
  ASSERT_TRUE(again.append(entry));
  EXPECT_EQ(readFile(path), firstRun + rolloutLogRecord(entry));
}

TEST_F(RolloutLogFile, WhatCannotTakeTheLogIsRefusedAtOpen) {
  writeFile(dir + "/table.q4t", "[0]\nVALUE=1\n");
  ASSERT_EQ(mkfifo((dir + "/fifo").c_str(), 0600), 0);
  RolloutLog other;
  ASSERT_TRUE(other.open(dir + "/busy.csv"));
  const std::pair<std::string, std::string> cases[] = {
      {dir, "not a regular file"},
      {dir + "/fifo", "not a regular file"},
      {dir + "/table.q4t", "not a roll-out log (its first line is not the header)"},
      {dir + "/busy.csv", "another roll-out writes to it"},
      {dir + "/missing/log.csv", "cannot open: No such file or directory"},
  };
  for (const auto& [target, reason] : cases) {
    RolloutLog log;
    const FileResult opened = log.open(target);
    EXPECT_FALSE(opened) << target;
    EXPECT_EQ(opened.reason, reason) << target;
  }
  EXPECT_EQ(readFile(dir + "/table.q4t"), "[0]\nVALUE=1\n") << "left as it was";
}

// The disk fills in the middle of a line: what was written of it is cut off again.
struct FullDisk : FileCalls {
  std::size_t room = 0;
  ssize_t Write(int fd, const void* bytes, std::size_t n) override {
    if (room == 0) {
      errno = ENOSPC;
      return -1;
    }
    const std::size_t now = std::min(n, room);
    room -= now;
    return FileCalls::Write(fd, bytes, now);
  }
};

// A line the disk does not confirm is no line of the log.
struct FailingSync : FileCalls {
  int Sync(int) override {
    errno = EIO;
    return -1;
  }
};

// A line the disk cannot take whole, or does not confirm, is no line of the
// log: what was written of it is cut off again, and the next line goes on.
TEST_F(RolloutLogFile, ALineTheDiskCannotTakeOrConfirmLeavesNothingHalfWritten) {
  FullDisk fullDisk;
  fullDisk.room = 20;
  FailingSync failingSync;
  const std::pair<FileCalls*, std::string> cases[] = {{&fullDisk, "write: No space left on device"},
                                                      {&failingSync, "sync: Input/output error"}};
  RolloutLog log;
  ASSERT_TRUE(log.open(path));
  for (const auto& [disk, reason] : cases) {
    const std::string whole = readFile(path);
    useFileCalls(disk);
    const FileResult failed = log.append(entry);
    useFileCalls(nullptr);
    EXPECT_FALSE(failed);
    EXPECT_EQ(failed.reason, reason);
    EXPECT_EQ(readFile(path), whole);
    ASSERT_TRUE(log.append(entry)) << "room again";
    EXPECT_EQ(readFile(path), whole + rolloutLogRecord(entry));
  }
}

}  // namespace
}  // namespace q4t
