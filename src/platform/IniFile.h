#pragma once
// A private-profile INI file: "[Section]" headers and "Key=Value" lines.
// Sections and keys keep the order in which they stand in the file (and new
// ones are appended), because the profile lists use key order as item order.
// Names compare case-insensitively (ASCII), values are kept verbatim.
// Every write goes to disk at once, through a temporary file and a rename, so
// a failed write leaves the previous file whole.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tenvarra {

class TIniFile {
public:
  // Reads the file when it exists; a missing file is an empty profile.
  explicit TIniFile(std::string fileName);

  const std::string& FileName() const { return FFileName; }

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view def) const;
  // A value that is not a whole decimal (or 0x hex) 32-bit number reads as def.
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t def) const;
  bool ReadBool(std::string_view section, std::string_view key, bool def) const;

  // Writes fail with std::runtime_error naming the file.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int32_t value);
  void WriteBool(std::string_view section, std::string_view key, bool value);

  // Key names of one section, in file order.
  std::vector<std::string> ReadSection(std::string_view section) const;
  // Section names, in file order.
  std::vector<std::string> ReadSections() const;
  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;

  void EraseSection(std::string_view section);
  void DeleteKey(std::string_view section, std::string_view key);

  // Reads the file again, dropping what is held in memory.
  void Reload();

private:
  struct TEntry {
    std::string Key;
    std::string Value;
  };
  struct TSection {
    std::string Name;
    std::vector<TEntry> Entries;
  };

  const TSection* Find(std::string_view section) const;
  TSection* Find(std::string_view section);
  static const TEntry* Find(const TSection& s, std::string_view key);
  void Save() const;

  std::string FFileName;
  std::vector<TSection> FSections;
};

// Splits comma text: items are separated by commas or by blanks outside
// double quotes; a quoted item may hold blanks and commas, "" stands for one
// quote inside it. Empty items between two commas are kept as empty strings.
std::vector<std::string> SplitCommaText(std::string_view text);

}  // namespace tenvarra
