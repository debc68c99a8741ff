#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <functional>
#include <set>
#include <tuple>
#include <memory>
#include <thread>

#include "link/KeyboardLink.h"
#include "tests/FakeKeyboard.h"
#include "tests/TestTables.h"

namespace q4t {
namespace {

using testing::FakeKeyboard;
using testing::FakePort;
using testing::FakeTcoView;
using testing::FakeWindow;

// A request frame as hex, its length and checksum filled in.
std::string request(std::vector<std::uint8_t> body) {
  body.insert(body.begin(), {kFrameStart, static_cast<std::uint8_t>(body.size() + 3)});
  body.push_back(Checksum(body.data(), body.size() + 1));
  return testing::hex(body);
}

std::string connect(std::uint8_t u) { return request({u, 1, 3, 1}); }
std::string mode(std::uint8_t u, std::uint8_t m) { return request({u, 1, 1, m}); }
std::string read(std::uint8_t tagNumber, std::uint16_t address, std::uint8_t bytes) {
  return request({9, tagNumber, 9, static_cast<std::uint8_t>(address >> 8),
                  static_cast<std::uint8_t>(address), bytes});
}
// The first eight bytes of a write: start, length, unit, tag, command, address, first data byte.
std::string writeHead(std::uint8_t length, std::uint8_t tagNumber, std::uint16_t address, std::uint8_t first) {
  return testing::hex(std::vector<std::uint8_t>{2, length, 9, tagNumber, 10, static_cast<std::uint8_t>(address >> 8),
                                                static_cast<std::uint8_t>(address), first});
}

std::string head(const std::string& frame) { return frame.substr(0, 8 * 3 - 1); }

std::vector<std::string> modeSequence(std::uint8_t m) { return {mode(1, m), mode(2, m), mode(3, m)}; }

std::vector<std::string> concat(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

class KeyboardLinkTest : public ::testing::Test, public testing::FakeLinkBench {
 protected:
  KeyboardLinkTest() {
    link.setDateSource([] { return std::string("20261207"); });
    window.replyUnread = [this] {
      return std::any_of(ports.begin(), ports.end(), [](const auto& port) { return port->HasUnread(); });
    };
  }

  void Connect() {
    link.PortChosen(std::string("COM1"));
    window.Pump(link);
    ASSERT_EQ(link.phase(), LinkPhase::Idle);
    keyboard.clearRequests();
    window.statuses.clear();
  }

  // An Upload in lockstep from a keyboard whose key k holds 2k, the answer to
  // the first value block held back in the port until released.
  void UploadWithTheFirstAnswerHeld() {
    Connect();
    for (int k = 0; k < kKeyCount; ++k)
      keyboard.memory[area::KeyValues + 2u * k + 1] = static_cast<std::uint8_t>(k * 2);
    keyboard.tamper = [this](const Frame& sent, std::vector<std::uint8_t>&) {
      if (sent[4] == command::ReadMemory && !firstAnswerHeld_) keyboard.holdReplies = firstAnswerHeld_ = true;
    };
    window.lockstep = true;
    link.Upload();
  }

  // Requests cut to their first eight bytes, so writes compare by their head.
  std::vector<std::string> heads() const {
    std::vector<std::string> cut;
    for (const std::string& text : keyboard.requests()) cut.push_back(text.substr(0, 8 * 3 - 1));
    return cut;
  }

  void ExpectFlags(bool download, bool upload, bool port, bool readTco) {
    EXPECT_EQ(link.downloadEnabled(), download);
    EXPECT_EQ(link.uploadEnabled(), upload);
    EXPECT_EQ(link.portEnabled(), port);
    EXPECT_EQ(link.readTcoEnabled(), readTco);
  }

  bool firstAnswerHeld_ = false;
};

TEST_F(KeyboardLinkTest, ConnectRunsThroughAllUnitsAndEndsIdle) {
  ExpectFlags(false, false, true, false);
  link.PortChosen(std::string(""));  // an empty choice links through COM1
  window.Pump(link);
  EXPECT_EQ(shared.comPortName, "COM1");
  EXPECT_EQ(ports.at(0)->openedPorts, std::vector<int>{1});
  EXPECT_EQ(keyboard.requests().front(), "02 07 09 01 03 01 E9");
  EXPECT_EQ(keyboard.requests(),
            concat({{connect(9), connect(1), connect(2), connect(3)}, modeSequence(1)}));
  EXPECT_EQ(window.statuses, std::vector<std::string>(4, "OK: Keyboard connected"));
  EXPECT_EQ(link.phase(), LinkPhase::Idle);
  EXPECT_FALSE(window.timerRunning);
  ExpectFlags(true, true, true, false);
  EXPECT_EQ(window.changedMarkRestores, 1);
}

TEST_F(KeyboardLinkTest, SilentKeyboardIsAskedThreeTimesThenTheLinkIsAborted) {
  keyboard.silentFor = 1000;
  link.PortChosen(std::string("COM1"));
  for (int second = 0; second < 3; ++second) {
    window.Pump(link);
    window.ExpireTimer(link);
  }
  EXPECT_EQ(keyboard.requests(), std::vector<std::string>(3, connect(9)));
  EXPECT_EQ(window.statuses, (std::vector<std::string>{"ERROR: Transfer Timeout", "ERROR: COM port"}));
  EXPECT_EQ(shared.port, nullptr);
  EXPECT_FALSE(ports.at(0)->IsOpen());
  EXPECT_FALSE(window.timerRunning);
  ExpectFlags(true, true, true, false);

  // Without a port nothing is written; the time-outs end the transfer quietly.
  link.Download();
  for (int second = 0; second < 3; ++second) window.ExpireTimer(link);
  EXPECT_EQ(keyboard.requests().size(), 3u);
  EXPECT_EQ(window.statuses.back(), "ERROR: Transfer Timeout");
}

TEST_F(KeyboardLinkTest, ThreeErrorRepliesAbortTheTransfer) {
  Connect();
  keyboard.errorStatus = 128;
  keyboard.errorCount = 3;
  link.Upload();
  window.Pump(link);
  EXPECT_EQ(keyboard.requests(), std::vector<std::string>(3, mode(1, 0)));
  EXPECT_EQ(window.statuses, (std::vector<std::string>{"ERROR: Transfer aborted", "ERROR: COM port"}));
  EXPECT_EQ(link.retryCount(), 0);
}

TEST_F(KeyboardLinkTest, TimeOutsAndErrorRepliesCountTogether) {
  Connect();
  keyboard.silentFor = 1;
  keyboard.errorStatus = 110;
  keyboard.errorCount = 1;
  link.Upload();
  window.Pump(link);
  window.ExpireTimer(link);  // second sending gets the error reply
  window.Pump(link);         // third sending gets an answer
  EXPECT_EQ(link.phase(), LinkPhase::Idle);
  EXPECT_EQ(window.statuses.back(), "OK: Upload successful");
}

TEST_F(KeyboardLinkTest, AConnectAnswerAfterATimeOutStartsTheCountAgain) {
  keyboard.silentFor = 1;
  link.PortChosen(std::string("COM1"));
  window.Pump(link);
  window.ExpireTimer(link);
  window.Pump(link);
  EXPECT_EQ(link.phase(), LinkPhase::Idle);
  EXPECT_EQ(link.retryCount(), 0);
}

TEST_F(KeyboardLinkTest, DamagedGreetingsAreAskedForThreeTimesThenTheLinkIsAborted) {
  int damaged = 0;
  keyboard.tamper = [&damaged](const Frame&, std::vector<std::uint8_t>& reply) {
    if (damaged < 5) {
      ++damaged;
      reply.back() ^= 1;  // wrong checksum
    }
  };
  link.PortChosen(std::string("COM1"));
  window.Pump(link);
  EXPECT_EQ(keyboard.requests(), std::vector<std::string>(3, connect(9)));
  EXPECT_EQ(window.statuses, (std::vector<std::string>{"ERROR: Transfer aborted", "ERROR: COM port"}));
  EXPECT_EQ(shared.port, nullptr);
}

// Unit 1's status 35 counts as its answer to a mode request; elsewhere a busy
// answer refuses the request, which is asked again like after an error reply.
TEST_F(KeyboardLinkTest, ABusyUnitIsAskedAgainAndABusyUnitForEverEndsTheTransfer) {
  Connect();
  keyboard.busyUnits = {1};
  bool refusedOnce = false;
  keyboard.tamper = [&refusedOnce](const Frame& sent, std::vector<std::uint8_t>& reply) {
    if (sent[2] != unit::Details || refusedOnce) return;
    refusedOnce = true;
    reply = {kFrameStart, 6, unit::Details, sent[3], status::Busy, 0};
    reply.back() = Checksum(reply.data(), reply.size());
  };
  FakeTcoView view;
  link.ReadTco(&view);
  window.Pump(link);
  EXPECT_TRUE(refusedOnce);
  EXPECT_EQ(view.deviceDetails, keyboard.details);
  EXPECT_EQ(view.countersShown, 1);
  EXPECT_EQ(link.phase(), LinkPhase::Idle);
  ExpectFlags(true, true, true, true);

  keyboard.clearRequests();
  keyboard.busyUnits = {0};
  link.ReadTco(&view);
  window.Pump(link);
  const auto sent = keyboard.requests();
  ASSERT_EQ(sent.size(), 3u + 3u + 3u);
  EXPECT_EQ(std::vector<std::string>(sent.end() - 3, sent.end()), std::vector<std::string>(3, "02 06 00 04 07 ED"));
  EXPECT_EQ(window.statuses, (std::vector<std::string>{"ERROR: Transfer aborted", "ERROR: COM port"}));
  EXPECT_FALSE(window.timerRunning);
  ExpectFlags(true, true, true, false);
}

// The main unit refuses the greeting at every try, busy or with an error
// status (a known error code or another): it is asked three times, the link
// ends at once and the keyboard is never reported connected.
TEST_F(KeyboardLinkTest, AGreetingRefusedAtEveryTryNeverReportsTheKeyboardConnected) {
  for (const std::uint8_t refusal : {status::Busy, std::uint8_t{128}, std::uint8_t{1}}) {
    SCOPED_TRACE(refusal);
    keyboard.clearRequests();
    window.statuses.clear();
    const bool busy = refusal == status::Busy;
    keyboard.busyUnits = busy ? std::set<int>{unit::Memory} : std::set<int>{};
    keyboard.errorStatus = refusal;
    keyboard.errorCount = busy ? 0 : 3;
    link.PortChosen(std::string("COM1"));
    window.Pump(link);
    EXPECT_EQ(keyboard.requests(), std::vector<std::string>(3, connect(9)));
    EXPECT_EQ(window.statuses, (std::vector<std::string>{"ERROR: Transfer aborted", "ERROR: COM port"}));
    EXPECT_EQ(link.phase(), LinkPhase::Unlinked);
    EXPECT_FALSE(window.timerRunning);
  }
}

// A main unit that greeted, then answers busy to every try of a block ends
// the transfer at once rather than through the time-outs.
TEST_F(KeyboardLinkTest, AMainUnitBusyAtEveryTryAbortsTheTransfer) {
  for (const bool download : {true, false}) {
    SCOPED_TRACE(download ? "download" : "upload");
    keyboard.busyUnits.clear();
    Connect();
    keyboard.busyUnits = {unit::Memory};
    if (download) {
      ASSERT_TRUE(link.Download());
    } else {
      link.Upload();
    }
    window.Pump(link);
    const auto sent = keyboard.requests();
    ASSERT_EQ(sent.size(), 3u + 3u);
    EXPECT_EQ(std::vector<std::string>(sent.end() - 3, sent.end()), std::vector<std::string>(3, sent.back()));
    EXPECT_EQ(window.statuses, (std::vector<std::string>{"ERROR: Transfer aborted", "ERROR: COM port"}));
    EXPECT_FALSE(window.timerRunning);
  }
}

TEST_F(KeyboardLinkTest, UploadReadsValuesSizesCountersAndOwners) {
  Connect();
  for (int k = 0; k < kKeyCount; ++k) keyboard.memory[area::KeyValues + 2u * k + 1] = static_cast<std::uint8_t>(90 - k % 50);
  keyboard.memory[area::KeySizes] = 0x02;  // key 0 double right, key 1 covered
  keyboard.memory[area::KeySizes + 45] = 0xFF;
  keyboard.memory[area::TcoOwners] = 5;
  table.setValue(7, 33);
  link.Upload();
  window.Pump(link);
  EXPECT_EQ(keyboard.requests(),
            concat({modeSequence(0),
                    {read(2, 0x0C0A, 46), read(2, 0x0C38, 46), read(2, 0x0C66, 46), read(2, 0x0C94, 46),
                     read(2, 0x0CC2, 46), read(3, 0x0EA0, 46), read(3, 0x0EB7, 46),
                     "02 07 09 05 07 99 49", read(5, 0x0E06, 24)},
                    modeSequence(1)}));
  EXPECT_EQ(window.statuses, std::vector<std::string>{"OK: Upload successful"});
  EXPECT_TRUE(window.modified);
  EXPECT_EQ(window.relayouts, 1);
  for (int k = 0; k < kKeyCount; ++k) EXPECT_EQ(table.entry(k).value, 90 - k % 50) << k;
  EXPECT_EQ(table.entry(7).changed, 0);
  EXPECT_EQ(table.entry(7).previousValue, 83);
  EXPECT_EQ(table.entry(0).size, KeySize::DoubleRight);
  EXPECT_EQ(table.entry(1).size, KeySize::Covered);
  EXPECT_EQ(table.entry(90).size, KeySize::Single);
  EXPECT_EQ(table.entry(91).size, KeySize::Single);
  EXPECT_EQ(table.entry(5).counter, 6);
  EXPECT_EQ(table.countersInUse(), 1);
  EXPECT_EQ(table.counters()[29].count, 1029);
  ExpectFlags(true, true, true, true);
}

// Key 10 arrives with another value, 20 merged over 21, 0 as it was: only 0
// keeps its label, and the window's labels are not sent or read.
TEST_F(KeyboardLinkTest, UploadKeepsLabelsOnlyOnKeysTheKeyboardHoldsAsTheWindowDid) {
  Connect();
  for (int k : {0, 10, 20, 21}) table.setLabel(k, "key " + std::to_string(k));
  keyboard.memory[area::KeyValues + 2u * 10 + 1] = 99;
  keyboard.memory[area::KeySizes + 10] = 0x02;  // key 20 double right, key 21 covered
  link.Upload();
  window.Pump(link);
  EXPECT_EQ(window.statuses, std::vector<std::string>{"OK: Upload successful"});
  EXPECT_EQ(table.entry(10).value, 99);
  EXPECT_EQ(table.label(0), "key 0");
  for (int k : {10, 20, 21}) EXPECT_EQ(table.label(k), "") << k;
}

TEST_F(KeyboardLinkTest, UploadOfAnUnsetSizeAreaGivesSingleKeys) {
  Connect();
  table.mergeQuadruple(18);
  for (std::size_t j = 0; j < area::KeySizeBytes; ++j) keyboard.memory[area::KeySizes + j] = 0xFF;
  link.Upload();
  window.Pump(link);
  for (int k = 0; k < kKeyCount; ++k) EXPECT_EQ(table.entry(k).size, KeySize::Single) << k;
}

TEST_F(KeyboardLinkTest, DownloadWritesVerifiesAndDatesTheTable) {
  Connect();
  table.mergeRight(3);
  table.mergeQuadruple(36);
  table.counterOn(36, KeyPosition::BottomRight, 9);
  table.setValue(50, 77);
  link.Download();
  window.Pump(link);
  EXPECT_EQ(heads(),
            concat({modeSequence(0),
                    {writeHead(54, 1, 0x0C0A, 0), writeHead(54, 1, 0x0C38, 0), writeHead(54, 1, 0x0C66, 0),
                     writeHead(54, 1, 0x0C94, 0), writeHead(31, 1, 0x0EA0, 0x11), writeHead(31, 1, 0x0EB7, 0x11),
                     head(read(2, 0x0C0A, 46)), head(read(2, 0x0C38, 46)), head(read(2, 0x0C66, 46)),
                     head(read(2, 0x0C94, 46)), head(read(2, 0x0CC2, 46)), head(read(3, 0x0EA0, 46)),
                     head(read(3, 0x0EB7, 46)), writeHead(32, 8, 0x0E06, 144), writeHead(16, 6, 0x0E68, '2')},
                    modeSequence(1)}));
  EXPECT_EQ(window.statuses, std::vector<std::string>{"OK: Download and verify successful"});
  EXPECT_FALSE(window.modified);
  for (int k = 0; k < kKeyCount; ++k)
    EXPECT_EQ(keyboard.memory[area::KeyValues + 2u * k + 1], table.entry(k).value) << k;
  EXPECT_EQ(keyboard.memory[area::KeySizes + 1], 0x02 << 4 | 0x01);  // keys 2 and 3
  EXPECT_EQ(keyboard.memory[area::KeySizes + 2], 0x01 << 4 | 0x00);  // key 4 covered, key 5 single
  EXPECT_EQ(keyboard.memory[area::TcoOwners + 3], 19);                // counter 9 on key 19
  EXPECT_EQ(std::string(keyboard.memory.begin() + area::ProgrammingDate,
                        keyboard.memory.begin() + area::ProgrammingDate + 8), "20261207");
  ExpectFlags(true, true, true, true);
  EXPECT_EQ(link.phase(), LinkPhase::Idle);
}

TEST_F(KeyboardLinkTest, VerifyFailureInTheThirdBlockStopsTheDownload) {
  Connect();
  keyboard.tamper = [](const Frame& sent, std::vector<std::uint8_t>& reply) {
    if (sent[4] != command::ReadMemory || sent[5] != 0x0C || sent[6] != 0x66) return;
    reply[5 + 2 * 4 + 1] ^= 0x40;  // key 50 reads back differently
    reply.back() = 0;
    reply.back() = Checksum(reply.data(), reply.size());
  };
  link.Download();
  window.Pump(link);
  const auto sent = heads();
  ASSERT_GE(sent.size(), 12u);
  EXPECT_EQ(sent.back(), head(read(2, 0x0C66, 46)));
  EXPECT_EQ(sent.size(), 3u + 6u + 3u);
  EXPECT_EQ(window.statuses, (std::vector<std::string>{"ERROR: Verify failed", "ERROR: COM port"}));
  ExpectFlags(true, true, true, false);
}

// A value or size the keyboard cannot hold would be written as something
// else (a missing value -1 as 0xFF, size 17 as 1): nothing is written at all.
TEST_F(KeyboardLinkTest, ATableTheKeyboardCannotHoldIsNeverDownloaded) {
  Connect();
  const KeyTable holdable = table;
  for (const auto& [key, size, value] : {std::tuple{10, 1, -1}, {20, 17, 21}, {30, 1, 300}}) {
    LoadedKey loaded;
    loaded.size = size;
    loaded.value = value;
    table = holdable;
    table.loadEntry(key, loaded);
    EXPECT_FALSE(link.Download()) << key;
    window.Pump(link);
    EXPECT_TRUE(keyboard.requests().empty()) << key;
    EXPECT_EQ(link.phase(), LinkPhase::Idle);
    EXPECT_FALSE(window.timerRunning);
    ExpectFlags(true, true, true, false);
  }
  EXPECT_TRUE(window.statuses.empty());
}

// Both nibbles of every size byte are compared: byte 22 packs key 44 (low
// nibble) and key 45 (high nibble); either read back as double right fails.
TEST_F(KeyboardLinkTest, ASizeReadBackDifferentlyFailsTheVerify) {
  for (const auto& [key, readBack] : {std::pair{44, 0x12}, std::pair{45, 0x21}}) {
    SCOPED_TRACE(key);
    Connect();
    keyboard.tamper = [readBack = readBack](const Frame& sent, std::vector<std::uint8_t>& reply) {
      if (sent[4] != command::ReadMemory || sent[5] != 0x0E || sent[6] != 0xA0) return;
      reply[5 + 22] = static_cast<std::uint8_t>(readBack);
      reply.back() = 0;
      reply.back() = Checksum(reply.data(), reply.size());
    };
    ASSERT_TRUE(link.Download());
    window.Pump(link);
    EXPECT_EQ(window.statuses, (std::vector<std::string>{"ERROR: Verify failed", "ERROR: COM port"}));
    EXPECT_EQ(table.entry(key).size, KeySize::Single);
    keyboard.tamper = nullptr;
  }
}

// The keyboard stops answering after the verify: at the owner table, at the
// date, or at the last unit's ModeEnd. A Download that did not end is never
// reported successful; the OK comes once the keyboard has left transfer mode.
TEST_F(KeyboardLinkTest, TheDownloadIsReportedSuccessfulOnlyOnceItHasEnded) {
  const std::pair<const char*, std::function<bool(const Frame&)>> silentAfter[] = {
      {"owner table", [](const Frame& sent) { return sent[4] == command::ReadMemory && sent[6] == 0xB7; }},
      {"date", [](const Frame& sent) { return sent[3] == tag::OwnerWrite; }},
      {"last ModeEnd", [](const Frame& sent) { return sent[2] == unit::Mode2 && sent[5] == 1; }},
  };
  for (const auto& [step, before] : silentAfter) {
    SCOPED_TRACE(step);
    Connect();
    keyboard.tamper = [this, before = before](const Frame& sent, std::vector<std::uint8_t>&) {
      if (before(sent)) keyboard.silentFor = 1000;
    };
    ASSERT_TRUE(link.Download());
    window.Pump(link);
    for (int second = 0; second < 3; ++second) window.ExpireTimer(link);
    EXPECT_EQ(window.statuses, (std::vector<std::string>{"ERROR: Transfer Timeout", "ERROR: COM port"}));
    keyboard.silentFor = 0;
    keyboard.tamper = nullptr;
    link.PortChosen(std::string("COM1"));  // nothing of the failed download comes back with the next link
    window.Pump(link);
    EXPECT_EQ(window.statuses.back(), "OK: Keyboard connected");
  }
  Connect();
  ASSERT_TRUE(link.Download());
  window.Pump(link);
  EXPECT_EQ(window.statuses, std::vector<std::string>{"OK: Download and verify successful"});
  EXPECT_EQ(keyboard.requests().back(), mode(3, 1));
  EXPECT_EQ(link.phase(), LinkPhase::Idle);
}

TEST_F(KeyboardLinkTest, ReadTcoFillsTheViewPieceByPiece) {
  Connect();
  const std::string serial = "SN-4711";
  std::copy(serial.begin(), serial.end(), keyboard.memory.begin() + area::SerialNumber);
  std::fill(keyboard.memory.begin() + area::SerialNumber + 8, keyboard.memory.begin() + area::SerialNumber + 32, 0xFF);
  const std::string dates = "2019010220261101";
  std::copy(dates.begin(), dates.end(), keyboard.memory.begin() + area::ManufactureDate);
  keyboard.memory[area::LicenseFlag] = 1;
  keyboard.memory[area::TcoOwners + 23] = 91;
  FakeTcoView view;
  link.ReadTco(&view);
  window.Pump(link);
  EXPECT_EQ(keyboard.requests(),
            concat({modeSequence(0),
                    {read(2, 0x0E40, 32), read(2, 0x0E60, 8), read(2, 0x0E68, 8), "02 06 00 04 07 ED",
                     read(2, 0x0E90, 2), "02 07 09 05 07 99 49", read(5, 0x0E06, 24)},
                    modeSequence(1)}));
  EXPECT_EQ(view.serialNumber, serial);
  EXPECT_EQ(view.manufactureDate, "20190102");
  EXPECT_EQ(view.programmingDate, "20261101");
  EXPECT_EQ(view.deviceDetails, keyboard.details);
  EXPECT_EQ(view.license, 1);
  EXPECT_EQ(view.countersShown, 1);
  EXPECT_EQ(view.counters[29].ownerKey, 91);
  EXPECT_EQ(view.counters[3].count, 1003);
  EXPECT_EQ(table.entry(91).counter, 29);
  EXPECT_EQ(shared.tcoOwnerForm, &window);
  EXPECT_EQ(link.transferKind(), TransferKind::ReadTco);
  ExpectFlags(true, true, true, true);
}

TEST_F(KeyboardLinkTest, UnsetInformationLeavesTheViewAsItWas) {
  Connect();
  std::fill(keyboard.memory.begin() + area::SerialNumber, keyboard.memory.begin() + area::LicenseFlag + 1, 0xFF);
  keyboard.details = std::string(20, '\xFF');
  FakeTcoView view;
  link.ReadTco(&view);
  window.Pump(link);
  EXPECT_EQ(view.serialNumber, "-");
  EXPECT_EQ(view.manufactureDate, "-");
  EXPECT_EQ(view.programmingDate, "-");
  EXPECT_EQ(view.deviceDetails, "-");
  EXPECT_EQ(view.license, -1);
  EXPECT_EQ(view.countersShown, 1);
}

TEST_F(KeyboardLinkTest, LicenceChangeWritesTheFlagOnceTheConnectIsAnswered) {
  Connect();
  FakeTcoView view;
  link.ReadTco(&view);
  window.Pump(link);
  keyboard.clearRequests();
  window.statuses.clear();
  window.PostToWindow({{LinkEvent::CaliforniaLicenseChanged, 1, 0}, Frame{}, 0, 0});
  window.Pump(link);
  EXPECT_EQ(keyboard.requests(),
            concat({{connect(9), request({9, 1, 10, 0x0E, 0x90, 1})},
                    {request({9, 6, 10, 0x0E, 0x68, '2', '0', '2', '6', '1', '2', '0', '7'})},
                    modeSequence(1)}));
  EXPECT_EQ(window.statuses,
            (std::vector<std::string>{"OK: Keyboard connected", "OK: California driver license changed"}));
  EXPECT_EQ(keyboard.memory[area::LicenseFlag], 1);
  EXPECT_EQ(link.phase(), LinkPhase::Idle);
  EXPECT_FALSE(window.timerRunning);
}

TEST_F(KeyboardLinkTest, ARefusedLicenceWriteIsNotReportedAsChanged) {
  Connect();
  FakeTcoView view;
  link.ReadTco(&view);
  window.Pump(link);
  window.statuses.clear();
  keyboard.tamper = [](const Frame& sent, std::vector<std::uint8_t>& reply) {
    if (sent[4] != command::WriteMemory || sent[6] != 0x90) return;
    reply[4] = 128;
    reply.back() = 0;
    reply.back() = Checksum(reply.data(), reply.size());
  };
  window.PostToWindow({{LinkEvent::CaliforniaLicenseChanged, 1, 0}, Frame{}, 0, 0});
  window.Pump(link);
  EXPECT_EQ(window.statuses,
            (std::vector<std::string>{"OK: Keyboard connected", "ERROR: Transfer aborted", "ERROR: COM port"}));
}

TEST_F(KeyboardLinkTest, LicenceChangeWithoutATcoViewDoesNothing) {
  Connect();
  window.PostToWindow({{LinkEvent::CaliforniaLicenseChanged, 0, 0}, Frame{}, 0, 0});
  window.Pump(link);
  EXPECT_TRUE(keyboard.requests().empty());
  EXPECT_TRUE(window.statuses.empty());
}

TEST_F(KeyboardLinkTest, AForgottenTcoViewGetsNothingMore) {
  Connect();
  FakeTcoView view;
  link.ReadTco(&view);
  link.ForgetTcoView(&view);
  window.Pump(link);
  EXPECT_EQ(view.serialNumber, "-");
  EXPECT_EQ(view.countersShown, 0);
  window.PostToWindow({{LinkEvent::CaliforniaLicenseChanged, 1, 0}, Frame{}, 0, 0});
  keyboard.clearRequests();
  window.Pump(link);
  EXPECT_TRUE(keyboard.requests().empty());
}

TEST_F(KeyboardLinkTest, ShortOrDamagedRepliesAreRepeatedNeverTaken) {
  Connect();
  int damaged = 0;
  keyboard.tamper = [&damaged](const Frame& sent, std::vector<std::uint8_t>& reply) {
    const bool counterQuery = sent[4] == command::Query && sent[2] == unit::Memory;
    const bool firstValues = sent[4] == command::ReadMemory && sent[6] == 0x0A;
    if (firstValues && damaged < 2) {
      ++damaged;
      reply.back() ^= 1;  // wrong checksum
    } else if (counterQuery && damaged >= 2 && damaged < 4) {  // cut to 100 bytes, checksum mended
      ++damaged;
      reply.resize(100);
      reply[1] = 100;
      reply.back() = 0;
      reply.back() = Checksum(reply.data(), reply.size());
    }
  };
  link.Upload();
  window.Pump(link);
  EXPECT_EQ(window.statuses, std::vector<std::string>{"OK: Upload successful"});
  EXPECT_EQ(damaged, 4);
  EXPECT_EQ(table.counters()[0].count, 1000);
  EXPECT_EQ(link.phase(), LinkPhase::Idle);
}

TEST_F(KeyboardLinkTest, ChoosingAnotherPortShutsTheOldLinkFirst) {
  Connect();
  link.PortChosen(std::string("COM3"));
  window.Pump(link);
  EXPECT_EQ(window.statuses.front(), "ERROR: COM port");
  EXPECT_EQ(window.statuses.back(), "OK: Keyboard connected");
  ASSERT_EQ(ports.size(), 2u);
  EXPECT_EQ(ports[1]->openedPorts, std::vector<int>{3});
  EXPECT_EQ(shared.comPortName, "COM3");

  window.statuses.clear();
  link.PortChosen(std::string("COMX"));
  EXPECT_EQ(window.statuses,
            (std::vector<std::string>{"ERROR: COM port", "ERROR: Open COM Port", "ERROR: Connect to keyboard"}));
  EXPECT_EQ(shared.port, nullptr);
  link.PortChosen(std::nullopt);  // cancelled: no connect
  EXPECT_EQ(ports.size(), 3u);
  EXPECT_EQ(window.changedMarkRestores, 4);
}

TEST_F(KeyboardLinkTest, RepliesGoOnlyToTheWindowThatAskedLast) {
  Connect();
  FakeWindow otherWindow;
  KeyTable otherTable = testing::gridTable();
  KeyboardLink other(otherWindow, otherTable, shared);
  ASSERT_TRUE(other.Initialise());  // the port is open: this window links too
  otherWindow.Pump(other);
  window.Pump(link);
  EXPECT_EQ(other.phase(), LinkPhase::Idle);
  EXPECT_EQ(otherWindow.statuses, std::vector<std::string>(4, "OK: Keyboard connected"));
  EXPECT_TRUE(window.statuses.empty());

  link.Upload();
  window.Pump(link);
  otherWindow.Pump(other);
  EXPECT_EQ(window.statuses, std::vector<std::string>{"OK: Upload successful"});
  EXPECT_EQ(otherWindow.statuses.size(), 4u);
}

// Value blocks share their tag, so only the moment a reply arrived tells
// which request it answers. In lockstep the window sends the next request
// while the receive thread still holds what came before it; with paired
// replies the second copy always reaches the window before the first is
// handled; free, either may happen.
TEST_F(KeyboardLinkTest, ASecondCopyOfAReplyIsNeverTakenAgainOrForTheNextRequest) {
  Connect();
  for (int k = 0; k < kKeyCount; ++k) keyboard.memory[area::KeyValues + 2u * k + 1] = static_cast<std::uint8_t>(200 - k);
  keyboard.memory[area::KeySizes] = 0x02;
  keyboard.doubleReplies = true;
  enum class Window { Lockstep, Paired, Free };
  for (const Window mode : {Window::Lockstep, Window::Paired, Window::Free}) {
    const bool lockstep = mode == Window::Lockstep;
    SCOPED_TRACE(static_cast<int>(mode));
    window.lockstep = lockstep;
    window.pairedReplies = mode == Window::Paired;
    keyboard.clearRequests();
    window.statuses.clear();
    link.Upload();
    window.Pump(link);
    EXPECT_EQ(window.statuses, std::vector<std::string>{"OK: Upload successful"});
    for (int k = 0; k < kKeyCount; ++k) EXPECT_EQ(table.entry(k).value, 200 - k) << k;
    EXPECT_EQ(table.entry(0).size, KeySize::DoubleRight);
    EXPECT_EQ(keyboard.requests().size(), 3u + 7u + 2u + 3u);  // nothing asked twice or skipped

    table.setValue(30, lockstep ? 9 : 10);
    link.Download();
    window.Pump(link);
    EXPECT_EQ(window.statuses.back(), "OK: Download and verify successful");
    EXPECT_EQ(keyboard.memory[area::KeyValues + 61], lockstep ? 9 : 10);
    EXPECT_EQ(keyboard.requests().size(), 15u + 3u + 4u + 2u + 7u + 2u + 3u);
    EXPECT_EQ(link.phase(), LinkPhase::Idle);
    table.setValue(30, 200 - 30);
    keyboard.memory[area::KeyValues + 61] = 200 - 30;
  }
}

TEST_F(KeyboardLinkTest, ALateAnswerIsNotTakenForTheRepeatOrTheNextRequest) {
  UploadWithTheFirstAnswerHeld();
  window.Pump(link);  // the first value block is not answered in time
  ports.at(0)->ReleaseHeld();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the receive thread takes it
  window.ExpireTimer(link);                                    // before the request goes out again
  window.Pump(link);
  EXPECT_EQ(window.statuses, std::vector<std::string>{"OK: Upload successful"});
  for (int k = 0; k < kKeyCount; ++k) EXPECT_EQ(table.entry(k).value, k * 2) << k;
}

TEST_F(KeyboardLinkTest, AVanishedDeviceIsReportedOnceAndCostsNoProcessorTime) {
  Connect();
  keyboard.silentFor = 1000;
  link.Upload();
  ports.at(0)->HangUp();
  window.Pump(link);
  EXPECT_EQ(window.deviceLosses, 1);
  const std::clock_t before = std::clock();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_LT(std::clock() - before, CLOCKS_PER_SEC / 20);
  for (int second = 0; second < 3; ++second) window.ExpireTimer(link);
  EXPECT_EQ(window.statuses, (std::vector<std::string>{"ERROR: Transfer Timeout", "ERROR: COM port"}));
}

// The keyboard's answer to the owner table read comes with the hang-up: the
// table that arrived whole is taken; what follows ends through the time-outs.
TEST_F(KeyboardLinkTest, AReplyThatArrivesWithTheHangUpIsStillTaken) {
  Connect();
  for (int k = 0; k < kKeyCount; ++k) keyboard.memory[area::KeyValues + 2u * k + 1] = static_cast<std::uint8_t>(200 - k);
  keyboard.tamper = [this](const Frame& sent, std::vector<std::uint8_t>&) {
    if (sent[4] == command::ReadMemory && sent[3] == tag::Counters) keyboard.lastReply = true;
  };
  link.Upload();
  window.Pump(link);
  for (int second = 0; second < 3; ++second) window.ExpireTimer(link);
  EXPECT_EQ(window.deviceLosses, 1);
  EXPECT_EQ(window.statuses,
            (std::vector<std::string>{"OK: Upload successful", "ERROR: Transfer Timeout", "ERROR: COM port"}));
  EXPECT_EQ(table.entry(7).value, 193);
}

TEST_F(KeyboardLinkTest, RepliesOfAStoppedReceiverAreDropped) {
  Connect();
  link.Upload();
  window.Pump(link);
  EXPECT_EQ(window.statuses, std::vector<std::string>{"OK: Upload successful"});
  link.StopReceiving();
  EXPECT_EQ(window.tcoCloses, 1);
  window.PostToWindow({{LinkEvent::Connected, 3, 9}, Frame{}, 1, 0});
  keyboard.clearRequests();
  window.Pump(link);
  EXPECT_TRUE(keyboard.requests().empty());
}

void expectSameTable(const KeyTable& a, const KeyTable& b) {
  for (int k = 0; k < kKeyCount; ++k) {
    const KeyEntry &x = a.entry(k), &y = b.entry(k);
    EXPECT_EQ(std::tuple(x.value, x.previousValue, x.changed, x.size, x.counter),
              std::tuple(y.value, y.previousValue, y.changed, y.size, y.counter)) << k;
  }
  EXPECT_EQ(a.countersInUse(), b.countersInUse());
}

// The keyboard goes silent in the middle of the values and at the very last
// read (the owners): the window's table, texts and modified mark stay.
TEST_F(KeyboardLinkTest, AFailedUploadLeavesTheWindowsTableAsItWas) {
  Connect();
  for (int k = 0; k < kKeyCount; ++k) keyboard.memory[area::KeyValues + 2u * k + 1] = static_cast<std::uint8_t>(200 - k);
  keyboard.memory[area::KeySizes] = 0x02;
  keyboard.memory[area::TcoOwners] = 5;
  table.setValue(7, 33);
  table.counterOn(60, KeyPosition::TopLeft, 12);
  const KeyTable before = table;
  // Silent from the request after the third value block, and after the counter readings.
  for (const bool lastRead : {false, true}) {
    SCOPED_TRACE(lastRead ? "owners" : "values");
    keyboard.tamper = [this, lastRead](const Frame& sent, std::vector<std::uint8_t>&) {
      const bool thirdValues = sent[4] == command::ReadMemory && sent[5] == 0x0C && sent[6] == 0x66;
      const bool counters = sent[4] == command::Query && sent[2] == unit::Memory;
      if (lastRead ? counters : thirdValues) keyboard.silentFor = 1000;
    };
    link.Upload();
    window.Pump(link);
    for (int second = 0; second < 3; ++second) window.ExpireTimer(link);
    EXPECT_EQ(window.statuses, (std::vector<std::string>{"ERROR: Transfer Timeout", "ERROR: COM port"}));
    expectSameTable(table, before);
    EXPECT_FALSE(window.modified);
    EXPECT_EQ(window.keyTextRefreshes, 0);
    EXPECT_EQ(window.relayouts, 0);
    keyboard.silentFor = 0;
    keyboard.tamper = nullptr;
    Connect();
  }
  link.Upload();  // the same keyboard answering: the whole table arrives
  window.Pump(link);
  EXPECT_EQ(window.statuses, std::vector<std::string>{"OK: Upload successful"});
  EXPECT_EQ(table.entry(7).value, 193);
  EXPECT_EQ(table.entry(5).counter, 6);
  EXPECT_FALSE(table.isCounterOn(60));
  EXPECT_TRUE(window.modified);
}

TEST_F(KeyboardLinkTest, AnIdleLinkWhoseDeviceHangsUpEndsAndTheNextConnectOpensAnew) {
  Connect();
  ports.at(0)->HangUp();
  window.Pump(link);
  EXPECT_EQ(window.deviceLosses, 1);
  EXPECT_EQ(window.statuses, std::vector<std::string>{"ERROR: COM port"});
  EXPECT_EQ(shared.port, nullptr);
  EXPECT_FALSE(ports.at(0)->IsOpen());
  EXPECT_EQ(link.phase(), LinkPhase::Unlinked);
  ExpectFlags(true, true, true, false);
  link.PortChosen(std::string("COM1"));
  window.Pump(link);
  EXPECT_EQ(ports.size(), 2u);
  EXPECT_EQ(link.phase(), LinkPhase::Idle);
}

// The keyboard stops answering during a download; the window goes.
TEST_F(KeyboardLinkTest, LeavingDuringATransferEndsTransferModeOnTheUnitsThatAnswer) {
  Connect();
  link.LeaveTransfer();  // idle: nothing to end
  EXPECT_TRUE(keyboard.requests().empty());
  keyboard.tamper = [this](const Frame& sent, std::vector<std::uint8_t>&) {
    if (sent[4] == command::WriteMemory && sent[6] == 0x38) keyboard.silentFor = 1;
  };
  ASSERT_TRUE(link.Download());
  window.Pump(link);
  ASSERT_TRUE(link.transferRunning());
  keyboard.tamper = nullptr;
  keyboard.busyUnits = {2};  // unit 2 answers busy, which is an answer too
  keyboard.clearRequests();
  link.LeaveTransfer();
  EXPECT_EQ(keyboard.requests(), modeSequence(1));
  EXPECT_FALSE(link.transferRunning());
  EXPECT_FALSE(window.timerRunning);
  EXPECT_EQ(window.tcoCloses, 1);
  window.Pump(link);  // nothing the stopped receive thread left carries on
  EXPECT_EQ(keyboard.requests().size(), 3u);

  // A keyboard that is gone costs at most a moment per unit.
  Connect();
  keyboard.silentFor = 1000;
  link.Upload();
  ports.at(0)->HangUp();
  const auto start = std::chrono::steady_clock::now();
  link.LeaveTransfer();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_FALSE(link.transferRunning());
}

// A frame that lay unread in the port when the window went (unit 1's late
// answer to ModeBegin) is no answer to the ModeEnd that follows: when only
// noise comes back, unit 1 is given its moment before unit 2 is asked.
TEST_F(KeyboardLinkTest, AFrameWaitingInThePortIsNotTakenForTheAnswerToModeEnd) {
  Connect();
  keyboard.holdReplies = 1;
  link.Upload();
  window.Pump(link);
  ASSERT_TRUE(link.transferRunning());
  shared.lastSender = nullptr;  // the receive thread takes nothing more
  ports.at(0)->ReleaseHeld();
  std::chrono::steady_clock::time_point unit2Asked;
  keyboard.tamper = [&unit2Asked](const Frame& sent, std::vector<std::uint8_t>& reply) {
    if (sent[2] == unit::Mode1) reply = {0x55};  // a byte of noise instead of unit 1's answer
    if (sent[2] == unit::Mode2) unit2Asked = std::chrono::steady_clock::now();
  };
  const auto start = std::chrono::steady_clock::now();
  link.LeaveTransfer();
  EXPECT_EQ(keyboard.requests(), concat({{mode(1, 0)}, modeSequence(1)}));
  EXPECT_GE(unit2Asked - start, std::chrono::milliseconds(250));
}

// A reply of unit 9 whose tag is not the request's (here the late answer to a
// value read, tag 2, while Connect waits) is not taken: the timer repeats.
TEST_F(KeyboardLinkTest, AReplyWithAnotherTagIsNotTakenAsTheAnswer) {
  keyboard.tamper = [](const Frame& sent, std::vector<std::uint8_t>& reply) {
    if (sent[4] != command::Connect) return;
    reply[3] = 2;
    reply.back() = 0;
    reply.back() = Checksum(reply.data(), reply.size());
  };
  link.PortChosen(std::string("COM1"));
  window.Pump(link);
  EXPECT_EQ(keyboard.requests(), std::vector<std::string>{connect(9)});
  EXPECT_TRUE(window.timerRunning);
  EXPECT_TRUE(window.statuses.empty());
  keyboard.tamper = nullptr;
  window.ExpireTimer(link);
  window.Pump(link);
  EXPECT_EQ(link.phase(), LinkPhase::Idle);
}

// The answer is queued when the link aborts: the stopped receive thread's
// event may not carry the aborted transfer on.
TEST_F(KeyboardLinkTest, AnAnswerQueuedBeforeAnAbortDoesNotCarryTheTransferOn) {
  Connect();
  link.Upload();
  ASSERT_TRUE(window.WaitForPost(std::chrono::seconds(2)));
  link.Abort();
  window.statuses.clear();
  window.Pump(link);
  EXPECT_EQ(keyboard.requests(), std::vector<std::string>{mode(1, 0)});
  EXPECT_FALSE(window.timerRunning);
  EXPECT_TRUE(window.statuses.empty());
  EXPECT_EQ(link.phase(), LinkPhase::Unlinked);
}

// The late answer to the first value block arrives while the window is busy
// with the repeat's answer, so it lies unread in the port when the second
// block is asked for: it must be thrown away, not taken for the second block.
TEST_F(KeyboardLinkTest, BytesWaitingInThePortBeforeARequestAreNeverItsAnswer) {
  UploadWithTheFirstAnswerHeld();
  window.Pump(link);         // the first value block is not answered in time
  window.ExpireTimer(link);  // its repeat is answered; the receive thread waits for the window
  ASSERT_TRUE(window.WaitForPost(std::chrono::seconds(2)));
  ports.at(0)->ReleaseHeld();
  window.Pump(link);
  EXPECT_EQ(window.statuses, std::vector<std::string>{"OK: Upload successful"});
  for (int k = 0; k < kKeyCount; ++k) EXPECT_EQ(table.entry(k).value, k * 2) << k;
}

// Unit 0's answer is recognised by its tag alone; one that answers a value
// read fits no step of any read and is asked again, never left waiting.
TEST_F(KeyboardLinkTest, AnAnswerThatFitsNoStepIsAskedAgain) {
  Connect();
  bool misrouted = false;
  keyboard.tamper = [&misrouted](const Frame& sent, std::vector<std::uint8_t>& reply) {
    if (sent[4] != command::ReadMemory || misrouted) return;
    misrouted = true;
    reply[2] = unit::Details;
    reply[3] = 4;
    reply.back() = 0;
    reply.back() = Checksum(reply.data(), reply.size());
  };
  link.Upload();
  window.Pump(link);
  EXPECT_TRUE(misrouted);
  EXPECT_EQ(window.statuses, std::vector<std::string>{"OK: Upload successful"});
  EXPECT_EQ(link.phase(), LinkPhase::Idle);
}

}  // namespace
}  // namespace q4t
