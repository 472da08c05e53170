#pragma once
// One port name held in a port directory: the lock that makes the name ours
// while this process runs, and the link by that name to our pseudo-terminal.

#include <string>

#include "platform/UniqueFd.h"

namespace tenvarra {

class TPortDirectory;

class TPortLink {
public:
  // Takes Name in Directory. Raises EVSPortError when a running instance
  // holds it, or when something other than a stale port link has the name.
  TPortLink(const TPortDirectory& Directory, std::string Name);
  // Gives the name up (see Release).
  ~TPortLink();
  TPortLink(const TPortLink&) = delete;
  TPortLink& operator=(const TPortLink&) = delete;

  // Points the name at Target in one step: a stale link is replaced, and an
  // application never finds the name missing or half made.
  void Place(const std::string& Target);
  // Whether Release removes the link; a link left behind turns stale when
  // this process ends and is reused by the next run.
  void SetRemoveOnRelease(bool Value) { FRemoveOnRelease = Value; }
  // Removes the link, when asked to and only while it still points to our
  // target, and gives the lock up. Later calls do nothing.
  void Release();

  const std::string& Name() const { return FName; }

private:
  void TakeLock();
  void CheckNameFree() const;

  const TPortDirectory& FDirectory;
  std::string FName;
  std::string FTarget;
  TUniqueFd FLock;
  bool FRemoveOnRelease = true;
};

}  // namespace tenvarra
