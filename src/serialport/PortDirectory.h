#pragma once
// The private directory in which ports are named: each port is a link
// "COM<n>" to its pseudo-terminal, and beside it "COM<n>.lock", whose lock
// is held by the running instance that owns the name. The lock dies with its
// process, so a link whose lock nobody holds was left by a run that ended
// without cleaning up (was killed): it is stale, and its name free again.
// A pty number says nothing about that, as the next pty opened on the
// machine soon gets the number of a dead one.
//
// Nothing in the directory is ever followed; anything that is not such a
// link is left alone and keeps its name taken.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/UniqueFd.h"

namespace tenvarra {

// $XDG_RUNTIME_DIR/tenvarra, or /tmp/tenvarra-<uid> without a runtime directory.
std::string DefaultPortDirectory();

class TPortDirectory {
public:
  // The lock file of a port name, and the name a new link is made under
  // before it is renamed into place.
  static std::string LockName(const std::string& Name) { return Name + ".lock"; }
  static std::string NewLinkName(const std::string& Name) { return Name + ".new"; }

  // Creates the directory (0700) when missing and opens it without following
  // a link. Raises EVSPortError when it cannot, or when the directory does
  // not belong to the user or other users have any access to it.
  explicit TPortDirectory(std::string Path);

  const std::string& Path() const { return FPath; }
  int Fd() const { return FFd.Get(); }

  // The entry names, "." and ".." left out.
  std::vector<std::string> Names() const;
  // Where the link Name points, without following it; empty when Name is
  // not a link.
  std::string ReadLink(const std::string& Name) const;
  // Name is a link to a pseudo-terminal with a lock file beside it.
  bool IsPortLink(const std::string& Name) const;
  // A port link whose lock no running process holds.
  bool IsStaleLink(const std::string& Name) const;

  // The smallest number n >= 1 not taken by a name: a name containing "COM"
  // takes the number written in its fourth to sixth characters (none when
  // they are not a number); stale links take nothing.
  int32_t FindFreeComNumber() const;
  // The number a name takes by that rule, 0 for none.
  static int32_t ComNumber(const std::string& Name);

private:
  std::string FPath;
  TUniqueFd FFd;
};

}  // namespace tenvarra
