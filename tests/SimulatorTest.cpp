#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include "sim/ProgramOptions.h"
#include "sim/StateFile.h"
#include "sim/VirtualKeyboard.h"

namespace q4t::sim {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

Bytes Request(std::uint8_t unitNumber, std::uint8_t tagNumber, std::uint8_t commandCode,
              const Bytes& payload = {}) {
  Bytes frame{kFrameStart, 0, unitNumber, tagNumber, commandCode};
  frame.insert(frame.end(), payload.begin(), payload.end());
  frame.push_back(0);
  frame[1] = static_cast<std::uint8_t>(frame.size());
  frame.back() = Checksum(frame.data(), frame.size());
  return frame;
}

Bytes ReadRequest(std::uint16_t address, std::uint8_t count, std::uint8_t tagNumber = 2) {
  return Request(unit::Memory, tagNumber, command::ReadMemory,
                 {static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address), count});
}

Bytes WriteRequest(std::uint16_t address, const Bytes& data, std::uint8_t tagNumber = 1) {
  Bytes payload{static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address)};
  payload.insert(payload.end(), data.begin(), data.end());
  return Request(unit::Memory, tagNumber, command::WriteMemory, payload);
}

int ByteSum(const Bytes& bytes) { return std::accumulate(bytes.begin(), bytes.end(), 0) % 256; }

// A fresh directory, removed with everything in it at the end of the test.
class TemporaryDirectory {
 public:
  TemporaryDirectory() : path_(::testing::TempDir() + "q4t-sim-XXXXXX") {
    EXPECT_NE(mkdtemp(path_.data()), nullptr);
  }
  ~TemporaryDirectory() { std::filesystem::remove_all(path_); }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

bool Exists(const std::string& path) {
  struct stat status {};
  return lstat(path.c_str(), &status) == 0;
}

// The tool's end of the line, opened the way a serial port is opened.
class LineEnd {
 public:
  explicit LineEnd(const std::string& path, bool configure = true) {
    fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd_ >= 0 && configure) setLine(B9600, 0);
  }
  ~LineEnd() {
    if (fd_ >= 0) close(fd_);
  }
  bool isOpen() const { return fd_ >= 0; }

  void setLine(speed_t speed, tcflag_t extraFlags) {
    termios attributes{};
    tcgetattr(fd_, &attributes);
    cfmakeraw(&attributes);
    cfsetspeed(&attributes, speed);
    attributes.c_cflag &= ~static_cast<tcflag_t>(CSTOPB);
    attributes.c_cflag |= extraFlags;
    tcsetattr(fd_, TCSANOW, &attributes);
  }

  void send(const Bytes& bytes) { ASSERT_EQ(write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size())); }

  // Whatever arrives until the line has been quiet for the given time.
  Bytes readUntilQuiet(std::chrono::milliseconds quiet = 40ms) {
    Bytes bytes;
    while (readSome(bytes, quiet)) {
    }
    return bytes;
  }

  // One frame as its length byte says, or what came within a second.
  Bytes readFrame() {
    Bytes bytes;
    const auto deadline = Clock::now() + 1s;
    while ((bytes.size() < 2 || bytes.size() < bytes[1]) && Clock::now() < deadline) readSome(bytes, 100ms);
    return bytes;
  }

  bool readSome(Bytes& bytes, std::chrono::milliseconds wait) {
    pollfd readable{fd_, POLLIN, 0};
    if (poll(&readable, 1, static_cast<int>(wait.count())) <= 0) return false;
    std::uint8_t buffer[512];
    const ssize_t count = read(fd_, buffer, sizeof buffer);
    if (count <= 0) return false;
    bytes.insert(bytes.end(), buffer, buffer + count);
    return true;
  }

 private:
  int fd_ = -1;
};

class VirtualKeyboardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    linkPath_ = directory_ / "COM1";
    ASSERT_TRUE(keyboard_.start(linkPath_)) << keyboard_.lastError();
    line_ = std::make_unique<LineEnd>(linkPath_);
    ASSERT_TRUE(line_->isOpen());
  }

  // Sends the request and returns the reply frame.
  Bytes exchange(const Bytes& request) {
    line_->send(request);
    return line_->readFrame();
  }

  // Sends the request and returns every byte that comes back once it has been handled.
  Bytes everythingAfter(const Bytes& request) {
    const std::size_t before = keyboard_.requests().size();
    line_->send(request);
    EXPECT_TRUE(keyboard_.waitForRequests(before + 1, 2s));
    return line_->readUntilQuiet();
  }

  void setFaults(const std::function<void(Faults&)>& change) {
    Faults faults;
    change(faults);
    keyboard_.setFaults(faults);
  }

  TemporaryDirectory directory_;
  std::string linkPath_;
  VirtualKeyboard keyboard_;
  std::unique_ptr<LineEnd> line_;
};

