#include "srcp/TextUtil.h"

namespace tenvarra {

namespace {

constexpr char UpCase(char C) { return (C >= 'a' && C <= 'z') ? static_cast<char>(C - 32) : C; }
constexpr bool IsBlank(char C) { return static_cast<unsigned char>(C) <= 0x20; }

}  // namespace

bool SameText(std::string_view A, std::string_view B) {
  if (A.size() != B.size()) return false;
  for (std::size_t i = 0; i < A.size(); ++i)
    if (UpCase(A[i]) != UpCase(B[i])) return false;
  return true;
}

bool StartsWithText(std::string_view Text, std::string_view Prefix) {
  return Text.size() >= Prefix.size() && SameText(Text.substr(0, Prefix.size()), Prefix);
}

std::string_view Trim(std::string_view Text) {
  std::size_t first = 0;
  while (first < Text.size() && IsBlank(Text[first])) ++first;
  std::size_t last = Text.size();
  while (last > first && IsBlank(Text[last - 1])) --last;
  return Text.substr(first, last - first);
}

bool SplitToken(char Separator, std::string_view& Rest, std::string_view& Token) {
  const std::size_t at = Rest.find(Separator);
  if (at == std::string_view::npos) {
    Token = Rest;
    Rest = {};
    return false;
  }
  Token = Rest.substr(0, at);
  Rest.remove_prefix(at + 1);
  return true;
}

}  // namespace tenvarra
