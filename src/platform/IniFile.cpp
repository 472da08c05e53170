#include "platform/IniFile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <utility>

namespace tenvarra {

namespace {

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

std::string_view Trim(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace

TIniFile::TIniFile(std::string fileName) : FFileName(std::move(fileName)) { Reload(); }

void TIniFile::Reload() {
  FSections.clear();
  std::ifstream in(FFileName, std::ios::binary);
  if (!in) return;
  std::string line;
  TSection* current = nullptr;
  while (std::getline(in, line)) {
    std::string_view l = Trim(line);
    if (l.empty() || l.front() == ';') continue;
    if (l.front() == '[') {
      const auto close = l.find(']');
      std::string name(Trim(l.substr(1, close == std::string_view::npos ? l.npos : close - 1)));
      current = Find(name);
      if (!current) {
        FSections.push_back(TSection{name, {}});
        current = &FSections.back();
      }
      continue;
    }
    if (!current) continue;  // keys before the first section belong to none
    const auto eq = l.find('=');
    std::string key(Trim(l.substr(0, eq)));
    std::string value(eq == std::string_view::npos ? std::string_view{} : Trim(l.substr(eq + 1)));
    auto it = std::find_if(current->Entries.begin(), current->Entries.end(),
                           [&](const TEntry& e) { return SameName(e.Key, key); });
    if (it != current->Entries.end())
      continue;  // the first of two equal keys wins, as lookups would find it
    current->Entries.push_back(TEntry{std::move(key), std::move(value)});
  }
}

const TIniFile::TSection* TIniFile::Find(std::string_view section) const {
  for (const auto& s : FSections)
    if (SameName(s.Name, section)) return &s;
  return nullptr;
}

TIniFile::TSection* TIniFile::Find(std::string_view section) {
  return const_cast<TSection*>(std::as_const(*this).Find(section));
}

const TIniFile::TEntry* TIniFile::Find(const TSection& s, std::string_view key) {
  for (const auto& e : s.Entries)
    if (SameName(e.Key, key)) return &e;
  return nullptr;
}

std::string TIniFile::ReadString(std::string_view section, std::string_view key,
                                 std::string_view def) const {
  if (const TSection* s = Find(section))
    if (const TEntry* e = Find(*s, key)) return e->Value;
  return std::string(def);
}

int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key, int32_t def) const {
  const std::string text = ReadString(section, key, "");
  std::string_view v = text;
  bool negative = false;
  if (!v.empty() && (v.front() == '-' || v.front() == '+')) {
    negative = v.front() == '-';
    v.remove_prefix(1);
  }
  int base = 10;
  if (v.size() > 2 && v[0] == '0' && (v[1] == 'x' || v[1] == 'X')) {
    base = 16;
    v.remove_prefix(2);
  }
  if (v.empty()) return def;
  int64_t magnitude = 0;
  const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), magnitude, base);
  if (ec != std::errc() || end != v.data() + v.size() || magnitude < 0) return def;
  const int64_t value = negative ? -magnitude : magnitude;
  if (value < INT32_MIN || value > INT32_MAX) return def;
  return static_cast<int32_t>(value);
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  TSection* s = Find(section);
  if (!s) {
    FSections.push_back(TSection{std::string(section), {}});
    s = &FSections.back();
  }
  // A value is one line; line breaks would split it into a bogus key.
  std::string v(value);
  std::replace_if(v.begin(), v.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  auto it = std::find_if(s->Entries.begin(), s->Entries.end(),
                         [&](const TEntry& e) { return SameName(e.Key, key); });
  if (it != s->Entries.end())
    it->Value = std::move(v);
  else
    s->Entries.push_back(TEntry{std::string(key), std::move(v)});
  Save();
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

std::vector<std::string> TIniFile::ReadSection(std::string_view section) const {
  std::vector<std::string> keys;
  if (const TSection* s = Find(section))
    for (const auto& e : s->Entries) keys.push_back(e.Key);
  return keys;
}

std::vector<std::string> TIniFile::ReadSections() const {
  std::vector<std::string> names;
  for (const auto& s : FSections) names.push_back(s.Name);
  return names;
}

bool TIniFile::SectionExists(std::string_view section) const { return Find(section) != nullptr; }

bool TIniFile::ValueExists(std::string_view section, std::string_view key) const {
  const TSection* s = Find(section);
  return s && Find(*s, key);
}

void TIniFile::EraseSection(std::string_view section) {
  const auto before = FSections.size();
  std::erase_if(FSections, [&](const TSection& s) { return SameName(s.Name, section); });
  if (FSections.size() != before) Save();
}

void TIniFile::DeleteKey(std::string_view section, std::string_view key) {
  TSection* s = Find(section);
  if (!s) return;
  const auto before = s->Entries.size();
  std::erase_if(s->Entries, [&](const TEntry& e) { return SameName(e.Key, key); });
  if (s->Entries.size() != before) Save();
}

void TIniFile::Save() const {
  std::ostringstream out;
  bool first = true;
  for (const auto& s : FSections) {
    if (!first) out << "\r\n";
    first = false;
    out << '[' << s.Name << "]\r\n";
    for (const auto& e : s.Entries) out << e.Key << '=' << e.Value << "\r\n";
  }
  const std::string text = out.str();
  const std::string temp = FFileName + ".tmp";
  std::FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) throw std::runtime_error("Unable to write to " + FFileName + ": " + std::strerror(errno));
  const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  const int err = written ? 0 : errno;
  if (std::fclose(f) != 0 || !written) {
    std::remove(temp.c_str());
    throw std::runtime_error("Unable to write to " + FFileName + ": " +
                             std::strerror(err ? err : errno));
  }
  if (std::rename(temp.c_str(), FFileName.c_str()) != 0) {
    const int e = errno;
    std::remove(temp.c_str());
    throw std::runtime_error("Unable to write to " + FFileName + ": " + std::strerror(e));
  }
}

std::vector<std::string> SplitCommaText(std::string_view text) {
  std::vector<std::string> items;
  size_t i = 0;
  const auto blank = [](char c) { return c > 0 && c <= ' '; };
  while (i < text.size() && blank(text[i])) ++i;
  if (i >= text.size()) return items;
  while (true) {
    std::string item;
    if (i < text.size() && text[i] == '"') {
      ++i;
      while (i < text.size()) {
        if (text[i] == '"') {
          if (i + 1 < text.size() && text[i + 1] == '"') {
            item += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        item += text[i++];
      }
    } else {
      while (i < text.size() && text[i] != ',' && !blank(text[i])) item += text[i++];
    }
    items.push_back(std::move(item));
    while (i < text.size() && blank(text[i])) ++i;
    if (i >= text.size()) break;
    if (text[i] == ',') {
      ++i;
      while (i < text.size() && blank(text[i])) ++i;
      if (i >= text.size()) {  // a trailing comma ends in an empty item
        items.emplace_back();
        break;
      }
    }
  }
  return items;
}

}  // namespace tenvarra