const Bytes kConnectUnit9 = {0x02, 0x07, 0x09, 0x01, 0x03, 0x01, 0xE9};
const Bytes kConnectReply9 = {0x02, 0x06, 0x09, 0x01, 0x00, 0xEE};

TEST_F(VirtualKeyboardTest, LinkPointsAtThePseudoTerminalUntilStop) {
  char target[256] = {};
  ASSERT_GT(readlink(linkPath_.c_str(), target, sizeof target - 1), 0);
  EXPECT_EQ(std::string(target), keyboard_.deviceName());
  line_.reset();
  keyboard_.stop();
  EXPECT_FALSE(Exists(linkPath_));
}

TEST(VirtualKeyboardLink, ReplacesAStaleLinkButNoOtherFile) {
  const TemporaryDirectory directory;
  const std::string stale = directory / "COM1", plain = directory / "COM2";
  ASSERT_EQ(symlink("/dev/does-not-exist", stale.c_str()), 0);
  std::ofstream(plain) << "not a link";

  VirtualKeyboard first, second;
  ASSERT_TRUE(first.start(stale)) << first.lastError();
  LineEnd line(stale);
  EXPECT_EQ(line.readUntilQuiet(20ms), Bytes());  // nothing unasked
  line.send(kConnectUnit9);
  EXPECT_EQ(line.readFrame(), kConnectReply9);

  EXPECT_FALSE(second.start(plain));
  EXPECT_NE(second.lastError().find("not a symbolic link"), std::string::npos);
  std::ifstream kept(plain);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "not a link");

  // The live link of a running keyboard is no stale one; once it stops, it is.
  EXPECT_FALSE(second.start(stale));
  EXPECT_NE(second.lastError().find("running"), std::string::npos);
  line.send(kConnectUnit9);
  EXPECT_EQ(line.readFrame(), kConnectReply9);
  first.stop();
  EXPECT_TRUE(second.start(stale)) << second.lastError();
}

TEST_F(VirtualKeyboardTest, ConnectAndTransferModeOnEveryControlUnitGetAnEmptyReply) {
  EXPECT_EQ(exchange(kConnectUnit9), kConnectReply9);
  for (std::uint8_t unitNumber : {1, 2, 3, 9}) {
    for (const Bytes& request : {Request(unitNumber, 7, command::Connect, {0x01}),
                                 Request(unitNumber, 1, command::TransferMode, {0x00}),
                                 Request(unitNumber, 1, command::TransferMode, {0x01})}) {
      const Bytes reply = exchange(request);
      ASSERT_EQ(reply.size(), 6u);
      EXPECT_EQ(reply[2], unitNumber);
      EXPECT_EQ(reply[3], request[3]);
      EXPECT_EQ(reply[4], status::Ok);
      EXPECT_EQ(ByteSum(reply), 0);
    }
  }
}

TEST_F(VirtualKeyboardTest, ReadMemoryRepliesWithTheRequestedBytes) {
  const Bytes reply = exchange({0x02, 0x09, 0x09, 0x02, 0x09, 0x0C, 0x0A, 0x2E, 0x9D});
  ASSERT_EQ(reply.size(), 6u + 46u);
  EXPECT_EQ(reply[3], 2);
  EXPECT_EQ(ByteSum(reply), 0);
  for (int key = 0; key < 23; ++key) {
    EXPECT_EQ(reply[5 + 2 * key], 0x00);
    EXPECT_EQ(reply[6 + 2 * key], key + 1);
  }
  const Bytes sizes = exchange(ReadRequest(area::KeySizes, 46, 3));
  ASSERT_EQ(sizes.size(), 52u);
  EXPECT_EQ(Bytes(sizes.begin() + 5, sizes.end() - 1), Bytes(46, 0x11));
  const Bytes owners = exchange(ReadRequest(area::TcoOwners, 24, 5));
  ASSERT_EQ(owners.size(), 30u);
  EXPECT_EQ(owners[5], 5);   // counter 6
  EXPECT_EQ(owners[6], 40);  // counter 7
  EXPECT_EQ(owners[7], 144);
}

