#pragma once
// The image of the S88 feedback modules that read requests are answered
// from: 31 modules of 16 contacts in 62 bytes. Contact c (1 .. 496) is bit
// (c - 1) mod 8 of byte (c - 1) div 8, counted from the most significant
// bit, so contact 1 is the value 128 of byte 0 and contact 9 the value 128
// of byte 1; module m owns bytes 2(m - 1) and 2(m - 1) + 1.

#include <array>
#include <cstdint>

namespace tenvarra {

class TS88Image {
public:
  static constexpr int32_t ModuleCount = 31;
  static constexpr int32_t ByteCount = 2 * ModuleCount;
  static constexpr int32_t ContactCount = 8 * ByteCount;

  // A contact outside 1 .. ContactCount is ignored.
  void SetContact(int32_t Contact, bool Active) {
    if (Contact < 1 || Contact > ContactCount) return;
    uint8_t& byte = FBytes[static_cast<std::size_t>((Contact - 1) / 8)];
    byte = static_cast<uint8_t>(Active ? byte | Mask(Contact) : byte & ~Mask(Contact));
  }
  // False for a contact outside 1 .. ContactCount.
  bool Contact(int32_t Contact) const {
    return Contact >= 1 && Contact <= ContactCount && (Byte((Contact - 1) / 8) & Mask(Contact)) != 0;
  }
  // 0 for an index outside 0 .. ByteCount - 1.
  uint8_t Byte(int32_t Index) const {
    return Index >= 0 && Index < ByteCount ? FBytes[static_cast<std::size_t>(Index)] : 0;
  }

private:
  static uint8_t Mask(int32_t Contact) { return static_cast<uint8_t>(0x80u >> ((Contact - 1) % 8)); }

  std::array<uint8_t, ByteCount> FBytes{};
};

}  // namespace tenvarra
