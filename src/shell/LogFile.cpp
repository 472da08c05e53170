#include "shell/LogFile.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <utility>

namespace tenvarra {

TLogFile::TLogFile(std::string Directory, std::string Name)
    : FDirectory(std::move(Directory)), FName(std::move(Name)) {}

std::string TLogFile::Path() const {
  if (FDirectory.empty()) return FName;
  return FDirectory.back() == '/' ? FDirectory + FName : FDirectory + "/" + FName;
}

std::string TLogFile::FormatLine(const std::string& Text) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  char date[64] = "";
  char time[64] = "";
  std::strftime(date, sizeof date, "%x", &local);
  std::strftime(time, sizeof time, "%X", &local);
  return std::string(date) + " " + time + " " + Text;
}

std::string TLogFile::Append(const std::string& Text) {
  const std::string path = Path();
  const std::string line = FormatLine(Text) + "\n";
  std::FILE* file = std::fopen(path.c_str(), "ae");
  bool written = false;
  int error = errno;
  if (file) {
    written = std::fwrite(line.data(), 1, line.size(), file) == line.size();
    if (!written) error = errno;
    if (std::fclose(file) != 0 && written) {
      written = false;
      error = errno;
    }
  }
  if (written || FFailureTold) return {};
  FFailureTold = true;
  return "Cannot write the log file " + path + ": " + std::strerror(error);
}

std::string LogFileNameOfTick(int32_t Tick) { return std::to_string(Tick) + ".log"; }

}  // namespace tenvarra