TEST_F(VirtualKeyboardTest, WriteMemoryStoresTheDataAndRepliesWithoutData) {
  const Bytes date = {'2', '0', '2', '4', '0', '3', '0', '9'};
  const Bytes reply = exchange(WriteRequest(area::ProgrammingDate, date, 6));
  EXPECT_EQ(reply, (Bytes{0x02, 0x06, 0x09, 0x06, 0x00, 0xE9}));
  EXPECT_EQ(keyboard_.state().programmingDate(), "20240309");

  exchange(WriteRequest(area::KeyValues + 2 * 50, {0x00, 0xAB, 0x00, 0xCD}));
  EXPECT_EQ(keyboard_.state().keyValue(50), 0xAB);
  EXPECT_EQ(keyboard_.state().keyValue(51), 0xCD);
  const Bytes readBack = exchange(ReadRequest(area::KeyValues + 2 * 50, 4));
  EXPECT_EQ(Bytes(readBack.begin() + 5, readBack.end() - 1), (Bytes{0x00, 0xAB, 0x00, 0xCD}));
}

TEST_F(VirtualKeyboardTest, QueriesReturnCountersAndDeviceDetails) {
  keyboard_.editState([](KeyboardState& state) { state.setCounter(29, 0xFEDCBA98u); });
  const Bytes counters = exchange({0x02, 0x07, 0x09, 0x05, 0x07, 0x99, 0x49});
  ASSERT_EQ(counters.size(), kCounterReplyBytes);
  EXPECT_EQ(counters[3], 5);
  EXPECT_EQ(counters[5], 0x00);
  EXPECT_EQ(Bytes(counters.begin() + 6, counters.begin() + 10), (Bytes{0x01, 0x02, 0x03, 0x04}));
  EXPECT_EQ(Bytes(counters.begin() + 10, counters.begin() + 14), (Bytes{0x00, 0x00, 0x03, 0xEF}));  // 1007
  EXPECT_EQ(Bytes(counters.begin() + 122, counters.begin() + 126), (Bytes{0xFE, 0xDC, 0xBA, 0x98}));
  EXPECT_EQ(ByteSum(counters), 0);

  const Bytes details = exchange({0x02, 0x06, 0x00, 0x04, 0x07, 0xED});
  ASSERT_GT(details.size(), 6u);
  EXPECT_EQ(details[2], unit::Details);
  EXPECT_EQ(details[3], tag::DeviceQuery);
  const std::string text(details.begin() + 5, details.end() - 1);
  EXPECT_EQ(text, keyboard_.state().deviceDetails());
  EXPECT_NE(text.find("\r\n"), std::string::npos);
  EXPECT_EQ(ByteSum(details), 0);
}

TEST_F(VirtualKeyboardTest, RequestsItDoesNotUnderstandGetNoAnswerButAreLogged) {
  Bytes badChecksum = kConnectUnit9;
  badChecksum.back() ^= 0x01;
  const std::vector<Bytes> refused = {
      badChecksum,
      Request(5, 1, command::Connect, {0x01}),                   // no such unit
      Request(unit::Memory, 1, 2, {0x01}),                       // no such command
      Request(unit::Mode1, 2, command::ReadMemory, {0x0C, 0x0A, 0x2E}),
      Request(unit::Details, 5, command::Query, {0x99}),
      Request(unit::Memory, 5, command::Query, {0x98}),
      Request(unit::Memory, 1, command::TransferMode, {0x02}),
      ReadRequest(0xFFF0, 32),                                   // beyond the image
      ReadRequest(area::KeyValues, 250),                         // reply longer than a frame
      WriteRequest(0xFFFF, {0x01, 0x02}),
  };
  for (const Bytes& request : refused) EXPECT_EQ(everythingAfter(request), Bytes()) << ::testing::PrintToString(request);
  EXPECT_EQ(keyboard_.state().byteAt(0xFFFF), 0xFF);
  EXPECT_EQ(keyboard_.requests(), refused);
  EXPECT_EQ(exchange(kConnectUnit9), kConnectReply9);
}

