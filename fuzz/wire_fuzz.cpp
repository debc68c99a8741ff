// Random byte streams through frame cutting, recognition and every decoder,
// and random arguments through the request builder.
#include <cstddef>
#include <cstdint>

#include "link/Frames.h"

namespace {

constexpr q4t::RequestKind kKinds[] = {
    q4t::RequestKind::ModeBegin,  q4t::RequestKind::ModeEnd,    q4t::RequestKind::ConnectUnit,
    q4t::RequestKind::QueryUnit,  q4t::RequestKind::ReadValues, q4t::RequestKind::WriteValues,
    q4t::RequestKind::ReadInfo,   q4t::RequestKind::ReadOwners, q4t::RequestKind::LicenseOff,
    q4t::RequestKind::LicenseOn,  q4t::RequestKind::ReadSizes,  q4t::RequestKind::WriteSizes};

void decodeAll(const q4t::Frame& frame) {
  for (q4t::RequestKind kind : kKinds) q4t::RecognizeReply(frame, kind);
  q4t::ChecksumOk(frame);
  q4t::DecodeValues(frame);
  q4t::DecodeSizes(frame);
  q4t::DecodeOwners(frame);
  q4t::DecodeCounters(frame);
  q4t::DecodeText(frame, 0);
  q4t::DecodeText(frame, 32);
  q4t::DecodeLicenseFlag(frame);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size >= 5) {
    static q4t::KeyTable table;
    int keyIndex = data[4] % 100 - 4;
    q4t::BuildRequest(kKinds[data[0] % 12], static_cast<std::uint16_t>(data[1] << 8 | data[2]), data[3],
                      data[4], table, keyIndex);
  }
  q4t::FrameAssembler assembler;
  std::size_t offset = 0;
  while (offset < size) {
    const std::size_t piece = 1 + data[offset] % 80;
    const std::size_t n = offset + piece <= size ? piece : size - offset;
    assembler.Append(data + offset, n);
    offset += n;
    while (const auto frame = assembler.NextFrame()) decodeAll(*frame);
  }
  return 0;
}
