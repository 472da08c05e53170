#pragma once
// How numbers are spelled on the SRCP wire. Integers: a value of 0 or more is
// its decimal spelling, -3 is "*" and -2 is "="; every other negative value
// (-1 above all, "unset") is written as nothing, so an unset field drops out
// of a line. Time stamps: seconds with a point and three decimals. Neither
// direction looks at the locale.

#include <cstdint>
#include <string>
#include <string_view>

namespace tenvarra {

inline constexpr int32_t SRCPUnset = -1;
inline constexpr int32_t SRCPKeep = -2;  // "="
inline constexpr int32_t SRCPAny = -3;   // "*"

std::string IntToSRCP(int32_t Value);

// Room for the longest spelling of a 32-bit value.
struct TSRCPIntChars {
  char Data[12];
};
// IntToSRCP without allocating; the view points into Buffer.
std::string_view IntToSRCP(int32_t Value, TSRCPIntChars& Buffer);

// Reads a signed decimal integer from the trimmed text. On failure Value
// becomes -1, except that a lone "*" gives -3 and a lone "=" gives -2, both
// counting as success.
bool SRCPToInt(std::string_view Text, int32_t& Value);

// Appends the time stamp as "%.3f" with a point, whatever the locale says.
void AppendTimestamp(std::string& Out, double Timestamp);
// Reads a finite decimal number with a point as separator; the whole text must
// be the number.
bool TimestampFromText(std::string_view Text, double& Timestamp);

}  // namespace tenvarra
