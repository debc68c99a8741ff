// The pseudo-terminal behind the virtual keyboard: the master side it reads and
// writes, the slave side it keeps open so that the line stays up and its
// termios can be read, and the symbolic link through which the tool finds it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "sim/LineSettings.h"

namespace q4t::sim {

class PseudoTerminal {
 public:
  PseudoTerminal() = default;
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;
  ~PseudoTerminal();

  // On failure the caller closes what was opened.
  bool open();
  // Points linkPath at the slave device. A symbolic link that is already
  // there is replaced; any other file, and the link of another simulator that
  // is running, are left alone and the call fails.
  bool linkAt(const std::string& linkPath);
  // Removes the link, but only while it still points at this slave device.
  void removeLink();
  void close();

  int master() const { return master_; }
  const std::string& slaveName() const { return slaveName_; }
  const std::string& lastError() const { return lastError_; }
  LineSettings lineSettings() const;

  // Whatever the tool has written so far, at most max bytes; never waits.
  std::size_t readAvailable(std::uint8_t* buffer, std::size_t max);
  // All bytes, waiting a little while the tool is slow to read.
  bool writeAll(const std::uint8_t* bytes, std::size_t count);

 private:
  bool fail(const std::string& what);
  bool claimLink(const std::string& linkPath);

  int master_ = -1;
  int slave_ = -1;
  int claim_ = -1;  // the socket that marks the link as this process's
  std::string slaveName_;
  std::string linkPath_;
  std::string lastError_;
};

}  // namespace q4t::sim
