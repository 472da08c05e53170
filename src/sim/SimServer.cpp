#include "sim/SimServer.h"

#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/TcpConnect.h"
#include "sim/SimLayout.h"
#include "sim/SimLoop.h"

namespace tenvarra {

namespace {

// A non-blocking socket listening on Address:Port; raises naming both.
int Listen(const std::string& Address, int Port) {
  const std::string where = PeerName(Address, Port);
  // The resolver would wrap a larger number into another port.
  if (Port < 0 || Port > 65535)
    throw std::runtime_error("cannot listen on " + where + ": port " + std::to_string(Port) +
                             " is not a TCP port");
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const int rc = ::getaddrinfo(Address.c_str(), std::to_string(Port).c_str(), &hints, &found);
  if (rc != 0) throw std::runtime_error("cannot listen on " + where + ": " + gai_strerror(rc));
  const int fd = ::socket(found->ai_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  int error = errno;
  if (fd >= 0) {
    // A restart must not wait for the last run's connections to time out.
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    const bool ok =
        ::bind(fd, found->ai_addr, found->ai_addrlen) == 0 && ::listen(fd, SOMAXCONN) == 0;
    error = errno;
    if (!ok) ::close(fd);
    if (ok) {
      ::freeaddrinfo(found);
      return fd;
    }
  }
  ::freeaddrinfo(found);
  throw std::runtime_error("cannot listen on " + where + ": " + std::strerror(error));
}

int BoundPort(int Fd) {
  sockaddr_storage address{};
  socklen_t length = sizeof address;
  if (::getsockname(Fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) return 0;
  if (address.ss_family == AF_INET6)
    return ntohs(reinterpret_cast<sockaddr_in6&>(address).sin6_port);
  return ntohs(reinterpret_cast<sockaddr_in&>(address).sin_port);
}

}  // namespace

std::string TSimServer::Version() { return std::string("tenvarra-sim ") + TENVARRA_SIM_VERSION; }

TSimServer::TSimServer(TSimOptions Options) : FOptions(std::move(Options)) {}

TSimServer::~TSimServer() { Stop(); }

void TSimServer::Start() {
  if (FListenFd >= 0 || FStopping.load()) throw std::logic_error("simulator started twice");
  FListenFd = Listen(FOptions.ListenAddress, FOptions.Port);
  FWakeFd.store(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
  if (FWakeFd.load() < 0) {
    ::close(std::exchange(FListenFd, -1));
    throw std::runtime_error("simulator: cannot create its wake-up descriptor");
  }
  FPort.store(BoundPort(FListenFd));
  FLoop = std::make_unique<TSimLoop>(
      FOptions, FListenFd, FWakeFd.load(),
      [this] {
        const std::lock_guard lock(FPostedLock);
        return std::exchange(FPostedContacts, {});
      },
      FStopping);
  FThread = std::thread([this] { FLoop->Run(); });
  Wake();  // for contacts set before the start
}

void TSimServer::Stop() {
  if (FStopping.exchange(true)) return;
  if (FThread.joinable()) {
    Wake();
    FThread.join();
  }
  FLoop.reset();
  if (const int fd = FWakeFd.exchange(-1); fd >= 0) ::close(fd);
  if (FListenFd >= 0) ::close(std::exchange(FListenFd, -1));
}

std::string TSimServer::Endpoint() const { return PeerName(FOptions.ListenAddress, Port()); }

bool TSimServer::SetContact(int32_t Address, int32_t Value) {
  if (Address < 1 || Address > TSimLayout::ContactCount || Value < 0 || Value > 1) return false;
  {
    const std::lock_guard lock(FPostedLock);
    FPostedContacts.emplace_back(Address, Value);
  }
  Wake();
  return true;
}

void TSimServer::Wake() {
  const uint64_t one = 1;
  if (const int fd = FWakeFd.load(); fd >= 0) {
    // A full counter already wakes the loop, so a failed write loses nothing.
    [[maybe_unused]] const ssize_t written = ::write(fd, &one, sizeof one);
  }
}

}  // namespace tenvarra
