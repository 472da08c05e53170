#pragma once
// loco.dat: the settings and device tables as a text file, one value a line,
// lines ended by CR LF.

#include <string>
#include <utility>

#include "shell/DeviceStore.h"
#include "shell/StoreReader.h"

namespace tenvarra {

enum class TLoadResult {
  Loaded,      // the file was read to its end
  FirstStart,  // there was no file: the defaults stay
};

// The file of one run. It remembers a failed load whose file could not be
// kept, so that no save replaces the only copy of the user's file unseen.
class TStoreFile {
public:
  explicit TStoreFile(std::string FileName) : FFileName(std::move(FileName)) {}

  const std::string& FileName() const { return FFileName; }

  // Reads the file into Store. Reading stops at the first error, which is
  // thrown (EStoreFileError naming file and line, or std::runtime_error when
  // the file cannot be read); what was read before it stays in Store. The
  // unreadable file is then copied to FileName + ".bak", so that a later
  // save cannot destroy the only copy of it.
  TLoadResult Load(TDeviceStore& Store);

  // Writes the whole file anew: into a temporary file of this save's own
  // beside it first, renamed over the old one once complete, so a failed
  // write (thrown as std::runtime_error naming the path that failed and why)
  // leaves the old file whole, and of two saves at once the last one wins
  // whole. A symbolic link is saved through to its target; the old file's
  // mode stays (a new file is 0600). After a failed load whose
  // file could not be copied, the copy is tried again first; while it fails,
  // nothing is written and the error says why.
  void Save(const TDeviceStore& Store);

private:
  std::string FFileName;
  std::string FUnkept;  // why the file on disk may not be replaced; empty when it may
};

// Reads Text, the contents of the file FileName, into Store by the rules of
// TStoreFile::Load, raising EStoreFileError at the first value it cannot read.
void ParseStoreFile(const std::string& FileName, std::string Text, TDeviceStore& Store);

// The file's text, as Save writes it. Line breaks and other control
// characters in the host and protocol names are written as blanks: each
// takes one line, which must not shift the lines after it.
std::string FormatStoreFile(const TDeviceStore& Store);

}  // namespace tenvarra
