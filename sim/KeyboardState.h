// What the virtual keyboard remembers: its 64 KiB memory image, the readings of
// its 30 counters and its device details text.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/KeyTable.h"

namespace q4t::sim {

class KeyboardState {
 public:
  static constexpr std::size_t kMemoryBytes = 0x10000;
  // The longest text that fits into one reply frame.
  static constexpr std::size_t kMaxDetailsBytes = 249;

  // Memory all 0xFF, counters 0, no device details.
  KeyboardState();

  // False, and nothing changed or read, when the range leaves the image.
  bool read(std::uint32_t address, std::size_t count, std::vector<std::uint8_t>& bytes) const;
  bool write(std::uint32_t address, const std::uint8_t* bytes, std::size_t count);
  std::uint8_t byteAt(std::uint32_t address) const { return memory_.at(address); }

  std::uint8_t keyValue(int key) const;
  void setKeyValue(int key, std::uint8_t value);
  std::uint8_t keySize(int key) const;  // the key's nibble of its size byte
  void setKeySize(int key, KeySize size);
  std::uint8_t owner(int counter) const;  // counters 6..29
  void setOwner(int counter, std::uint8_t key);
  std::uint8_t license() const;
  void setLicense(std::uint8_t flag);

  // Texts are stored 0-terminated when they are shorter than their field, and
  // the rest of the field is 0xFF; longer texts are cut.
  std::string serialNumber() const;
  void setSerialNumber(std::string_view text);
  std::string manufactureDate() const;
  void setManufactureDate(std::string_view text);
  std::string programmingDate() const;
  void setProgrammingDate(std::string_view text);

  std::uint32_t counter(int number) const { return counters_.at(static_cast<std::size_t>(number)); }
  void setCounter(int number, std::uint32_t reading);
  const std::string& deviceDetails() const { return deviceDetails_; }
  void setDeviceDetails(std::string_view text);  // cut to kMaxDetailsBytes

  bool operator==(const KeyboardState&) const = default;

 private:
  std::string textAt(std::uint32_t address, std::size_t fieldBytes) const;
  void setTextAt(std::uint32_t address, std::size_t fieldBytes, std::string_view text);

  std::vector<std::uint8_t> memory_;
  std::array<std::uint32_t, kCounterSlotCount> counters_{};
  std::string deviceDetails_;
};

// A keyboard as it leaves the factory: key values index + 1, all keys single,
// counter 6 on key 5 and counter 7 on key 40, the information texts set,
// licence off and a few counter readings.
KeyboardState FactoryState();

}  // namespace q4t::sim
