#pragma once
// The SRCP sessions: errors, the command session and the information
// session with its reader.

#include "srcp/SRCPBaseClient.h"
#include "srcp/SRCPCommandClient.h"
#include "srcp/SRCPErrors.h"
#include "srcp/SRCPInfoClient.h"
#include "srcp/SRCPInfoReadThread.h"
