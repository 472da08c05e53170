#pragma once
// The bridge's side of a port's modem lines (modemlines/LineState.h): the
// file "COM<n>.lines" in the port directory, mapped, with CTS following the
// handshake line and DSR and CD on while the port exists. What the
// application sets (DTR, RTS) is read back from it.
//
// Changing a line is a few atomic operations; the wake-up call for a
// sleeping TIOCMIWAIT is made only while one sleeps.

#include <cstdint>
#include <string>

#include "platform/UniqueFd.h"

struct tenvarra_lines;

namespace tenvarra {

class TPortDirectory;

class TLineState {
public:
  // Makes "<Name>.lines" in Directory with CTS, DSR and CD on, replacing in
  // one step a file left by a run that was killed. Raises EVSPortError.
  TLineState(const TPortDirectory& Directory, const std::string& Name);
  // Ends the lines (see End) and unmaps them; the file stays (see Remove).
  ~TLineState();
  TLineState(const TLineState&) = delete;
  TLineState& operator=(const TLineState&) = delete;

  void SetCts(bool On);
  // TIOCM_DTR and TIOCM_RTS as the application set them.
  uint32_t ApplicationLines() const;
  // Drops every line the bridge drives and tells sleepers that the port is gone.
  void End();
  // Removes the file while it is still the one made here.
  void Remove();

  // The file, for watching the application's changes (inotify IN_MODIFY).
  std::string Path() const;

private:
  void Change(uint32_t Set, uint32_t Clear);

  const TPortDirectory& FDirectory;
  std::string FFileName;
  TUniqueFd FFd;
  tenvarra_lines* FLines = nullptr;
};

}  // namespace tenvarra
