// What the link's three parts (control, receive thread, leaving transfer mode)
// share about reading the port.
#pragma once

#include <cstddef>
#include <cstdint>

#include "link/Frames.h"
#include "link/PortDevice.h"

namespace q4t::portbytes {

constexpr std::size_t kReadPiece = 80;

// The kind of request that a request word (number and kind) stands for.
inline RequestKind kindOf(std::uint32_t request) { return static_cast<RequestKind>(request & 0xFF); }

// Everything the port holds now, onto the assembler.
inline void appendArrived(PortDevice& port, FrameAssembler& assembler) {
  std::uint8_t piece[kReadPiece];
  for (std::size_t n; (n = port.Read(piece, sizeof piece)) > 0;) assembler.Append(piece, n);
}

}  // namespace q4t::portbytes
