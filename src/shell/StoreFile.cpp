#include "shell/StoreFile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace tenvarra {

namespace {

std::string ErrnoText(const std::string& fileName, int err) {
  return fileName + ": " + std::strerror(err);
}

// What a loco without protocol is stored as: a protocol of its own with the
// limits such a loco has, so that it reads back with the same limits.
const TMoBaLocoProtocol& NoProtocolLimits() {
  static const std::unique_ptr<const TMoBaLocoProtocol> limits = [] {
    auto p = std::make_unique<TMoBaLocoProtocol>();
    p->Base = MoBaBaseCustom;
    p->Extension = 0;
    p->MaxAddress = INT32_MAX;
    p->MinSteps = 0;
    p->MaxSteps = INT32_MAX;
    p->MaxFunctions = 255;
    return p;
  }();
  return *limits;
}

void ReadSettings(TStoreReader& r, TSettings& s) {
  s.Host = r.ReadText();
  s.Port = r.ReadInt("the server port");
  s.ActivationTime = r.ReadUInt("the activation time");
  s.WriteLogFile = r.ReadBool("the log file switch");
  s.LearningMode = r.ReadBool("the learning mode switch");
  s.SerialHandshake = r.ReadBool("the serial handshake switch");
  s.MMGLBus = r.ReadInt("the Motorola loco bus");
  s.NMRAGLSBus = r.ReadInt("the NMRA short address loco bus");
  s.NMRAGLLBus = r.ReadInt("the NMRA long address loco bus");
  s.MMGABus = r.ReadInt("the Motorola solenoid bus");
  s.NMRAGABus = r.ReadInt("the NMRA solenoid bus");
  s.S88Bus = r.ReadInt("the feedback bus");
  s.PowerBus = r.ReadInt("the power bus");
}

void ReadLocos(TStoreReader& r, TLocoTable& table) {
  const int32_t count = r.ReadInt("the loco count");
  // A file cut short would otherwise yield made-up locos (every value 0) for
  // each record the count promises, and a damaged count billions of them.
  for (int32_t i = 0; i < count && !r.AtEnd(); ++i) {
    auto loco = std::make_unique<TMoBaAdvancedLoco>();
    auto protocol = std::make_unique<TMoBaLocoProtocol>();
    loco->SetAddress(r.ReadInt("a loco address"));
    const int32_t base = r.ReadInt("a loco protocol family");
    if (base >= 0 && base <= 7) protocol->Base = static_cast<uint8_t>(base);
    protocol->Extension = r.ReadInt("a loco protocol extension");
    protocol->MaxSteps = r.ReadInt("a loco protocol's highest speed step");
    protocol->MinSteps = r.ReadInt("a loco protocol's lowest speed step");
    protocol->MaxFunctions = r.ReadInt("a loco protocol's function count");
    protocol->MaxAddress = r.ReadInt("a loco protocol's highest address");
    protocol->Name = r.ReadText();
    // A record cut short is no loco: its missing values would make one at address 0.
    if (r.RanOut()) break;
    // Every loco from the file has a protocol of its own; the table keeps it
    // alive even when the loco itself is refused as a duplicate.
    loco->SetProtocol(table.AdoptProtocol(std::move(protocol)));
    table.AddLoco(loco);
  }
}

void ReadSolenoids(TStoreReader& r, TDeviceStore& store) {
  const int32_t count = r.ReadInt("the solenoid count");
  for (int32_t i = 0; i < count && !r.AtEnd(); ++i) {
    auto solenoid = std::make_unique<TMoBaAdvancedSolenoid>();
    solenoid->SetAddress(r.ReadInt("a solenoid address"));
    const bool motorola = r.ReadInt("a solenoid protocol") == 0;
    if (r.RanOut()) break;
    solenoid->SetProtocol(motorola ? &store.MotorolaSolenoidProtocol()
                                   : &store.NmraAccessoryProtocol());
    store.SolenoidTable().AddSolenoid(solenoid);
  }
}

// 0, or the errno of what failed.
int ReadWholeFile(const std::string& fileName, std::string& text) {
  const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno;
  char buffer[65536];
  int err = 0;
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n > 0) {
      text.append(buffer, static_cast<size_t>(n));
    } else if (n == 0) {
      break;
    } else if (errno != EINTR) {
      err = errno;
      break;
    }
  }
  ::close(fd);
  return err;
}

// Copies an unreadable file to fileName.bak. Empty when it is kept, or gone
// (then there is nothing to lose); else why it could not be kept.
std::string KeepUnreadableCopy(const std::string& fileName) {
  namespace fs = std::filesystem;
  const std::string copy = fileName + ".bak";
  std::error_code ec;
  fs::copy_file(fileName, copy, fs::copy_options::overwrite_existing, ec);
  if (!ec) return {};
  std::error_code gone;
  if (fs::symlink_status(fileName, gone).type() == fs::file_type::not_found) return {};
  return "it could not be read, and no copy of it could be kept as " + copy + " (" +
         ec.message() + ")";
}

// "<fileName> was not saved: <path>: <reason>", naming what failed.
std::string SaveError(const std::string& fileName, const std::string& path, int err) {
  return fileName + " was not saved: " + path + ": " + std::strerror(err);
}

