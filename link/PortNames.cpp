#include "link/PortNames.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace q4t {

int PortNumberFromName(const std::string& name) {
  constexpr long long kLimit = static_cast<long long>(INT_MAX) + 1;
  std::size_t i = 3;
  if (name.size() < i) return 0;
  while (i < name.size() && std::isspace(static_cast<unsigned char>(name[i]))) ++i;
  bool negative = false;
  if (i < name.size() && (name[i] == '+' || name[i] == '-')) negative = name[i++] == '-';
  long long number = 0;
  for (; i < name.size() && name[i] >= '0' && name[i] <= '9'; ++i)
    number = std::min(number * 10 + (name[i] - '0'), kLimit);
  return static_cast<int>(negative ? -number : std::min(number, kLimit - 1));
}

bool IsComPortName(const std::string& name) {
  return name.size() > 3 && name.compare(0, 3, "COM") == 0 &&
         name.find_first_not_of("0123456789", 3) == std::string::npos;
}

bool IsDevicePath(const std::string& name) {
  if (name.empty()) return false;
  return name.front() == '/' || (!IsComPortName(name) && name.find_first_of("/\\:") != std::string::npos);
}

std::wstring ComDeviceName(int portNumber) {
  if (portNumber < 1 || portNumber > kHighestComPort) return {};
  const std::string number = std::to_string(portNumber);
  return L"\\\\.\\COM" + std::wstring(number.begin(), number.end());
}

}  // namespace q4t
