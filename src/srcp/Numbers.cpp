#include "srcp/Numbers.h"

#include <charconv>
#include <cmath>

#include "srcp/TextUtil.h"

namespace tenvarra {

std::string_view IntToSRCP(int32_t Value, TSRCPIntChars& Buffer) {
  if (Value == SRCPAny) return "*";
  if (Value == SRCPKeep) return "=";
  if (Value < 0) return {};
  const auto result = std::to_chars(Buffer.Data, Buffer.Data + sizeof Buffer.Data, Value);
  return {Buffer.Data, static_cast<std::size_t>(result.ptr - Buffer.Data)};
}

std::string IntToSRCP(int32_t Value) {
  TSRCPIntChars buffer;
  return std::string(IntToSRCP(Value, buffer));
}

bool SRCPToInt(std::string_view Text, int32_t& Value) {
  const std::string_view text = Trim(Text);
  std::string_view digits = text;
  // from_chars takes a minus sign but no plus sign.
  if (digits.size() > 1 && digits[0] == '+' && digits[1] != '-') digits.remove_prefix(1);
  int32_t parsed = 0;
  const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), parsed);
  if (!digits.empty() && result.ec == std::errc() && result.ptr == digits.data() + digits.size()) {
    Value = parsed;
    return true;
  }
  Value = SRCPUnset;
  if (text == "*") {
    Value = SRCPAny;
    return true;
  }
  if (text == "=") {
    Value = SRCPKeep;
    return true;
  }
  return false;
}

void AppendTimestamp(std::string& Out, double Timestamp) {
  // Fixed notation of the largest double needs 309 digits before the point.
  char buffer[330];
  const auto result =
      std::to_chars(buffer, buffer + sizeof buffer, Timestamp, std::chars_format::fixed, 3);
  if (result.ec == std::errc()) Out.append(buffer, result.ptr);
}

bool TimestampFromText(std::string_view Text, double& Timestamp) {
  if (Text.empty()) return false;
  double parsed = 0;
  const auto result =
      std::from_chars(Text.data(), Text.data() + Text.size(), parsed, std::chars_format::fixed);
  if (result.ec != std::errc() || result.ptr != Text.data() + Text.size()) return false;
  if (!std::isfinite(parsed)) return false;
  Timestamp = parsed;
  return true;
}

}  // namespace tenvarra
