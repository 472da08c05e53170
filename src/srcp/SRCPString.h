#pragma once
// Builds an SRCP line part by part. Empty parts are skipped, so optional
// values that are unset simply vanish without leaving a double blank.

#include <cstdint>
#include <string>
#include <string_view>

#include "srcp/Numbers.h"

namespace tenvarra {

class TSRCPString {
public:
  std::string Value;

  void Add(std::string_view Part) {
    if (Part.empty()) return;
    if (!Value.empty()) Value += ' ';
    Value += Part;
  }
  // An unset integer (-1) adds nothing.
  void AddInt(int32_t N) {
    TSRCPIntChars buffer;
    Add(IntToSRCP(N, buffer));
  }
  void AddTimestamp(double Timestamp) {
    if (!Value.empty()) Value += ' ';
    AppendTimestamp(Value, Timestamp);
  }
  void Clear() { Value.clear(); }
};

}  // namespace tenvarra
