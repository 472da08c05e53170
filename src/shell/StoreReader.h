#pragma once
// Reads loco.dat value by value, the way the file has always been read:
// a text is the whole current line; a number is the next run of non-blank
// characters (at most 32) after blanks and line ends, and the rest of its line
// is skipped. Past the end a text reads empty and a number 0, without error.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tenvarra {

// A value that could not be read; the message names file, line and value.
class EStoreFileError : public std::runtime_error {
public:
  EStoreFileError(const std::string& fileName, int line, const std::string& what);
  int Line() const { return FLine; }
  // True when nothing but blanks is left, so every further number reads 0.
  bool AtEnd() const;

private:
  int FLine;
};

class TStoreReader {
public:
  TStoreReader(std::string fileName, std::string text);

  std::string ReadText();
  // `what` says which value is read, for the error message.
  int32_t ReadInt(std::string_view what);
  uint32_t ReadUInt(std::string_view what);
  // On only for exactly 1.
  bool ReadBool(std::string_view what);

  int Line() const { return FLine; }
  // True when nothing but blanks is left, so every further number reads 0.
  bool AtEnd() const;
  // True once a value was read past the end: it was not in the file.
  bool RanOut() const { return FRanOut; }

private:
  int64_t ReadNumber(std::string_view what, int64_t min, int64_t max);
  void SkipLine();

  std::string FFileName;
  std::string FText;
  size_t FPos = 0;
  int FLine = 1;  // line of FPos, counted from 1
  bool FRanOut = false;
};

}  // namespace tenvarra
