#include "app/AppOptions.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string_view>

namespace tenvarra {

const char* const AppUsage =
    "Usage: tenvarra [options]\n"
    "Provides a 605x interface on a virtual serial port (COM<n>) and carries its\n"
    "commands out on an SRCP server.\n"
    "  --headless             no window: the log on standard output, messages and\n"
    "                         status on standard error, menu commands on standard\n"
    "                         input (connect, disconnect, power, feedback start,\n"
    "                         feedback stop, log, clear, state, exit; the setup:\n"
    "                         settings, set FIELD VALUE, locos, solenoids, loco\n"
    "                         add|delete, solenoid add|delete; help lists them)\n"
    "  --data-dir DIR         where loco.dat and the log files are (default: the\n"
    "                         program's directory when it can be written, else\n"
    "                         $XDG_DATA_HOME/tenvarra or ~/.local/share/tenvarra)\n"
    "  --port-dir DIR         where the COM<n> link is made (default:\n"
    "                         $XDG_RUNTIME_DIR/tenvarra or /tmp/tenvarra-<uid>)\n"
    "  --serial DEVICE        use this serial device (e.g. /dev/ttyUSB0, a\n"
    "                         /dev/serial/by-id/... link) as the port instead of a\n"
    "                         pseudo-terminal: 2400 baud 8N2, RTS the handshake\n"
    "                         line, DSR the application holding the port; the\n"
    "                         device is looked for again when it goes away\n"
    "  --connect              connect to the server at start\n"
    "  --log                  switch \"Log enabled\" on at start\n"
    "  --learn-loco N         answer the loco learning dialog with protocol N (0-10)\n"
    "  --learn-solenoid N     answer the solenoid learning dialog with N\n"
    "                         (0 Marklin/ Motorola, 1 NMRA/DCC)\n"
    "                         (without these, learning is cancelled)\n"
    "  --simulate[=PORT]      run the built-in simulated layout on 127.0.0.1 (default\n"
    "                         the settings' port) unless a server answers there, and\n"
    "                         use it\n"
    "  --reply-timeout SECS   how long to wait for a server's reply (default 10)\n"
    "  --server HOST[:PORT]   use this server for the run, whatever loco.dat says\n"
    "                         (port 12345 when left out; ignored with --simulate)\n"
    "  --reconnect            after a failed connect or a lost connection, connect\n"
    "                         again after 1, 2, 4 ... 30 s, until disconnect\n"
    "  --command TEXT         send one menu command to the running instance (the\n"
    "                         lowest COM number in the port directory, or --port),\n"
    "                         print its answer and end: 0 done, 1 refused or none\n"
    "  --port NAME            the instance --command talks to: COM<n>, or the file\n"
    "                         name of its serial device (ttyUSB0)\n"
    "  --help                 show this text\n"
    "  --version              show the version\n";

namespace {

// A whole decimal number in Min .. Max.
std::optional<long> WholeNumber(const std::string& Text, long Min, long Max) {
  if (Text.empty() || Text.size() > 9 || Text.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  const long value = std::strtol(Text.c_str(), nullptr, 10);
  if (value < Min || value > Max) return std::nullopt;
  return value;
}

[[noreturn]] void Refuse(const std::string& Text) { throw EAppOptionsError{Text}; }

// HOST, HOST:PORT or [ADDRESS]:PORT.
void ParseServer(const std::string& Text, TAppOptions& Options) {
  const auto refuse = [&] { Refuse("--server takes HOST[:PORT] with a port from 1 to 65535, not \"" + Text + "\""); };
  std::string host = Text;
  std::string port;
  if (host.starts_with("[")) {
    const auto close = host.find(']');
    if (close == std::string::npos) refuse();
    const std::string rest = host.substr(close + 1);
    host = host.substr(1, close - 1);
    if (!rest.empty()) {
      if (rest.front() != ':') refuse();
      port = rest.substr(1);
      if (port.empty()) refuse();
    }
  } else if (const auto colon = host.rfind(':'); colon != std::string::npos) {
    if (host.find(':') != colon) refuse();  // an IPv6 address goes in brackets
    port = host.substr(colon + 1);
    host.resize(colon);
    if (port.empty()) refuse();
  }
  if (host.empty() || host.find_first_of(" \t\r\n") != std::string::npos) refuse();
  Options.ServerHost = host;
  if (!port.empty()) {
    const auto number = WholeNumber(port, 1, 65535);
    if (!number) refuse();
    Options.ServerPort = static_cast<int>(*number);
  }
}

}  // namespace

TAppOptions ParseAppOptions(const std::vector<std::string>& Arguments) {
  TAppOptions options;
  for (std::size_t i = 0; i < Arguments.size(); ++i) {
    std::string arg = Arguments[i];
    std::optional<std::string> inlineValue;
    if (const auto equals = arg.find('='); arg.rfind("--", 0) == 0 && equals != std::string::npos) {
      inlineValue = arg.substr(equals + 1);
      arg.resize(equals);
    }
    // The value of an option that needs one, inline or as the next argument.
    auto value = [&]() -> std::string {
      if (inlineValue) return *inlineValue;
      if (i + 1 >= Arguments.size()) Refuse(arg + " needs a value");
      return Arguments[++i];
    };
    auto noValue = [&] {
      if (inlineValue) Refuse(arg + " takes no value");
    };
    if (arg == "--headless") {
      noValue(), options.Headless = true;
    } else if (arg == "--connect") {
      noValue(), options.Connect = true;
    } else if (arg == "--reconnect") {
      noValue(), options.Reconnect = true;
    } else if (arg == "--server") {
      ParseServer(value(), options);
    } else if (arg == "--command") {
      options.Command = value();
    } else if (arg == "--port") {
      options.PortName = value();
      const std::string& name = options.PortName;
      const bool com = name.starts_with("COM") && WholeNumber(name.substr(3), 1, 999);
      // A serial device's file name; a path would lead out of the port directory.
      const bool device = !name.starts_with("COM") && !name.empty() && name[0] != '.' &&
                          name.find('/') == std::string::npos;
      if (!com && !device)
        Refuse("--port takes a port name COM1 to COM999 or a serial device's file name, not \"" + name + "\"");
    } else if (arg == "--serial") {
      options.SerialDevice = value();
      if (options.SerialDevice.empty() || options.SerialDevice.back() == '/')
        Refuse("--serial needs a device, not \"" + options.SerialDevice + "\"");
    } else if (arg == "--log") {
      noValue(), options.Log = true;
    } else if (arg == "--help") {
      noValue(), options.Help = true;
    } else if (arg == "--version") {
      noValue(), options.Version = true;
    } else if (arg == "--data-dir") {
      options.DataDir = value();
      if (options.DataDir.empty()) Refuse("--data-dir needs a directory");
    } else if (arg == "--port-dir") {
      options.PortDir = value();
      if (options.PortDir.empty()) Refuse("--port-dir needs a directory");
    } else if (arg == "--learn-loco") {
      const std::string text = value();
      const auto entry = WholeNumber(text, 0, 10);
      if (!entry) Refuse("--learn-loco takes a protocol from 0 to 10, not \"" + text + "\"");
      options.LearnLoco = static_cast<int>(*entry);
    } else if (arg == "--learn-solenoid") {
      const std::string text = value();
      const auto entry = WholeNumber(text, 0, 1);
      if (!entry) Refuse("--learn-solenoid takes 0 (Marklin/ Motorola) or 1 (NMRA/DCC), not \"" + text + "\"");
      options.LearnSolenoid = static_cast<int>(*entry);
    } else if (arg == "--simulate") {
      options.Simulate = true;
      if (inlineValue) {
        const auto port = WholeNumber(*inlineValue, 1, 65535);
        if (!port) Refuse("--simulate takes a TCP port from 1 to 65535, not \"" + *inlineValue + "\"");
        options.SimulatePort = static_cast<int>(*port);
      }
    } else if (arg == "--reply-timeout") {
      const std::string text = value();
      char* end = nullptr;
      errno = 0;
      const double seconds = std::strtod(text.c_str(), &end);
      if (text.empty() || *end != '\0' || errno != 0 || !std::isfinite(seconds) || seconds <= 0 ||
          seconds > 3600)
        Refuse("--reply-timeout takes seconds above 0 and up to 3600, not \"" + text + "\"");
      options.ReplyTimeoutMs = std::max(1, static_cast<int>(std::lround(seconds * 1000)));
    } else {
      Refuse("unknown option \"" + Arguments[i] + "\"");
    }
  }
  return options;
}

}  // namespace tenvarra
