#pragma once
// The root of the device classes: an address kept within a protocol's limits.

#include <cstdint>
#include <limits>
#include <memory>

#include "devices/Persistent.h"
#include "devices/Protocol.h"

namespace tenvarra {

// The limit a device reports when its protocol sets none.
inline constexpr int32_t MoBaNoLimit = std::numeric_limits<int32_t>::max();

// Longest function or port array a device keeps, whatever a protocol claims:
// a protocol read from a file must not make a device allocate gigabytes.
inline constexpr int32_t MoBaMaxDeviceSlots = 65536;

class TMoBaBaseDevice : public TPersistent {
public:
  // The protocol, not owned; none when unset.
  const TMoBaBaseProtocol* Protocol() const { return FProtocol; }

  int32_t Address() const { return FAddress; }
  // Never below 1, never above MaxAddress when a protocol is set.
  void SetAddress(int32_t Value);
  int32_t MaxAddress() const;

  // Re-applies the protocol's limits to the state.
  virtual void Validate();

  // A new device of this object's class with construction values.
  virtual std::unique_ptr<TMoBaBaseDevice> Create() const;
  // Create followed by Assign from this object.
  std::unique_ptr<TMoBaBaseDevice> Clone() const;

  // Address and Protocol are copied as they are, without the address rule.
  void AssignTo(TPersistent& Dest) const override;
  const char* ClassName() const override { return "TMoBaBaseDevice"; }

protected:
  // Stores a different protocol and validates; the same one changes nothing.
  void ChangeProtocol(const TMoBaBaseProtocol* Protocol);

private:
  const TMoBaBaseProtocol* FProtocol = nullptr;
  int32_t FAddress = 0;
};

}  // namespace tenvarra