TEST_F(VirtualKeyboardTest, RequestsAreTakenWholeHoweverTheyArrive) {
  Bytes two = kConnectUnit9;
  const Bytes mode = Request(unit::Mode2, 1, command::TransferMode, {0x00});
  two.insert(two.end(), mode.begin(), mode.end());
  line_->send(two);
  ASSERT_TRUE(keyboard_.waitForRequests(2, 2s));
  Bytes expected = kConnectReply9;
  const Bytes modeReply = {0x02, 0x06, 0x02, 0x01, 0x00, 0xF5};
  expected.insert(expected.end(), modeReply.begin(), modeReply.end());
  EXPECT_EQ(line_->readUntilQuiet(), expected);

  line_->send(Bytes(kConnectUnit9.begin(), kConnectUnit9.begin() + 3));
  EXPECT_EQ(line_->readUntilQuiet(), Bytes());
  line_->send(Bytes(kConnectUnit9.begin() + 3, kConnectUnit9.end()));
  EXPECT_EQ(line_->readFrame(), kConnectReply9);
  // The keyboard logs a request only after writing its reply, so the reply
  // can be read before the log holds it.
  ASSERT_TRUE(keyboard_.waitForRequests(3, 2s));
  const std::vector<Bytes> requests = keyboard_.requests();
  EXPECT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests.back(), kConnectUnit9);
}

TEST_F(VirtualKeyboardTest, SilenceLastsForItsCountOrForEver) {
  setFaults([](Faults& f) { f.silentCount = 2; });
  EXPECT_EQ(everythingAfter(kConnectUnit9), Bytes());
  EXPECT_EQ(everythingAfter(kConnectUnit9), Bytes());
  EXPECT_EQ(keyboard_.faults().silentCount, 0);
  EXPECT_EQ(exchange(kConnectUnit9), kConnectReply9);

  setFaults([](Faults& f) { f.silentAlways = true; });
  for (int i = 0; i < 3; ++i) EXPECT_EQ(everythingAfter(kConnectUnit9), Bytes());
}

TEST_F(VirtualKeyboardTest, ErrorStatusRepliesDoNotCarryTheRequestOut) {
  setFaults([](Faults& f) {
    f.errorStatus = 128;
    f.errorCount = 2;
  });
  const Bytes write = WriteRequest(area::LicenseFlag, {0x01});
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(exchange(write), (Bytes{0x02, 0x06, 0x09, 0x01, 128, 0x6E}));
    EXPECT_EQ(keyboard_.state().license(), 0x00);
  }
  EXPECT_EQ(exchange(write)[4], status::Ok);
  EXPECT_EQ(keyboard_.state().license(), 0x01);
}

TEST_F(VirtualKeyboardTest, BusyUnitsAnswerWithStatus35) {
  setFaults([](Faults& f) { f.busyUnits = {1, 0}; });
  EXPECT_EQ(exchange(Request(unit::Mode1, 1, command::TransferMode, {0x00})),
            (Bytes{0x02, 0x06, 0x01, 0x01, 35, 0xD3}));
  const Bytes details = exchange(Request(unit::Details, 4, command::Query));
  EXPECT_EQ(details.size(), 6u);
  EXPECT_EQ(details[4], status::Busy);
  EXPECT_EQ(exchange(Request(unit::Mode2, 1, command::TransferMode, {0x00}))[4], status::Ok);
  EXPECT_EQ(exchange(kConnectUnit9), kConnectReply9);
}

TEST_F(VirtualKeyboardTest, DamagedRepliesAreDamagedAsToldAndOnlyAsOftenAsTold) {
  setFaults([](Faults& f) { f.badChecksumCount = 1; });
  const Bytes bad = exchange(kConnectUnit9);
  ASSERT_EQ(bad.size(), 6u);
  EXPECT_NE(ByteSum(bad), 0);
  EXPECT_EQ(Bytes(bad.begin(), bad.end() - 1), Bytes(kConnectReply9.begin(), kConnectReply9.end() - 1));
  EXPECT_EQ(exchange(kConnectUnit9), kConnectReply9);

  setFaults([](Faults& f) { f.strayByteCount = 1; });
  Bytes stray{kStrayByte};
  stray.insert(stray.end(), kConnectReply9.begin(), kConnectReply9.end());
  EXPECT_EQ(everythingAfter(kConnectUnit9), stray);
  EXPECT_EQ(everythingAfter(kConnectUnit9), kConnectReply9);

  setFaults([](Faults& f) { f.doubleReplies = true; });
  Bytes twice = kConnectReply9;
  twice.insert(twice.end(), kConnectReply9.begin(), kConnectReply9.end());
  EXPECT_EQ(everythingAfter(kConnectUnit9), twice);
}

