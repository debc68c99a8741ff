// The pieces of the Windows port that any system can check: the UTF-16 codec
// and the file names built on it, the names Windows refuses, the port names
// and what a COM port is set to.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "link/ComSettings.h"
#include "link/PortNames.h"
#include "model/PathText.h"
#include "model/TextEncoding.h"
#include "model/Utf16.h"
#include "model/WindowsNames.h"

namespace q4t {
namespace {

const std::string kMixed = "Caf\xC3\xA9 \xE2\x82\xAC 2 \xF0\x9F\x8D\xB0 \xF4\x8F\xBF\xBD";  // "Café € 2 🍰", U+10FFFD
const std::u16string kMixedUnits = u"Caf\u00E9 \u20AC 2 \U0001F370 \U0010FFFD";

TEST(Utf16Codec, TextGoesBothWaysWithSurrogatePairs) {
  std::u16string units;
  ASSERT_TRUE(utf8ToUtf16(kMixed, units));
  EXPECT_EQ(units, kMixedUnits);
  std::string text;
  ASSERT_TRUE(utf16ToUtf8(units, text));
  EXPECT_EQ(text, kMixed);
}

TEST(Utf16Codec, BrokenInputIsRefused) {
  std::string text;
  for (const std::u16string& broken : {std::u16string(u"a\xD83C"), std::u16string(u"\xDF70" u"b"),
                                       std::u16string(u"\xD83C" u"x")})
    EXPECT_FALSE(utf16ToUtf8(broken, text)) << text;
  std::u16string units;
  for (const std::string& broken : {std::string("a\xC3"), std::string("\xFF"), std::string("\xED\xA0\x80")})
    EXPECT_FALSE(utf8ToUtf16(broken, units));
  EXPECT_TRUE(utf8ToUtf16("\xEF\xBF\xBD", units)) << "U+FFFD itself is a character";
  EXPECT_EQ(units, u"\uFFFD");
}

TEST(Utf16Codec, BytesInBothOrders) {
  std::u16string units;
  ASSERT_TRUE(unitsFromBytes(std::string("A\0\xAC\x20", 4), true, units));
  EXPECT_EQ(units, u"A\u20AC");
  ASSERT_TRUE(unitsFromBytes(std::string("\0A\x20\xAC", 4), false, units));
  EXPECT_EQ(units, u"A\u20AC");
  EXPECT_FALSE(unitsFromBytes("abc", true, units));
  EXPECT_EQ(bytesFromUnits(u"A\u20AC", true), std::string("A\0\xAC\x20", 4));
  EXPECT_EQ(bytesFromUnits(u"A\u20AC", false), std::string("\0A\x20\xAC", 4));
  // A file without a byte order mark is taken for UTF-16 by its first character's zero byte.
  const std::pair<std::string, Utf16Guess> guesses[] = {
      {std::string("[\0", 2), Utf16Guess::LittleEndian}, {std::string("\0[", 2), Utf16Guess::BigEndian},
      {std::string("\0\0[\0", 4), Utf16Guess::None},       {std::string("[\0\n", 3), Utf16Guess::None},
      {"[5", Utf16Guess::None},
  };
  for (const auto& [bytes, guess] : guesses) EXPECT_EQ(guessUtf16(bytes), guess) << bytes.size();
}

TEST(Utf16Codec, KeyTableWithoutByteOrderMarkIsTakenForUtf16AndSavedWithOne) {
  const std::string text = "[5]\nLABEL=Caf\xC3\xA9\n";
  std::u16string units;
  ASSERT_TRUE(utf8ToUtf16(text, units));
  struct Case {
    bool little;
    TextEncoding encoding;
    std::string bom;
  };
  for (const Case& c : {Case{true, TextEncoding::Utf16LE, "\xFF\xFE"}, Case{false, TextEncoding::Utf16BE, "\xFE\xFF"}}) {
    std::string decoded;
    TextEncoding encoding = TextEncoding::Utf8;
    ASSERT_TRUE(decodeText(bytesFromUnits(units, c.little), decoded, encoding));
    EXPECT_EQ(decoded, text);
    EXPECT_EQ(encoding, c.encoding);
    std::string saved;
    ASSERT_TRUE(encodeText(decoded, encoding, saved));
    EXPECT_EQ(saved, c.bom + bytesFromUnits(units, c.little));
  }
  std::string decoded;
  TextEncoding encoding;
  ASSERT_TRUE(decodeText("[5]\nLABEL=Caf\xE9\n", decoded, encoding));  // no zero byte: Windows-1252
  EXPECT_EQ(encoding, TextEncoding::Windows1252);
  EXPECT_FALSE(decodeText(std::string("[\0\x3C\xD8", 4), decoded, encoding)) << "a lone surrogate";
}

TEST(PathText, FileNamesKeepEveryCharacter) {
  EXPECT_EQ(pathText(pathOf(kMixed + ".q4t")), kMixed + ".q4t");
  EXPECT_EQ(utf8FromWide(wideFromUtf8(kMixed)), kMixed);
  EXPECT_EQ(wideFromUtf8("Caf\xC3\xA9").size(), 4u);
  EXPECT_EQ(utf8FromWide(wideFromUtf8("a\xFF")), "a\xEF\xBF\xBD") << "a bad byte becomes U+FFFD";
  const std::wstring loneHalf = {L'a', wchar_t(0xD800), L'b'};  // as Windows may hand out a file name
  EXPECT_EQ(utf8FromWide(loneHalf), "a\xEF\xBF\xBD" "b") << "the rest of the name stays";
}

TEST(WindowsNames, NamesWindowsRefuses) {
  struct Case {
    std::string path;
    WindowsNameProblem problem;
  };
  const std::string longName(250, 'd');
  const Case cases[] = {
      {"C:\\Users\\ana\\tables\\caf\xC3\xA9.q4t", WindowsNameProblem::None},
      {"tables/shop 2.q4t", WindowsNameProblem::None},
      {"..\\up.q4t", WindowsNameProblem::None},
      {"a<b.q4t", WindowsNameProblem::InvalidName},
      {"dir\\a>b.q4t", WindowsNameProblem::InvalidName},
      {"what?.q4t", WindowsNameProblem::InvalidName},
      {"star*.q4t", WindowsNameProblem::InvalidName},
      {"pipe|.q4t", WindowsNameProblem::InvalidName},
      {"quote\".q4t", WindowsNameProblem::InvalidName},
      {"C:\\tab:le.q4t", WindowsNameProblem::InvalidName},
      {"line\nbreak.q4t", WindowsNameProblem::InvalidName},
      {"ends in a dot.", WindowsNameProblem::InvalidName},
      {"ends in a space ", WindowsNameProblem::InvalidName},
      {"folder \\x.q4t", WindowsNameProblem::InvalidName},
      {"NUL.q4t", WindowsNameProblem::InvalidName},
      {"nul .q4t", WindowsNameProblem::InvalidName},
      {"tables\\con", WindowsNameProblem::InvalidName},
      {"com1.txt", WindowsNameProblem::InvalidName},
      {"LPT9", WindowsNameProblem::InvalidName},
      {"COM10.q4t", WindowsNameProblem::None},
      {"COM0.q4t", WindowsNameProblem::None},
      {"console.q4t", WindowsNameProblem::None},
      {"C:\\" + longName + "\\t.q4t", WindowsNameProblem::None},  // 259 units and the end mark
      {"C:\\" + longName + "d\\t.q4t", WindowsNameProblem::TooLong},
  };
  for (const Case& c : cases) EXPECT_EQ(windowsNameProblem(c.path), c.problem) << c.path.substr(0, 40);
  std::string wide = "C:\\";
  for (int i = 0; i < 192; ++i) wide += "\xC3\xA9";  // 195 units in 387 bytes: units count
  EXPECT_EQ(windowsNameProblem(wide + std::string(64, 'x')), WindowsNameProblem::None);
  EXPECT_EQ(windowsNameProblem(wide + std::string(65, 'x')), WindowsNameProblem::TooLong);
}

TEST(PortNames, ComPortsAndDevicePaths) {
  EXPECT_EQ(ComDeviceName(1), L"\\\\.\\COM1");
  EXPECT_EQ(ComDeviceName(12), L"\\\\.\\COM12");
  EXPECT_EQ(ComDeviceName(256), L"\\\\.\\COM256");
  EXPECT_EQ(ComDeviceName(0), L"");
  EXPECT_EQ(ComDeviceName(257), L"");
  EXPECT_EQ(ComDeviceName(-3), L"");
  for (const char* name : {"COM1", "COM256", "COM007"}) EXPECT_TRUE(IsComPortName(name)) << name;
  for (const char* name : {"COM", "COM 5", "COM5x", "com5", "LPT1", ""}) EXPECT_FALSE(IsComPortName(name)) << name;
  for (const char* name : {"/dev/ttyS0", "C:\\ports\\k", "\\\\.\\COM3", "a/b", "COM3:"})
    EXPECT_TRUE(IsDevicePath(name)) << name;
  for (const char* name : {"COM3", "COM 3", "ttyUSB0", ""}) EXPECT_FALSE(IsDevicePath(name)) << name;
}

TEST(ComSettings, NineSixHundredEightNoneOneWithoutFlowControl) {
  const ComLineSettings line = comLineSettings();
  EXPECT_EQ(line.baudRate, 9600u);
  EXPECT_EQ(line.byteSize, 8);
  EXPECT_EQ(line.parity, 0) << "NOPARITY";
  EXPECT_EQ(line.stopBits, 0) << "ONESTOPBIT";
  EXPECT_TRUE(line.binary);
  EXPECT_FALSE(line.parityCheck);
  EXPECT_FALSE(line.ctsFlow || line.dsrFlow || line.dsrSensitivity) << "no hardware flow control";
  EXPECT_FALSE(line.xonXoffOut || line.xonXoffIn) << "no software flow control";
  EXPECT_FALSE(line.abortOnError);
  EXPECT_EQ(line.dtrControl, 1) << "DTR_CONTROL_ENABLE";
  EXPECT_EQ(line.rtsControl, 1) << "RTS_CONTROL_ENABLE";
}

TEST(ComSettings, ReadsEndAfterTenMillisecondsWritesHaveTwiceTheirLineTime) {
  const ComTimeouts timeouts = comTimeouts();
  EXPECT_EQ(timeouts.readInterval, 0u);
  EXPECT_EQ(timeouts.readMultiplier, 0u);
  EXPECT_EQ(timeouts.readConstant, 10u);
  EXPECT_EQ(timeouts.writeMultiplier, 2u);
  EXPECT_EQ(timeouts.writeConstant, 0u);
}

}  // namespace
}  // namespace q4t
