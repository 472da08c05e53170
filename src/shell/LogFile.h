#pragma once
// The run's log file: "<tick count>.log" in the data directory, one line per
// entry ("<short date> <long time> <text>"). The file is opened and closed
// for every line, so it can be read, copied or removed while the bridge runs.

#include <string>

namespace tenvarra {

class TLogFile {
public:
  // Name is "%d.log" of the tick count at start; Directory is where it goes.
  TLogFile(std::string Directory, std::string Name);

  const std::string& Name() const { return FName; }
  std::string Path() const;

  // Appends one line (created when missing). Returns an error text when the
  // line could not be written, but only for the first failure of the run:
  // a disk that is full or a directory without write access would otherwise
  // raise an error box for every line. Empty when written or already told.
  std::string Append(const std::string& Text);

  // The line as written, without its line end: the date and time in the
  // user's locale (%x %X), then the text.
  static std::string FormatLine(const std::string& Text);

private:
  std::string FDirectory;
  std::string FName;
  bool FFailureTold = false;
};

// "%d.log" of the signed 32-bit tick count.
std::string LogFileNameOfTick(int32_t Tick);

}  // namespace tenvarra