TEST_F(VirtualKeyboardTest, SplitRepliesComeInPiecesWithPausesBetween) {
  setFaults([](Faults& f) { f.splitReplies = true; });
  const Bytes request = ReadRequest(area::KeyValues, 46);
  line_->send(request);
  Bytes reply;
  ASSERT_TRUE(line_->readSome(reply, 1000ms));
  const auto firstPiece = Clock::now();
  EXPECT_LT(reply.size(), 52u);
  while (reply.size() < 52u && line_->readSome(reply, 500ms)) {
  }
  EXPECT_GE(Clock::now() - firstPiece, kSplitPause);
  line_->send(request);
  EXPECT_EQ(reply, line_->readFrame());  // the same bytes as a second, whole reading
}

TEST_F(VirtualKeyboardTest, CorruptedReadBackChangesOnlyTheChosenKeysValue) {
  setFaults([](Faults& f) { f.corruptReadBackKey = 30; });
  const Bytes block = exchange(ReadRequest(area::KeyValues + 46, 46));  // keys 23..45
  ASSERT_EQ(block.size(), 52u);
  EXPECT_EQ(ByteSum(block), 0);
  for (int key = 23; key < 46; ++key) {
    EXPECT_EQ(block[6 + 2 * (key - 23)], key == 30 ? 32 : key + 1) << key;
  }
  EXPECT_EQ(keyboard_.state().keyValue(30), 31);
  const Bytes first = exchange(ReadRequest(area::KeyValues, 46));
  EXPECT_EQ(first[6 + 2 * 22], 23);
}

TEST_F(VirtualKeyboardTest, PacingTakesTheTimeOfA9600BaudLine) {
  setFaults([](Faults& f) { f.pace = true; });
  const auto sent = Clock::now();
  const Bytes reply = exchange(ReadRequest(area::KeyValues, 10));  // 9 bytes out, 16 back
  const auto elapsed = Clock::now() - sent;
  EXPECT_EQ(reply.size(), 16u);
  EXPECT_GE(elapsed, kLineByteTime * 25 * 9 / 10);
  EXPECT_LT(elapsed, 1s);
}

TEST_F(VirtualKeyboardTest, LineSettingsShowWhatTheToolApplied) {
  LineSettings settings = keyboard_.currentLineSettings();
  EXPECT_TRUE(settings.matchesKeyboard()) << settings.describe();
  EXPECT_EQ(settings.describe(), "9600 8N1 raw");

  line_->setLine(B19200, CSTOPB);
  settings = keyboard_.currentLineSettings();
  EXPECT_FALSE(settings.matchesKeyboard());
  EXPECT_EQ(settings.describe(), "19200 8N2 raw");

  line_->setLine(B9600, 0);
  EXPECT_TRUE(keyboard_.currentLineSettings().matchesKeyboard());
}

// A pseudo-terminal always keeps 8 data bits without parity, so these are
// only seen in termios that did not pass through one.
TEST(VirtualKeyboardLineSettings, DataBitsAndParityAreReadFromTermios) {
  termios attributes{};
  cfmakeraw(&attributes);
  cfsetspeed(&attributes, B9600);
  attributes.c_cflag = (attributes.c_cflag & ~static_cast<tcflag_t>(CSIZE)) | CS7 | PARENB | PARODD;
  LineSettings settings = LineSettingsFromTermios(attributes);
  EXPECT_EQ(settings.describe(), "9600 7O1 raw");
  EXPECT_FALSE(settings.matchesKeyboard());
  attributes.c_cflag &= ~static_cast<tcflag_t>(PARODD);
  EXPECT_EQ(LineSettingsFromTermios(attributes).describe(), "9600 7E1 raw");
}

TEST(VirtualKeyboardLineSettings, ALineLeftAsOpenedIsNotRaw) {
  const TemporaryDirectory directory;
  VirtualKeyboard keyboard;
  ASSERT_TRUE(keyboard.start(directory / "COM1"));
  const LineEnd line(directory / "COM1", false);
  const LineSettings settings = keyboard.currentLineSettings();
  EXPECT_FALSE(settings.matchesKeyboard());
  for (const char* flag : {"ICANON", "ECHO", "ISIG", "IXON", "ICRNL", "OPOST"}) {
    EXPECT_NE(settings.cookedFlags.find(flag), std::string::npos) << flag;
  }
  EXPECT_NE(settings.describe().find("not raw: "), std::string::npos);
}

