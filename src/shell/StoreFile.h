#pragma once
// loco.dat: the settings and device tables as a text file, one value a line,
// lines ended by CR LF.

#include <string>

#include "shell/DeviceStore.h"
#include "shell/StoreReader.h"

namespace tenvarra {

enum class TLoadResult {
  Loaded,      // the file was read to its end
  FirstStart,  // there was no file: the defaults stay
};

// Reads the file into Store. Reading stops at the first error, which is
// thrown (EStoreFileError naming file and line, or std::runtime_error when
// the file cannot be opened); what was read before it stays in Store. The
// unreadable file is then copied to FileName + ".bak", so that a later save
// cannot destroy the only copy of it.
TLoadResult LoadStoreFile(const std::string& FileName, TDeviceStore& Store);

// Writes the whole file anew: into a temporary file first, renamed over the
// old one once complete, so a failed write (thrown as std::runtime_error
// naming the file) leaves the old file whole.
void SaveStoreFile(const std::string& FileName, const TDeviceStore& Store);

// The file's text, as SaveStoreFile writes it.
std::string FormatStoreFile(const TDeviceStore& Store);

}  // namespace tenvarra
