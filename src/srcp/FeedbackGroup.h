#pragma once
// The feedback contacts of one bus (FB): switches the server's reporting on
// (INIT with the bus type text) and off, and keeps the last value and time
// stamp reported for every contact.

#include <cstdint>
#include <string>
#include <vector>

#include "srcp/DeviceGroup.h"

namespace tenvarra {

class TSRCPCustomFeedback : public TSRCPAddressedDeviceGroup {
public:
  // Contacts are numbered 1 to MaxContacts. A report for any other number
  // is dropped before it reaches the store: the store would otherwise index
  // below its start or allocate whatever a line asks for.
  static constexpr int32_t MaxContacts = 65536;

  std::string InitString = "S88";  // the text of INIT FB

  TSRCPCustomFeedback();

  // Contact n sits at index n - 1; the count is the highest contact stored.
  int32_t ContactCount() const { return static_cast<int32_t>(FContactValues.size()); }
  // -1 for an index outside the store.
  int32_t ContactValue(int32_t Index) const;
  // -1.0 for an index outside the store.
  double ContactTimeStamp(int32_t Index) const;
  // Grows the store up to Index with zeros, then keeps Value with
  // LastChangeTime() when that is newer than the time stamp stored for
  // Index. An index outside 0 .. MaxContacts - 1 is ignored.
  void StoreContact(int32_t Index, int32_t Value);

  void HandleInfo(TSRCPCmd& Msg) override;

protected:
  void ReadValues(TSRCPCmd& Msg) override;
  void FillInit() override;

private:
  std::vector<int32_t> FContactValues;
  std::vector<double> FContactTimeStamps;  // always as long as FContactValues
};

}  // namespace tenvarra