TEST(StateFile, KeepsMemoryCountersAndDetailsFromOneRunToTheNext) {
  const TemporaryDirectory directory;
  const std::string path = directory / "keyboard.state";
  KeyboardState state = FactoryState();
  state.setKeyValue(91, 0xFE);
  state.setKeySize(3, KeySize::Quadruple);
  state.setOwner(29, 91);
  state.setLicense(0x01);
  state.setCounter(17, 4'000'000'000u);
  state.setDeviceDetails("line one\r\nline two");
  const Bytes top = {0x00, 0x7F};
  state.write(0xFFFE, top.data(), top.size());
  std::string error;
  ASSERT_TRUE(SaveState(state, path, error)) << error;

  const std::optional<KeyboardState> loaded = LoadState(path, error);
  ASSERT_TRUE(loaded) << error;
  EXPECT_TRUE(*loaded == state);
  EXPECT_EQ(loaded->keySize(3), 14);
  EXPECT_EQ(loaded->keySize(2), 1);
  EXPECT_EQ(loaded->deviceDetails(), "line one\r\nline two");
  EXPECT_EQ(loaded->serialNumber(), "Q4T-0001234");

  EXPECT_FALSE(SaveState(state, path + "/not-a-directory/file", error));
}

TEST(StateFile, RefusesFilesItCannotReadFully) {
  const TemporaryDirectory directory;
  const std::vector<std::string> broken = {
      "",
      "some other file\n",
      "q4t-keyboard-state 1\ncounter 30 1\n",
      "q4t-keyboard-state 1\ncounter 1 -1\n",
      "q4t-keyboard-state 1\nmemory FFFF 01 02\n",
      "q4t-keyboard-state 1\nmemory 0C0A 0G\n",
      "q4t-keyboard-state 1\nkeys 1 2 3\n",
  };
  for (const std::string& text : broken) {
    const std::string path = directory / "broken.state";
    std::ofstream(path) << text;
    std::string error;
    EXPECT_FALSE(LoadState(path, error)) << text;
    EXPECT_FALSE(error.empty());
  }
  std::string error;
  EXPECT_FALSE(LoadState(directory / "missing.state", error));
}

TEST(ProgramOptions, TurnsTheCommandLineIntoFaults) {
  std::string error;
  const auto options = ParseProgramOptions(
      {"--link", "/tmp/COM1", "--silent", "2", "--error-status", "110", "--busy-units", "1,3",
       "--bad-checksum", "4", "--stray-byte", "5", "--corrupt-readback", "91", "--pace",
       "--double-replies", "--split-replies", "--log", "requests.log"},
      error);
  ASSERT_TRUE(options) << error;
  EXPECT_EQ(options->linkPath, "/tmp/COM1");
  EXPECT_EQ(options->logPath, "requests.log");
  EXPECT_EQ(options->faults.silentCount, 2);
  EXPECT_EQ(options->faults.errorStatus, 110);
  EXPECT_EQ(options->faults.errorCount, 1);  // once unless told otherwise
  EXPECT_EQ(options->faults.busyUnits, (std::vector<std::uint8_t>{1, 3}));
  EXPECT_EQ(options->faults.badChecksumCount, 4);
  EXPECT_EQ(options->faults.strayByteCount, 5);
  EXPECT_EQ(options->faults.corruptReadBackKey, 91);
  EXPECT_TRUE(options->faults.pace && options->faults.doubleReplies && options->faults.splitReplies);

  const std::vector<std::vector<std::string>> refused = {
      {},
      {"--link"},
      {"--link", "COM1", "--silent", "x"},
      {"--link", "COM1", "--silent", "-1"},
      {"--link", "COM1", "--error-status", "256"},
      {"--link", "COM1", "--error-count", "3"},
      {"--link", "COM1", "--busy-units", "1,,2"},
      {"--link", "COM1", "--corrupt-readback", "92"},
      {"--link", "COM1", "--colour"},
  };
  for (const auto& arguments : refused) {
    EXPECT_FALSE(ParseProgramOptions(arguments, error)) << ::testing::PrintToString(arguments);
  }
}

// The program, run as a script would run it; its output and its messages in one stream.
class Program {
 public:
  explicit Program(const std::vector<std::string>& arguments) {
    int pipeEnds[2];
    EXPECT_EQ(pipe(pipeEnds), 0);
    pid_ = fork();
    if (pid_ == 0) {
      dup2(pipeEnds[1], STDOUT_FILENO);
      dup2(pipeEnds[1], STDERR_FILENO);
      close(pipeEnds[0]);
      std::vector<char*> argv{const_cast<char*>(Q4T_KEYBOARD_SIM)};
      for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(pipeEnds[1]);
    output_ = pipeEnds[0];
  }
  ~Program() {
    if (pid_ > 0) stop();
    close(output_);
  }

  // The output up to and including the line that holds the text.
  std::string waitFor(const std::string& text) {
    const auto deadline = Clock::now() + 5s;
    while (printed_.find(text) == std::string::npos && Clock::now() < deadline) {
      pollfd readable{output_, POLLIN, 0};
      if (poll(&readable, 1, 100) <= 0) continue;
      char buffer[256];
      const ssize_t count = read(output_, buffer, sizeof buffer);
      if (count <= 0) break;
      printed_.append(buffer, static_cast<std::size_t>(count));
    }
    return printed_;
  }

  // The exit status of a program that ends by itself within 5 s; -1 when it
  // had to be stopped.
  int waitForExit() {
    for (const auto deadline = Clock::now() + 5s; Clock::now() < deadline; std::this_thread::sleep_for(20ms)) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
    }
    stop();
    return -1;
  }

  int stop() {
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
  int output_ = -1;
  std::string printed_;
};

TEST(KeyboardSimProgram, LogsRequestsAndKeepsItsMemoryAcrossRuns) {
  const TemporaryDirectory directory;
  const std::string link = directory / "COM1", state = directory / "keyboard.state",
                    log = directory / "requests.log";
  const Bytes write = WriteRequest(area::KeyValues, {0x00, 0x42});
  const Bytes read = ReadRequest(area::KeyValues, 2);
  {
    Program program({"--link", link, "--state", state, "--log", log, "--show-line-settings"});
    ASSERT_NE(program.waitFor("ready\n").find("ready\n"), std::string::npos);
    LineEnd line(link);
    line.send(write);
    EXPECT_EQ(line.readFrame(), (Bytes{0x02, 0x06, 0x09, 0x01, 0x00, 0xEE}));
    EXPECT_NE(program.waitFor("line settings: 9600 8N1 raw").find("line settings: 9600 8N1 raw"),
              std::string::npos);
    line.send(read);
    EXPECT_EQ(line.readFrame().size(), 8u);
    EXPECT_EQ(program.stop(), 0);
  }
  EXPECT_FALSE(Exists(link));
  std::ifstream logFile(log);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(logFile), {}),
            "02 0A 09 01 0A 0C 0A 00 42 88\n02 09 09 02 09 0C 0A 02 C9\n");

  Program again({"--link", link, "--state", state});
  again.waitFor("ready\n");
  LineEnd line(link);
  line.send(read);
  const Bytes reply = line.readFrame();
  ASSERT_EQ(reply.size(), 8u);
  EXPECT_EQ(reply[6], 0x42);
}

