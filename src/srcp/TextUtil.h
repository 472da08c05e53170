#pragma once
// Small ASCII text helpers for the SRCP line language. Wire words are ASCII;
// comparing and trimming byte-wise keeps parsing independent of the locale.

#include <string_view>

namespace tenvarra {

// Equal when the texts differ at most in the case of ASCII letters.
bool SameText(std::string_view A, std::string_view B);
// True when Text starts with Prefix, ASCII letters compared case-insensitively.
bool StartsWithText(std::string_view Text, std::string_view Prefix);
// Removes leading and trailing blanks and control characters (bytes up to 0x20).
std::string_view Trim(std::string_view Text);
// Splits Rest at the first Separator: Token is what comes before it and Rest
// loses everything up to and including it. Without a separator Token becomes
// all of Rest, Rest becomes empty and the result is false.
bool SplitToken(char Separator, std::string_view& Rest, std::string_view& Token);

}  // namespace tenvarra
