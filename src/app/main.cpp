// tenvarra: the 605x interface on a virtual serial port, carried out on an
// SRCP server.

#include <cstdio>
#include <string>
#include <vector>

#include "app/App.h"
#include "app/AppOptions.h"
#include "app/CommandSocket.h"
#include "serialport/PortDirectory.h"
#include "shell/Bridge.h"

int main(int argc, char** argv) {
  tenvarra::TAppOptions options;
  try {
    options = tenvarra::ParseAppOptions(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const tenvarra::EAppOptionsError& Error) {
    std::fprintf(stderr, "tenvarra: %s\n%s", Error.Text.c_str(), tenvarra::AppUsage);
    return 2;
  }
  if (options.Help) {
    std::fputs(tenvarra::AppUsage, stdout);
    return 0;
  }
  if (options.Version) {
    std::printf("Tenvarra %s\n", tenvarra::TBridge::VersionText);
    return 0;
  }
  if (options.Command) {
    const std::string dir = options.PortDir.empty() ? tenvarra::DefaultPortDirectory() : options.PortDir;
    return tenvarra::SendInstanceCommand(dir, options.PortName, *options.Command, stdout, stderr);
  }
  return tenvarra::RunTenvarra(options, argc, argv);
}
