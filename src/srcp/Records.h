#pragma once
// All twelve device records of a message, for code that reads or fills them.

#include "srcp/AddressedDevices.h"
#include "srcp/BusDevices.h"
#include "srcp/DeviceDescription.h"
#include "srcp/DeviceHandshake.h"
#include "srcp/DeviceLock.h"
#include "srcp/DeviceLoco.h"
#include "srcp/DeviceServiceMode.h"
#include "srcp/DeviceWelcome.h"
#include "srcp/SRCPCmd.h"
