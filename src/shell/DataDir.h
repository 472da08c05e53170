#pragma once
// Where loco.dat and the log files live when the command line does not say.
//
// Started from a build tree or an unpacked folder, the program keeps its data
// next to itself, as it always has. Installed (in a directory the user cannot
// write, or in the installation's own bin directory), it never writes there:
// the data goes to $XDG_DATA_HOME/tenvarra, else ~/.local/share/tenvarra.
// A directory given with --data-dir always wins.

#include <functional>
#include <string>

namespace tenvarra {

struct TDataDirInputs {
  // --data-dir; empty when not given.
  std::string Explicit;
  // The directory of the running executable.
  std::string ExecutableDir;
  // The bin directory the program is installed to; empty when unknown.
  std::string InstalledBinDir;
  // $XDG_DATA_HOME and $HOME; empty when unset.
  std::string XdgDataHome;
  std::string Home;
  // Whether a directory can be written; looked at only, never written to.
  std::function<bool(const std::string&)> Writable;
};

enum class TDataDirSource { dsCommandLine, dsExecutable, dsUser };

struct TDataDirChoice {
  std::string Dir;
  TDataDirSource Source = TDataDirSource::dsExecutable;
};

// The rule above, without touching the file system beyond Inputs.Writable.
TDataDirChoice ChooseDataDir(const TDataDirInputs& Inputs);

// The user's data directory for the program: $XDG_DATA_HOME/tenvarra when
// that is an absolute path, else <Home>/.local/share/tenvarra; empty without
// either.
std::string UserDataDir(const std::string& XdgDataHome, const std::string& Home);

// access(2) for writing: true when the calling user may create files in Dir.
bool DirectoryWritable(const std::string& Dir);

// Makes Dir and its missing parents (mode 0700 for the new ones); throws
// std::runtime_error when it cannot.
void MakeDataDir(const std::string& Dir);

// Held for a run: an advisory lock on a file in the data directory, which
// tells whether another running instance uses the same directory. Sharing is
// allowed (each instance has its own port); the user is only told.
class TDataDirLock {
public:
  // Never fails: a lock file that cannot be made or locked counts as shared
  // only when another holder was seen.
  explicit TDataDirLock(const std::string& Dir);
  ~TDataDirLock();
  TDataDirLock(const TDataDirLock&) = delete;
  TDataDirLock& operator=(const TDataDirLock&) = delete;

  // True when another running instance held the lock at start.
  bool Shared() const { return FShared; }

  static constexpr const char* SharedLogLine =
      "loco.dat is shared with another running instance; the last one to save wins";

private:
  int FFd = -1;
  bool FShared = false;
};

// The first screen-log line: which directory is used, and why.
std::string DataDirLogLine(const TDataDirChoice& Choice);

}  // namespace tenvarra
