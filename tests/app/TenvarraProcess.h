#pragma once
// A real program (tenvarra, tenvarra-sim) as a child process for end-to-end
// tests: its standard input for menu commands, its standard output (the screen log) and
// standard error (messages, status, menu marks) collected as lines. Every
// wait is bounded, so a line the program never writes fails the test
// instead of hanging it. The program is ended by SIGTERM, then SIGKILL.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "common/SocketLines.h"
#include "platform/UniqueFd.h"

namespace tenvarra::test {

using Strings = std::vector<std::string>;

// Longer than the other tests' limit: a whole program starts under the sanitizers.
constexpr int WaitMs = 10000;

inline TTestClock::time_point Deadline() { return TTestClock::now() + std::chrono::milliseconds(WaitMs); }

class TTenvarraProcess {
public:
  TTenvarraProcess(const char* Program, const Strings& Arguments) {
    int in[2], out[2], err[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return;
    FPid = ::fork();
    if (FPid == 0) {
      ::dup2(in[0], 0), ::dup2(out[1], 1), ::dup2(err[1], 2);
      std::vector<char*> argv{const_cast<char*>(Program)};
      for (const std::string& a : Arguments) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      ::execv(Program, argv.data());
      ::_exit(127);
    }
    ::close(in[0]), ::close(out[1]), ::close(err[1]);
    FIn.Reset(in[1]), FOut.Fd.Reset(out[0]), FErr.Fd.Reset(err[0]);
  }
  ~TTenvarraProcess() {
    if (FPid > 0 && !FStatus) {
      ::kill(FPid, SIGKILL);
      ::waitpid(FPid, nullptr, 0);
    }
  }
  TTenvarraProcess(const TTenvarraProcess&) = delete;
  TTenvarraProcess& operator=(const TTenvarraProcess&) = delete;

  void Command(const std::string& Line) const { Write(Line + "\n"); }
  // Bytes on standard input as they are, and the end of that input.
  void Write(const std::string& Data) const {
    [[maybe_unused]] const ssize_t n = ::write(FIn.Get(), Data.data(), Data.size());
  }
  void CloseInput() { FIn.Reset(); }

  // Waits for a standard output / error line equal to Line (or, with a
  // trailing "*", starting with what precedes it) after the ones matched
  // before; true when it came.
  bool WaitOut(const std::string& Line) { return WaitFor(FOut, Line); }
  // As WaitOut, but looking without a pause instead of sleeping in poll(2),
  // which would see the line only tens of microseconds late; gives up after Limit.
  bool SpinOut(const std::string& Line, std::chrono::microseconds Limit) {
    const auto deadline = TTestClock::now() + Limit;
    while (!Match(FOut, Line)) {
      if (TTestClock::now() > deadline) return false;
      Pump(0);
    }
    return true;
  }
  bool WaitErr(const std::string& Line) { return WaitFor(FErr, Line); }
  // Lines read so far.
  const Strings& Out() const { return FOut.Lines; }
  const Strings& Err() const { return FErr.Lines; }
  // Lines from the last match on.
  Strings OutSinceMatch() const { return Strings(FOut.Lines.begin() + FOut.Matched, FOut.Lines.end()); }
  // Moves the match position of standard output to its end.
  void SkipOut() { FOut.Matched = FOut.Lines.size(); }

  // The exit status once the program has ended within the wait; none else.
  std::optional<int> WaitExit() {
    const auto deadline = Deadline();
    while (!FStatus) {
      int status = 0;
      if (::waitpid(FPid, &status, WNOHANG) == FPid) {
        FStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        break;
      }
      if (MsLeft(deadline) == 0) break;
      // Keep the pipes drained meanwhile; an exiting child closes them.
      Pump(std::min(MsLeft(deadline), 20));
    }
    while (Pump(0)) {
    }
    return FStatus;
  }
  std::optional<int> Terminate(int Signal = SIGTERM) {
    ::kill(FPid, Signal);
    return WaitExit();
  }

  // Count bytes from the application's end of the port, or what came before
  // the time ran out. The program's output is drained meanwhile: a full pipe
  // would stop the program before it could answer.
  std::vector<uint8_t> ReadPort(int Fd, std::size_t Count) {
    std::vector<uint8_t> got;
    const auto deadline = Deadline();
    while (got.size() < Count) {
      pollfd fds[3] = {{Fd, POLLIN, 0}, {FOut.Fd.Get(), POLLIN, 0}, {FErr.Fd.Get(), POLLIN, 0}};
      if (::poll(fds, 3, MsLeft(deadline)) <= 0) break;
      if (fds[1].revents || fds[2].revents) Pump(0);
      if (!fds[0].revents) continue;
      uint8_t chunk[256];
      const ssize_t n = ::read(Fd, chunk, std::min(sizeof chunk, Count - got.size()));
      if (n <= 0) break;
      got.insert(got.end(), chunk, chunk + n);
    }
    return got;
  }

  static bool Matches(const std::string& Got, const std::string& Want) {
    if (!Want.empty() && Want.back() == '*') return Got.rfind(Want.substr(0, Want.size() - 1), 0) == 0;
    return Got == Want;
  }

private:
  struct TStream {
    TUniqueFd Fd;
    std::string Partial;
    Strings Lines;
    std::size_t Matched = 0;
  };

  bool WaitFor(TStream& Stream, const std::string& Line) {
    const auto deadline = Deadline();
    for (;;) {
      if (Match(Stream, Line)) return true;
      if (MsLeft(deadline) == 0 || !Pump(MsLeft(deadline))) return false;
    }
  }
  // Whether a line read since the last match matches Line; it becomes the last match.
  static bool Match(TStream& Stream, const std::string& Line) {
    for (std::size_t i = Stream.Matched; i < Stream.Lines.size(); ++i) {
      if (Matches(Stream.Lines[i], Line)) {
        Stream.Matched = i + 1;
        return true;
      }
    }
    return false;
  }

  // Reads what either stream holds, waiting up to TimeoutMs; false when
  // nothing could be read (time-out or both ends closed).
  bool Pump(int TimeoutMs) {
    pollfd fds[2] = {{FOut.Fd.Get(), POLLIN, 0}, {FErr.Fd.Get(), POLLIN, 0}};
    if (::poll(fds, 2, TimeoutMs) <= 0) return false;
    bool read = false;
    TStream* streams[2] = {&FOut, &FErr};
    for (int i = 0; i < 2; ++i) {
      if (!(fds[i].revents & (POLLIN | POLLHUP)) || !streams[i]->Fd.Valid()) continue;
      char chunk[65536];
      const ssize_t n = ::read(streams[i]->Fd.Get(), chunk, sizeof chunk);
      if (n <= 0) {
        streams[i]->Fd.Reset();
        continue;
      }
      read = true;
      TStream& s = *streams[i];
      s.Partial.append(chunk, static_cast<std::size_t>(n));
      std::size_t end;
      while ((end = s.Partial.find('\n')) != std::string::npos) {
        s.Lines.push_back(s.Partial.substr(0, end));
        s.Partial.erase(0, end + 1);
      }
    }
    return read;
  }

  pid_t FPid = -1;
  TUniqueFd FIn;
  TStream FOut, FErr;
  std::optional<int> FStatus;
};

// Waits Gap out on the processor: a sleep cannot end within a few microseconds.
inline void SpinFor(std::chrono::microseconds Gap) {
  const auto due = TTestClock::now() + Gap;
  while (TTestClock::now() < due) {
  }
}

// The railway-control application's end of the COM link: raw 8-bit mode,
// bytes written at once (replies: TTenvarraProcess::ReadPort).
class TComClient {
public:
  explicit TComClient(const std::string& Link) : FFd(::open(Link.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC)) {
    termios mode{};
    if (::tcgetattr(FFd.Get(), &mode) != 0) return;
    ::cfmakeraw(&mode);
    ::tcsetattr(FFd.Get(), TCSANOW, &mode);
  }
  bool Opened() const { return FFd.Valid(); }
  bool Write(const std::vector<uint8_t>& Bytes) const {
    return ::write(FFd.Get(), Bytes.data(), Bytes.size()) == static_cast<ssize_t>(Bytes.size());
  }
  // As hosts that pace their bytes write: each byte on its own, Gap apart.
  bool WritePaced(const std::vector<uint8_t>& Bytes, std::chrono::milliseconds Gap) const {
    for (std::size_t i = 0; i < Bytes.size(); ++i) {
      if (i > 0) std::this_thread::sleep_for(Gap);
      if (!Write({Bytes[i]})) return false;
    }
    return true;
  }
  int Fd() const { return FFd.Get(); }
  void Close() { FFd.Reset(); }

private:
  TUniqueFd FFd;
};

}  // namespace tenvarra::test
