#include "shell/StoreReader.h"

#include <charconv>

namespace tenvarra {

EStoreFileError::EStoreFileError(const std::string& fileName, int line, const std::string& what)
    : std::runtime_error(fileName + ", line " + std::to_string(line) + ": " + what), FLine(line) {}

TStoreReader::TStoreReader(std::string fileName, std::string text)
    : FFileName(std::move(fileName)), FText(std::move(text)) {}

void TStoreReader::SkipLine() {
  while (FPos < FText.size() && FText[FPos] != '\n') ++FPos;
  if (FPos < FText.size()) {
    ++FPos;
    ++FLine;
  }
}

std::string TStoreReader::ReadText() {
  if (FPos >= FText.size()) FRanOut = true;
  const size_t start = FPos;
  while (FPos < FText.size() && FText[FPos] != '\r' && FText[FPos] != '\n') ++FPos;
  std::string text = FText.substr(start, FPos - start);
  SkipLine();
  return text;
}

int64_t TStoreReader::ReadNumber(std::string_view what, int64_t min, int64_t max) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (FPos < FText.size() && blank(FText[FPos])) {
    if (FText[FPos] == '\n') ++FLine;
    ++FPos;
  }
  if (FPos >= FText.size()) {
    FRanOut = true;
    return 0;
  }
  const size_t start = FPos;
  while (FPos < FText.size() && !blank(FText[FPos]) && FPos - start < 32) ++FPos;
  const std::string token = FText.substr(start, FPos - start);
  const int line = FLine;
  SkipLine();

  std::string_view digits = token;
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  int64_t value = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (ec == std::errc::result_out_of_range || (ec == std::errc() && end == digits.end() &&
                                               (value < min || value > max)))
    throw EStoreFileError(FFileName, line,
                          std::string(what) + " is out of range: \"" + token + "\"");
  if (ec != std::errc() || end != digits.end() || digits.empty())
    throw EStoreFileError(FFileName, line, std::string(what) + " is not a number: \"" + token + "\"");
  return value;
}

bool TStoreReader::AtEnd() const {
  return FText.find_first_not_of(" \t\r\n", FPos) == std::string::npos;
}

int32_t TStoreReader::ReadInt(std::string_view what) {
  return static_cast<int32_t>(ReadNumber(what, INT32_MIN, INT32_MAX));
}

uint32_t TStoreReader::ReadUInt(std::string_view what) {
  return static_cast<uint32_t>(ReadNumber(what, 0, UINT32_MAX));
}

bool TStoreReader::ReadBool(std::string_view what) { return ReadInt(what) == 1; }

}  // namespace tenvarra