std::string DirectoryOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The file a chain of symbolic links ends at; path itself when it is no link
// (or not there).
std::string LinkTarget(const std::string& path) {
  std::string at = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat info {};
    if (::lstat(at.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return at;
    std::string link(PATH_MAX, '\0');
    const ssize_t length = ::readlink(at.c_str(), link.data(), link.size());
    if (length < 0) throw std::runtime_error(SaveError(path, at, errno));
    link.resize(static_cast<std::size_t>(length));
    at = link.front() == '/' ? link : DirectoryOf(at) + "/" + link;
  }
  throw std::runtime_error(SaveError(path, path, ELOOP));
}

// A text value takes one whole line; a line break in it would shift every
// value after it.
std::string OneLine(std::string text) {
  for (char& c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7f) c = ' ';
  }
  return text;
}

}  // namespace

void ParseStoreFile(const std::string& FileName, std::string Text, TDeviceStore& Store) {
  TStoreReader r(FileName, std::move(Text));
  ReadSettings(r, Store.Settings);
  ReadLocos(r, Store.LocoTable());
  ReadSolenoids(r, Store);
  // Like every number, 0 when the file ends before it.
  Store.Settings.S88Modules = r.ReadInt("the number of S88 modules");
}

TLoadResult TStoreFile::Load(TDeviceStore& Store) {
  FUnkept.clear();
  std::string text;
  if (const int err = ReadWholeFile(FFileName, text)) {
    if (err == ENOENT) return TLoadResult::FirstStart;
    FUnkept = KeepUnreadableCopy(FFileName);
    throw std::runtime_error(ErrnoText(FFileName, err));
  }
  try {
    ParseStoreFile(FFileName, std::move(text), Store);
  } catch (const EStoreFileError&) {
    FUnkept = KeepUnreadableCopy(FFileName);
    throw;
  }
  return TLoadResult::Loaded;
}

std::string FormatStoreFile(const TDeviceStore& Store) {
  std::string out;
  const auto line = [&out](const std::string& text) { out += text + "\r\n"; };
  const auto num = [&line](int64_t n) { line(std::to_string(n)); };
  const TSettings& s = Store.Settings;
  line(OneLine(s.Host));
  num(s.Port);
  num(s.ActivationTime);
  num(s.WriteLogFile ? 1 : 0);
  num(s.LearningMode ? 1 : 0);
  num(s.SerialHandshake ? 1 : 0);
  for (int32_t bus : {s.MMGLBus, s.NMRAGLSBus, s.NMRAGLLBus, s.MMGABus, s.NMRAGABus, s.S88Bus,
                      s.PowerBus})
    num(bus);

  const TLocoTable& locos = Store.LocoTable();
  int32_t written = 0;
  for (int32_t i = 0; i < locos.LocoCount(); ++i)
    if (locos.LocoAt(i)->Address() != -1) ++written;
  num(written);
  for (int32_t i = 0; i < locos.LocoCount(); ++i) {
    const TMoBaAdvancedLoco& loco = *locos.LocoAt(i);
    if (loco.Address() == -1) continue;
    const TMoBaLocoProtocol* p = loco.LocoProtocol();
    if (!p) p = &NoProtocolLimits();
    num(loco.Address());
    num(p->Base);
    num(p->Extension);
    num(p->MaxSteps);
    num(p->MinSteps);
    num(p->MaxFunctions);
    num(p->MaxAddress);
    line(OneLine(p->Name));
  }

  const TSolenoidTable& solenoids = Store.SolenoidTable();
  written = 0;
  for (int32_t i = 0; i < solenoids.SolenoidCount(); ++i)
    if (solenoids.SolenoidAt(i)->Address() > 0) ++written;
  num(written);
  for (int32_t i = 0; i < solenoids.SolenoidCount(); ++i) {
    const TMoBaAdvancedSolenoid& solenoid = *solenoids.SolenoidAt(i);
    if (solenoid.Address() <= 0) continue;
    num(solenoid.Address());
    num(solenoid.Protocol() == &Store.MotorolaSolenoidProtocol() ? 0 : 1);
  }
  num(s.S88Modules);
  return out;
}

void TStoreFile::Save(const TDeviceStore& Store) {
  const std::string& FileName = FFileName;
  if (!FUnkept.empty()) {
    FUnkept = KeepUnreadableCopy(FileName);
    if (!FUnkept.empty()) throw std::runtime_error(FileName + " was not replaced: " + FUnkept);
  }
  const std::string text = FormatStoreFile(Store);
  // A file kept elsewhere through a link (a synced folder) stays there: the
  // link is saved through, not replaced by a file of its own.
  const std::string target = LinkTarget(FileName);
  const std::string dir = DirectoryOf(target);
  // Each save writes a file of its own, so that two instances saving at once
  // cannot write into one temporary file or rename it from under each other.
  std::string temp = target + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) throw std::runtime_error(SaveError(FileName, "cannot create a file in " + dir, errno));
  // The file keeps the mode its owner gave it; a new one is for the user alone.
  struct stat old {};
  int err = 0;
  if (::stat(target.c_str(), &old) == 0 && ::fchmod(fd, old.st_mode & 07777) != 0) err = errno;
  for (std::size_t done = 0; err == 0 && done < text.size();) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n >= 0)
      done += static_cast<std::size_t>(n);
    else if (errno != EINTR)
      err = errno;
  }
  if (err == 0 && ::fsync(fd) != 0) err = errno;
  if (::close(fd) != 0 && err == 0) err = errno;
  if (err != 0) {
    ::unlink(temp.c_str());
    throw std::runtime_error(SaveError(FileName, temp, err));
  }
  if (::rename(temp.c_str(), target.c_str()) != 0) {
    err = errno;
    ::unlink(temp.c_str());
    throw std::runtime_error(SaveError(FileName, target, err));
  }
}

}  // namespace tenvarra
