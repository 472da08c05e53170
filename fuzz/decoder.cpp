// Any byte stream the application may write, cut into writes of any size,
// with contact reports from the server in between, and any switches and
// learning answers: the decoder and the engine must take every byte, never
// crash or trip a sanitizer, keep the S88 image to its 62 bytes and answer
// with whole feedback replies only.
//
// Input: byte 0 sets the switches and learning answers; then records, each
// either a contact report (head bit 7 set: bit 0 active, then two bytes of
// contact number, offset so that numbers below 1 occur) or a write (head
// bits 0-5: length - 1, then the bytes).

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "emulation/TestHost.h"

namespace {

using namespace tenvarra;

std::array<uint8_t, TS88Image::ByteCount> Image(const TTenvarra& Engine) {
  std::array<uint8_t, TS88Image::ByteCount> bytes{};
  for (int32_t i = 0; i < TS88Image::ByteCount; ++i) bytes[static_cast<std::size_t>(i)] = Engine.S88Byte(i);
  return bytes;
}

void Check(bool Holds) {
  if (!Holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size == 0) return 0;
  // On the heap, so that a write past the engine's image hits a red zone.
  const auto emulation = std::make_unique<test::TEmulation>();
  test::TTestHost& host = emulation->Host;
  TTenvarra& engine = emulation->Engine;
  TMemoryPort& port = emulation->Port;
  host.Handshake = Data[0] & 1;
  host.Log = Data[0] & 2;
  host.Learning = Data[0] & 4;
  host.LocoAnswer = (Data[0] >> 3) % 12 - 1;  // -1 cancels
  host.SolenoidAnswer = (Data[0] >> 3) % 3 - 1;

  for (size_t i = 1; i < Size;) {
    const uint8_t head = Data[i++];
    if (head & 0x80) {
      if (Size - i < 2) break;
      const int32_t contact = (Data[i] << 8 | Data[i + 1]) - 1000;
      i += 2;
      const auto before = Image(engine);
      engine.SetContact(contact, head & 1);
      auto after = Image(engine);
      if (contact >= 1 && contact <= TS88Image::ContactCount) {
        const auto index = static_cast<std::size_t>((contact - 1) / 8);
        const auto mask = static_cast<uint8_t>(0x80u >> ((contact - 1) % 8));
        Check(((after[index] & mask) != 0) == ((head & 1) != 0));
        after[index] = static_cast<uint8_t>((after[index] & ~mask) | (before[index] & mask));
      }
      Check(after == before);  // nothing but the contact's own bit changes
    } else {
      const size_t count = std::min<size_t>((head & 0x3f) + 1u, Size - i);
      port.Write(std::vector<uint8_t>(Data + i, Data + i + count));
      i += count;
      Check(port.InputCount() == 0);
    }
    Check(port.Read().size() % 2 == 0);  // two bytes per module read
    emulation->Clear();
  }
  Check(engine.S88Byte(-1) == 0 && engine.S88Byte(TS88Image::ByteCount) == 0);
  return 0;
}
