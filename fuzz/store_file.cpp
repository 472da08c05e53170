// Any bytes as loco.dat: loading must not crash, trip a sanitizer or let a
// count in the file size an allocation (the fuzzer's memory limit catches
// that), and a file that loads must save to a text that loads back to the
// same tables: saving it again gives the same text.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "shell/StoreFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  using namespace tenvarra;
  TDeviceStore loaded;
  try {
    ParseStoreFile("loco.dat", std::string(reinterpret_cast<const char*>(Data), Size), loaded);
  } catch (const EStoreFileError&) {
    return 0;  // refused with the line it stopped at: what a damaged file should get
  }
  const std::string saved = FormatStoreFile(loaded);
  TDeviceStore reloaded;
  ParseStoreFile("loco.dat", saved, reloaded);  // what this system writes must read back
  if (FormatStoreFile(reloaded) != saved) std::abort();
  return 0;
}
