#include "app/CommandSocket.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <utility>

namespace tenvarra {

namespace {

constexpr const char* SocketSuffix = ".sock";

sockaddr_un AddressOf(const std::string& Path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (Path.size() >= sizeof address.sun_path)
    throw std::runtime_error(Path + ": the path is too long for a socket");
  std::memcpy(address.sun_path, Path.c_str(), Path.size() + 1);
  return address;
}

std::runtime_error Failure(const std::string& Path, const char* What) {
  return std::runtime_error(Path + ": " + What + ": " + std::strerror(errno));
}

}  // namespace

TCommandSocket::TCommandSocket(TEventLoop& Loop, std::string Path, TRunner Runner, int TimeoutMs)
    : FLoop(Loop), FPath(std::move(Path)), FRunner(std::move(Runner)), FTimeoutMs(TimeoutMs) {
  const sockaddr_un address = AddressOf(FPath);
  FListen.Reset(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
  if (!FListen.Valid()) throw Failure(FPath, "socket");
  // Left by an instance that did not end cleanly: the COM name is ours now.
  struct stat status{};
  if (::lstat(FPath.c_str(), &status) == 0 && S_ISSOCK(status.st_mode)) ::unlink(FPath.c_str());
  if (::bind(FListen.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
    throw Failure(FPath, "bind");
  ::chmod(FPath.c_str(), 0600);
  if (::listen(FListen.Get(), 8) != 0) {
    ::unlink(FPath.c_str());
    throw Failure(FPath, "listen");
  }
  FListenWatch = FLoop.Watch(FListen.Get(), ioRead, [this](int, unsigned) { Accept(); });
}

TCommandSocket::~TCommandSocket() {
  while (!FClients.empty()) Drop(FClients.begin()->first);
  if (FListenWatch != 0) FLoop.Unwatch(FListenWatch);
  ::unlink(FPath.c_str());
}

void TCommandSocket::Accept() {
  for (;;) {
    TUniqueFd fd(::accept4(FListen.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
    if (!fd.Valid()) return;  // none waiting, or the client gave up already
    const int key = fd.Get();
    auto client = std::make_unique<TClient>();
    const uint64_t serial = client->Serial = ++FLastSerial;
    client->Fd = std::move(fd);
    client->Watch = FLoop.Watch(key, ioRead, [this](int Fd, unsigned) { Read(Fd); });
    client->Timer = FLoop.StartTimer(FTimeoutMs, false, [this, key, serial] {
      if (!Holds(key, serial)) return;
      FClients.at(key)->Timer = 0;
      Drop(key);
    });
    FClients[key] = std::move(client);
  }
}

void TCommandSocket::Read(int Fd) {
  TClient& client = *FClients.at(Fd);
  char chunk[512];
  const ssize_t got = ::read(Fd, chunk, sizeof chunk);
  if (got < 0 && (errno == EAGAIN || errno == EINTR)) return;
  if (got < 0) {
    Drop(Fd);
    return;
  }
  client.Request.append(chunk, static_cast<std::size_t>(got));
  const std::size_t end = client.Request.find('\n');
  if (end == std::string::npos && got > 0) {
    if (client.Request.size() > MaxRequest) Answer(Fd, {{"the command is longer than 1024 bytes"}, true});
    return;
  }
  if (end != std::string::npos) client.Request.resize(end);
  if (client.Request.size() > MaxRequest) {
    Answer(Fd, {{"the command is longer than 1024 bytes"}, true});
    return;
  }
  // The command has come whole: nothing more is read, and its time-out
  // stops, since a command may run the loop (a message box) for as long as
  // the person takes. The reply goes out before what the command starts (a
  // close, a connect) runs on.
  FLoop.Unwatch(client.Watch);
  client.Watch = 0;
  FLoop.StopTimer(client.Timer);
  client.Timer = 0;
  const uint64_t serial = client.Serial;
  const TCommandAnswer answer = FRunner(client.Request);
  // Whoever holds this descriptor number now is answered only when it is
  // the client that asked.
  if (Holds(Fd, serial)) Answer(Fd, answer);
}

bool TCommandSocket::Holds(int Fd, uint64_t Serial) const {
  const auto found = FClients.find(Fd);
  return found != FClients.end() && found->second->Serial == Serial;
}

void TCommandSocket::Answer(int Fd, const TCommandAnswer& Answer) {
  std::string reply = Answer.Refused ? "FAIL\n" : "OK\n";
  for (const std::string& line : Answer.Lines) reply += line + "\n";
  // Small replies fit the socket's buffer; a client that does not read is
  // not waited for.
  std::size_t written = 0;
  while (written < reply.size()) {
    const ssize_t n = ::send(Fd, reply.data() + written, reply.size() - written, MSG_NOSIGNAL);
    if (n <= 0) break;
    written += static_cast<std::size_t>(n);
  }
  Drop(Fd);
}

void TCommandSocket::Drop(int Fd) {
  const auto found = FClients.find(Fd);
  if (found == FClients.end()) return;
  TClient& client = *found->second;
  if (client.Watch != 0) FLoop.Unwatch(client.Watch);
  if (client.Timer != 0) FLoop.StopTimer(client.Timer);
  FClients.erase(found);
}

// ---- The client ----

namespace {

// The socket of the lowest COM number with one in the directory; empty
// when there is none (or no such directory: it is not made here).
std::string LowestInstance(const std::string& PortDir) {
  std::error_code error;
  std::string best;
  long lowest = 0;
  for (const auto& entry : std::filesystem::directory_iterator(PortDir, error)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with("COM") || !name.ends_with(SocketSuffix)) continue;
    const std::string digits = name.substr(3, name.size() - 3 - std::strlen(SocketSuffix));
    if (digits.empty() || digits.size() > 3 || digits.find_first_not_of("0123456789") != std::string::npos)
      continue;
    const long number = std::stol(digits);
    if (number > 0 && (lowest == 0 || number < lowest)) {
      lowest = number;
      best = name;
    }
  }
  return best.empty() ? std::string() : PortDir + "/" + best;
}

}  // namespace

int SendInstanceCommand(const std::string& PortDir, const std::string& PortName, const std::string& Text,
                        std::FILE* Out, std::FILE* Err) {
  const auto fail = [Err](const std::string& Why) {
    std::fprintf(Err, "tenvarra: %s\n", Why.c_str());
    return 1;
  };
  if (Text.find('\n') != std::string::npos) return fail("a command is one line");
  const std::string path = PortName.empty() ? LowestInstance(PortDir) : TCommandSocket::PathFor(PortDir, PortName);
  if (path.empty()) return fail("no running instance has a port in " + PortDir);
  TUniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_un address{};
  try {
    address = AddressOf(path);
  } catch (const std::exception& Error) {
    return fail(Error.what());
  }
  if (!fd.Valid() || ::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
    return fail("no running instance answers on " + path + ": " + std::strerror(errno));
  const std::string request = Text + "\n";
  if (::send(fd.Get(), request.data(), request.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(request.size()))
    return fail("the instance did not take the command: " + std::string(std::strerror(errno)));

  // A command may run a while (a connect waits for the server); an
  // instance that never answers is given up after a minute.
  constexpr int AnswerTimeoutMs = 60000;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(AnswerTimeoutMs);
  std::string reply;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd ready{fd.Get(), POLLIN, 0};
    if (left.count() <= 0 || ::poll(&ready, 1, static_cast<int>(left.count())) == 0)
      return fail("the instance did not answer");
    char chunk[4096];
    const ssize_t n = ::read(fd.Get(), chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    reply.append(chunk, static_cast<std::size_t>(n));
  }
  const std::size_t first = reply.find('\n');
  const std::string status = reply.substr(0, first);
  const std::string rest = first == std::string::npos ? std::string() : reply.substr(first + 1);
  if (status != "OK" && status != "FAIL") return fail("the instance ended without an answer");
  std::fputs(rest.c_str(), status == "OK" ? Out : Err);
  return status == "OK" ? 0 : 1;
}

}  // namespace tenvarra
