#include "shell/StoreFile.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fcntl.h>
#include <stdexcept>
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
  const std::string temp = FileName + ".tmp";
  std::FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) throw std::runtime_error(ErrnoText(FileName, errno));
  bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  int err = ok ? 0 : errno;
  ok = std::fflush(f) == 0 && ok;
  if (ok && fsync(fileno(f)) != 0) {
    ok = false;
    err = errno;
  }
  if (std::fclose(f) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (ok && std::rename(temp.c_str(), FileName.c_str()) != 0) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    std::remove(temp.c_str());
    throw std::runtime_error(ErrnoText(FileName, err ? err : EIO));
  }
}

}  // namespace tenvarra