TEST(KeyboardSimProgram, RefusesToStartOnABrokenStateFile) {
  const TemporaryDirectory directory;
  const std::string state = directory / "keyboard.state";
  std::ofstream(state) << "garbage\n";
  Program program({"--link", directory / "COM1", "--state", state});
  EXPECT_EQ(program.waitFor("ready\n"), "q4t-keyboard-sim: " + state + " is not a keyboard state file\n");
  EXPECT_EQ(program.stop(), 1);
  std::ifstream kept(state);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "garbage\n");
}

// A state file or log it could hang on or lose lines to, and a link that a
// running simulator serves: each is refused at once with one line, exit 1,
// and the running simulator keeps its link.
TEST(KeyboardSimProgram, RefusesWhatItWouldHangOnLoseLinesToOrTakeOver) {
  const TemporaryDirectory directory;
  const std::string link = directory / "COM1", fifo = directory / "fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  Program running({"--link", link});
  ASSERT_NE(running.waitFor("ready\n").find("ready\n"), std::string::npos);
  char target[256] = {};
  ASSERT_GT(readlink(link.c_str(), target, sizeof target - 1), 0);

  const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
      {{"--link", directory / "COM2", "--state", fifo}, fifo + " is not a regular file"},
      {{"--link", directory / "COM2", "--log", "/dev/full"}, "the log /dev/full is not a regular file"},
      {{"--link", directory / "COM2", "--log", fifo}, "the log " + fifo + " is not a regular file"},
      {{"--link", link}, link + " is the link of another q4t-keyboard-sim that is running"},
      {{"--link", directory / "./COM1"}, "/COM1 is the link of another q4t-keyboard-sim that is running"},
  };
  for (const auto& [arguments, message] : refused) {
    SCOPED_TRACE(message);
    Program program(arguments);
    EXPECT_EQ(program.waitForExit(), 1);
    const std::string printed = program.waitFor("\n");
    EXPECT_EQ(printed.rfind("q4t-keyboard-sim: ", 0), 0u) << printed;
    EXPECT_NE(printed.find(message + "\n"), std::string::npos) << printed;
    EXPECT_EQ(printed.find("ready"), std::string::npos);
  }
  EXPECT_FALSE(Exists(directory / "COM2"));
  char still[256] = {};
  ASSERT_GT(readlink(link.c_str(), still, sizeof still - 1), 0);
  EXPECT_EQ(std::string(still), std::string(target));
  LineEnd line(link);
  line.send(kConnectUnit9);
  EXPECT_EQ(line.readFrame(), kConnectReply9);
  EXPECT_EQ(running.stop(), 0);
}

