// tenvarra-sim: the simulated layout server as a program of its own.

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <stdexcept>
#include <string>
#include <string_view>

#include "sim/SimServer.h"

namespace {

constexpr const char* Usage =
    "Usage: tenvarra-sim [--listen ADDR] [--port N] [--fb-pattern] [--help] [--version]\n"
    "A simulated SRCP 0.8.2 layout server.\n"
    "  --listen ADDR  address to listen on (default 127.0.0.1, loopback only)\n"
    "  --port N       TCP port (default 12345; 0 picks a free one)\n"
    "  --fb-pattern   run a slow light over the first feedback contacts of bus 8\n"
    "  --help         show this text\n"
    "  --version      show the version\n";

int Refuse(const std::string& Why) {
  std::cerr << "tenvarra-sim: " << Why << "\n" << Usage;
  return 2;
}

bool ParsePort(const std::string& Text, int& Port) {
  if (Text.empty() || Text.size() > 5 || Text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  Port = std::stoi(Text);
  return Port <= 65535;
}

}  // namespace

int main(int argc, char** argv) {
  tenvarra::TSimOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--help") {
      std::cout << Usage;
      return 0;
    } else if (arg == "--version") {
      std::cout << tenvarra::TSimServer::Version() << "\n";
      return 0;
    } else if (arg == "--fb-pattern") {
      options.FeedbackPattern = true;
    } else if (arg == "--listen" && hasValue) {
      options.ListenAddress = argv[++i];
    } else if (arg == "--port" && hasValue) {
      if (!ParsePort(argv[++i], options.Port)) return Refuse("not a port: " + std::string(argv[i]));
    } else {
      return Refuse("unknown option or missing value: " + std::string(arg));
    }
  }

  // The server's thread inherits the blocked signals, so they reach sigwait here.
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGINT);
  sigaddset(&stop, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop, nullptr);

  tenvarra::TSimServer server(options);
  try {
    server.Start();
  } catch (const std::runtime_error& error) {
    std::cerr << "tenvarra-sim: " << error.what() << "\n";
    return 1;
  }
  std::cout << "tenvarra-sim listening on " << server.Endpoint() << std::endl;
  int signal = 0;
  sigwait(&stop, &signal);
  server.Stop();
  return 0;
}
