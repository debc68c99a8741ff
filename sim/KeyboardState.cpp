#include "sim/KeyboardState.h"

#include <algorithm>

#include "link/Frames.h"

namespace q4t::sim {
namespace {

std::uint32_t KeyValueAddress(int key) {
  return area::KeyValues + 2u * static_cast<std::uint32_t>(key) + 1u;
}

std::uint32_t KeySizeAddress(int key) {
  return area::KeySizes + static_cast<std::uint32_t>(key) / 2u;
}

std::uint32_t OwnerAddress(int counter) {
  return area::TcoOwners + static_cast<std::uint32_t>(counter - kFirstKeyCounter);
}

}  // namespace

KeyboardState::KeyboardState() : memory_(kMemoryBytes, 0xFF) {}

bool KeyboardState::read(std::uint32_t address, std::size_t count,
                         std::vector<std::uint8_t>& bytes) const {
  if (address > kMemoryBytes || count > kMemoryBytes - address) return false;
  const auto first = memory_.begin() + static_cast<std::ptrdiff_t>(address);
  bytes.assign(first, first + static_cast<std::ptrdiff_t>(count));
  return true;
}

bool KeyboardState::write(std::uint32_t address, const std::uint8_t* bytes, std::size_t count) {
  if (address > kMemoryBytes || count > kMemoryBytes - address) return false;
  std::copy(bytes, bytes + count, memory_.begin() + static_cast<std::ptrdiff_t>(address));
  return true;
}

std::uint8_t KeyboardState::keyValue(int key) const { return memory_.at(KeyValueAddress(key)); }

void KeyboardState::setKeyValue(int key, std::uint8_t value) {
  memory_.at(KeyValueAddress(key) - 1) = 0x00;
  memory_.at(KeyValueAddress(key)) = value;
}

std::uint8_t KeyboardState::keySize(int key) const {
  const std::uint8_t pair = memory_.at(KeySizeAddress(key));
  return key % 2 == 0 ? pair & 0x0F : pair >> 4;
}

void KeyboardState::setKeySize(int key, KeySize size) {
  std::uint8_t& pair = memory_.at(KeySizeAddress(key));
  const auto nibble = static_cast<std::uint8_t>(static_cast<int>(size) & 0x0F);
  pair = key % 2 == 0 ? static_cast<std::uint8_t>((pair & 0xF0) | nibble)
                      : static_cast<std::uint8_t>((pair & 0x0F) | (nibble << 4));
}

std::uint8_t KeyboardState::owner(int counter) const { return memory_.at(OwnerAddress(counter)); }

void KeyboardState::setOwner(int counter, std::uint8_t key) { memory_.at(OwnerAddress(counter)) = key; }

std::uint8_t KeyboardState::license() const { return memory_.at(area::LicenseFlag); }

void KeyboardState::setLicense(std::uint8_t flag) { memory_.at(area::LicenseFlag) = flag; }

std::string KeyboardState::serialNumber() const {
  return textAt(area::SerialNumber, area::SerialNumberBytes);
}

void KeyboardState::setSerialNumber(std::string_view text) {
  setTextAt(area::SerialNumber, area::SerialNumberBytes, text);
}

std::string KeyboardState::manufactureDate() const {
  return textAt(area::ManufactureDate, area::DateBytes);
}

void KeyboardState::setManufactureDate(std::string_view text) {
  setTextAt(area::ManufactureDate, area::DateBytes, text);
}

std::string KeyboardState::programmingDate() const {
  return textAt(area::ProgrammingDate, area::DateBytes);
}

void KeyboardState::setProgrammingDate(std::string_view text) {
  setTextAt(area::ProgrammingDate, area::DateBytes, text);
}

void KeyboardState::setCounter(int number, std::uint32_t reading) {
  counters_.at(static_cast<std::size_t>(number)) = reading;
}

void KeyboardState::setDeviceDetails(std::string_view text) {
  deviceDetails_ = text.substr(0, kMaxDetailsBytes);
}

std::string KeyboardState::textAt(std::uint32_t address, std::size_t fieldBytes) const {
  std::string text;
  for (std::size_t i = 0; i < fieldBytes; ++i) {
    const std::uint8_t byte = memory_.at(address + i);
    if (byte == 0x00) break;
    if (byte != 0xFF) text += static_cast<char>(byte);
  }
  return text;
}

void KeyboardState::setTextAt(std::uint32_t address, std::size_t fieldBytes, std::string_view text) {
  for (std::size_t i = 0; i < fieldBytes; ++i) {
    std::uint8_t byte = 0xFF;
    if (i < text.size()) byte = static_cast<std::uint8_t>(text[i]);
    if (i == text.size()) byte = 0x00;
    memory_.at(address + i) = byte;
  }
}

KeyboardState FactoryState() {
  KeyboardState state;
  for (int key = 0; key < kKeyCount; ++key) {
    state.setKeyValue(key, static_cast<std::uint8_t>(key + 1));
    state.setKeySize(key, KeySize::Single);
  }
  for (int counter = kFirstKeyCounter; counter <= kLastKeyCounter; ++counter) {
    state.setOwner(counter, static_cast<std::uint8_t>(kFreeSlot));
  }
  state.setOwner(6, 5);
  state.setOwner(7, 40);
  state.setSerialNumber("Q4T-0001234");
  state.setManufactureDate("20230115");
  state.setProgrammingDate("20230120");
  state.setLicense(0x00);
  for (int number = 0; number < kCounterSlotCount; ++number) {
    state.setCounter(number, static_cast<std::uint32_t>(number) * 1000u + 7u);
  }
  state.setCounter(0, 0x01020304u);
  state.setDeviceDetails("Q4T keyboard, firmware 2.10\r\nVirtual keyboard on a pseudo-terminal");
  return state;
}

}  // namespace q4t::sim