// ---- a keyboard unplugged after its Download and another in its place ----

TEST(NextSerialNumber, CountsUpTheNumberAtTheEndAsWideAsBefore) {
  const std::pair<const char*, const char*> cases[] = {
      {"Q4T-0001234", "Q4T-0001235"}, {"Q4T-0099", "Q4T-0100"}, {"SN 9", "SN 10"},
      {"999", "1000"},                {"A,\"7\"", "A,\"7\"-2"}, {"", "-2"},
  };
  for (const auto& [serial, next] : cases) EXPECT_EQ(nextSerialNumber(serial), next) << serial;
}

const Bytes kModeEndUnit3 = Request(unit::Mode3, 1, command::TransferMode, {0x01});

TEST_F(VirtualKeyboardTest, ADownloadEndsWithTheKeyboardAwayForASecondAndANewOneInItsPlace) {
  keyboard_.setReplacements(1);
  keyboard_.editState([](KeyboardState& state) { state.setSerialNumber("SN 0099"); });
  // Transfer mode left without a Download (a Connect, an Upload): the same keyboard.
  EXPECT_EQ(exchange(kModeEndUnit3).size(), 6u);
  EXPECT_EQ(exchange(kConnectUnit9), kConnectReply9);

  exchange(WriteRequest(area::KeyValues, {0x00, 0x42}));
  EXPECT_EQ(exchange(Request(unit::Mode1, 1, command::TransferMode, {0x01})).size(), 6u);
  EXPECT_EQ(exchange(kModeEndUnit3).size(), 6u) << "the ModeEnd itself is answered";
  const auto unplugged = Clock::now();
  EXPECT_EQ(exchange(kConnectUnit9), Bytes()) << "away";
  std::this_thread::sleep_until(unplugged + kUnpluggedTime + 50ms);
  EXPECT_EQ(exchange(kConnectUnit9), kConnectReply9) << "back";
  EXPECT_EQ(keyboard_.state().serialNumber(), "SN 0100");
  EXPECT_EQ(keyboard_.state().keyValue(0), 1) << "the factory table";

  // Told once: the next Download leaves it in place.
  exchange(WriteRequest(area::KeyValues, {0x00, 0x42}));
  EXPECT_EQ(exchange(kModeEndUnit3).size(), 6u);
  EXPECT_EQ(exchange(kConnectUnit9), kConnectReply9);
  EXPECT_EQ(keyboard_.state().serialNumber(), "SN 0100");
}

TEST(ProgramOptions, SerialNumberAndReplacements) {
  std::string error;
  const auto options =
      ParseProgramOptions({"--link", "COM1", "--serial", "SN 7,\"x\"", "--replace-after-download", "9"}, error);
  ASSERT_TRUE(options) << error;
  EXPECT_EQ(options->serialNumber, "SN 7,\"x\"");
  EXPECT_EQ(options->replacements, 9);
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{"--link", "COM1", "--serial", ""},
        {"--link", "COM1", "--serial", std::string(33, '7')},
        {"--link", "COM1", "--replace-after-download", "-1"}}) {
    EXPECT_FALSE(ParseProgramOptions(arguments, error)) << ::testing::PrintToString(arguments);
  }
}

}  // namespace
}  // namespace q4t::sim
