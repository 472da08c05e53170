#pragma once
// The SRCP words every other SRCP class shares: device groups, protocol
// versions, message kinds with their reply codes and texts, server states,
// connection modes, service-mode address types, decoder protocol letters and
// drive modes. The enumerations keep their ordinals because they index the
// tables below; the tables are constant and every lookup is a short scan.
// Name lookups compare ASCII letters case-insensitively.

#include <array>
#include <cstdint>
#include <string_view>

namespace tenvarra {

enum TSRCPDeviceGroup : uint8_t {
  dgFeedback,
  dgAccessoire,
  dgLoco,
  dgServiceMode,
  dgLock,
  dgPower,
  dgTime,
  dgSession,
  dgDescription,
  dgServer,
  dgHandshake,  // classifies the handshake lines, not a group on the wire
  dgWelcome,    // classifies the server's first line
  dgInvalid     // no group known
};
inline constexpr int SRCPGroupCount = 13;  // dgInvalid included
inline constexpr int SRCPRecordCount = 12;  // one device record per group below dgInvalid

enum TSRCPCommandVersion : uint8_t { cv073, cv082, cvUnknown };

enum TSRCPMessageKind : uint8_t {
  // commands
  mkNone,
  mkGet,
  mkSet,
  mkCheck,
  mkWait,
  mkInit,
  mkTerm,
  mkReset,
  mkVerify,
  mkUnnamed,
  mkGo,
  mkSetProtocol,
  mkSetConnectionMode,
  // information
  mkInfo,
  mkWelcome,
  mkInfoState,
  mkInfoInit,
  mkInfoTerm,
  mkInfoResult,
  // positive replies
  mkOkBase,
  mkOk,
  mkOkGo,
  mkOkProtocol,
  mkOkConnectionMode,
  // error replies
  mkErrorBase,
  mkErrUnsupportedProtocol,
  mkErrUnsupportedConnectionMode,
  mkErrInsufficientData,
  mkErrUnknownCommand,
  mkErrUnknownValue,
  mkErrWrongValue,
  mkErrTemporarilyProhibited,
  mkErrDeviceLocked,
  mkErrForbidden,
  mkErrNoData,
  mkErrTimeout,
  mkErrListTooLong,
  mkErrListTooShort,
  mkErrUnsupportedDeviceProtocol,
  mkErrUnsupportedDevice,
  mkErrUnsupportedDeviceGroup,
  mkErrUnsupportedOperation,
  mkErrDeviceReinitialized,
  mkErrNotSupported,
  mkErrUnspecified,
  mkErrOutOfResources,
  mkErrInternal  // also: invalid, not yet known, or a failed lookup
};

enum TSRCPServerState : uint8_t { ssRunning, ssResetting, ssTerminating, ssUnknown };

enum TSRCPConnectionMode : uint8_t { cmInfo, cmCommand, cmInvalid };

enum TSRCPSMAddressType : uint8_t { satCV, satCVBit, satReg, satNone };

enum TSRCPProtocol : uint8_t { prA, prF, prL, prM, prN, prP, prS, prZ, prInvalid };

// The ordinal and the wire digit differ: forward is "1", backward "0".
enum TSRCPDriveMode : uint8_t { dmKeep, dmForward, dmBackward, dmEmergencyStop, dmInvalid };

// Kind classes: errors come from the server with a code of 400 and more,
// answers start with a time stamp, everything below is a command.
constexpr bool IsErrorKind(TSRCPMessageKind Kind) { return Kind > mkErrorBase; }
constexpr bool IsAnswerKind(TSRCPMessageKind Kind) { return Kind >= mkInfo; }

struct TSRCPDevGroupTranslate {
  TSRCPDeviceGroup Group;
  std::string_view Name;
};

inline constexpr std::array<TSRCPDevGroupTranslate, SRCPGroupCount> SRCPDevGroups{{
    {dgFeedback, "FB"},
    {dgAccessoire, "GA"},
    {dgLoco, "GL"},
    {dgServiceMode, "SM"},
    {dgLock, "LOCK"},
    {dgPower, "POWER"},
    {dgTime, "TIME"},
    {dgSession, "SESSION"},
    {dgDescription, "DESCRIPTION"},
    {dgServer, "SERVER"},
    {dgHandshake, "HANDSHAKE"},
    {dgWelcome, "WELCOME"},
    {dgInvalid, "???"},
}};

// One code column per version with a code set; cvUnknown has none.
struct TSRCPTranslate {
  TSRCPMessageKind Kind;
  std::array<int32_t, 2> Codes;  // cv073, cv082
  std::string_view Text;
};

inline constexpr std::array<TSRCPTranslate, 11> SRCPCommandTable{{
    {mkNone, {0, 0}, ""},
    {mkGet, {0, 0}, "GET"},
    {mkSet, {0, 0}, "SET"},
    {mkCheck, {0, 0}, "CHECK"},
    {mkWait, {0, 0}, "WAIT"},
    {mkInit, {0, 0}, "INIT"},
    {mkTerm, {0, 0}, "TERM"},
    {mkReset, {0, 0}, "RESET"},
    {mkVerify, {0, 0}, "VERIFY"},
    {mkUnnamed, {0, 0}, ""},
    {mkGo, {0, 0}, "GO"},
}};

// Row i is kind mkWelcome + i; 0.7.3 knows no separate term and result codes.
inline constexpr std::array<TSRCPTranslate, 6> SRCPInfoTable{{
    {mkWelcome, {0, 0}, ""},
    {mkInfoState, {100, 100}, ""},
    {mkInfoInit, {101, 101}, ""},
    {mkInfoTerm, {101, 102}, ""},
    {mkInfoResult, {100, 110}, ""},
    {mkOkBase, {0, 0}, ""},
}};

// Row i is kind mkOkBase + i.
inline constexpr std::array<TSRCPTranslate, 6> SRCPOkTable{{
    {mkOkBase, {0, 0}, ""},
    {mkOk, {200, 200}, ""},
    {mkOkGo, {200, 200}, "GO"},
    {mkOkProtocol, {201, 201}, "PROTOCOL SRCP"},
    {mkOkConnectionMode, {202, 202}, "CONNECTIONMODE"},
    {mkErrorBase, {0, 0}, ""},
}};

// Row i is kind mkErrorBase + i. The texts are the ones servers are known to
// send, spelling included.
inline constexpr std::array<TSRCPTranslate, 23> SRCPErrorTable{{
    {mkErrorBase, {0, 0}, ""},
    {mkErrUnsupportedProtocol, {400, 400}, "unsupported protocol"},
    {mkErrUnsupportedConnectionMode, {401, 401}, "unsupported connection mode"},
    {mkErrInsufficientData, {402, 402}, "unsufficient data"},
    {mkErrUnknownCommand, {410, 410}, "unknow command"},
    {mkErrUnknownValue, {411, 411}, "unknown value"},
    {mkErrWrongValue, {412, 412}, "wrong value"},
    {mkErrTemporarilyProhibited, {413, 413}, "temporarily prohibited"},
    {mkErrDeviceLocked, {414, 414}, "device locked"},
    {mkErrForbidden, {415, 415}, "forbidden"},
    {mkErrNoData, {416, 416}, "no data"},
    {mkErrTimeout, {417, 417}, "timeout"},
    {mkErrListTooLong, {418, 418}, "list to long"},
    {mkErrListTooShort, {419, 419}, "list to short"},
    {mkErrUnsupportedDeviceProtocol, {420, 420}, "unsupported device protocol"},
    {mkErrUnsupportedDevice, {421, 421}, "unsupported device"},
    {mkErrUnsupportedDeviceGroup, {422, 422}, "unsupported device group"},
    {mkErrUnsupportedOperation, {423, 423}, "unsupported operation"},
    {mkErrDeviceReinitialized, {424, 424}, "device reinitialized"},
    {mkErrNotSupported, {425, 425}, "not supported"},
    {mkErrUnspecified, {499, 499}, "unspecified error"},
    {mkErrOutOfResources, {500, 500}, "out of ressources"},
    {mkErrInternal, {699, 699}, "internal error"},
}};

struct TSRCPServerStateTranslate {
  TSRCPServerState State;
  std::string_view Name;
};
inline constexpr std::array<TSRCPServerStateTranslate, 4> SRCPServerStates{{
    {ssRunning, "RUNNING"},
    {ssResetting, "RESETTING"},
    {ssTerminating, "TERMINATING"},
    {ssUnknown, "???"},
}};

struct TSRCPConnectionModeTranslate {
  TSRCPConnectionMode Mode;
  std::string_view Name;
};
inline constexpr std::array<TSRCPConnectionModeTranslate, 3> SRCPConnectionModes{{
    {cmInfo, "INFO"},
    {cmCommand, "COMMAND"},
    {cmInvalid, "Invalid"},
}};

struct TSRCPSMAddressTypeTranslate {
  TSRCPSMAddressType AddressType;
  std::string_view Name;
};
// The blank entry stands for satNone. Lookups go by position, so its type
// field (0) is never read.
inline constexpr std::array<TSRCPSMAddressTypeTranslate, 4> SRCPSMAddressTypes{{
    {satCV, "CV"},
    {satCVBit, "CVBIT"},
    {satReg, "REG"},
    {satCV, ""},
}};

// Indexed by TSRCPProtocol; prInvalid has no letter.
inline constexpr std::array<std::string_view, 9> SRCPProtocolLetters{
    "A", "F", "L", "M", "N", "P", "S", "Z", ""};

// Indexed by TSRCPDriveMode; dmInvalid has no character.
inline constexpr std::array<std::string_view, 5> SRCPDriveModeChars{"=", "1", "0", "2", ""};

// "SRCPOTHER" must be tried first: "SRCP" is its prefix.
inline constexpr std::array<std::string_view, 2> SRCPWelcomePrefixes{"SRCPOTHER", "SRCP"};

class TSRCPSyntaxTable;

struct TSRCPVersionOverview {
  TSRCPCommandVersion Version;
  const TSRCPSyntaxTable* Syntax;  // none for versions without a syntax table
  std::string_view Text;
};
extern const std::array<TSRCPVersionOverview, 3> SRCPVersions;

// Reply code of a kind in a version; 0 for commands, the table end rows and cvUnknown.
int32_t KindToCode(TSRCPMessageKind Kind, TSRCPCommandVersion Version);
// The first kind whose table row carries the code; mkErrInternal when none
// does. 200 therefore always gives mkOk; the word after it refines it.
TSRCPMessageKind CodeToKind(int32_t Code, TSRCPCommandVersion Version);
// The word that follows the code (answers) or starts the line (commands).
std::string_view KindWord(TSRCPMessageKind Kind);
// The fixed text of a positive or error reply; empty for other kinds.
std::string_view KindText(TSRCPMessageKind Kind);

// "FB" ... "WELCOME"; "???" and anything else give dgInvalid.
TSRCPDeviceGroup GroupFromName(std::string_view Name);
std::string_view GroupName(TSRCPDeviceGroup Group);

TSRCPCommandVersion VersionFromText(std::string_view Text);
std::string_view VersionText(TSRCPCommandVersion Version);

// "???" is a known name; anything unknown gives ssUnknown and false.
bool ServerStateFromName(std::string_view Name, TSRCPServerState& State);
std::string_view ServerStateName(TSRCPServerState State);

// "Invalid" is a known name; anything unknown gives cmInvalid and false.
bool ConnectionModeFromName(std::string_view Name, TSRCPConnectionMode& Mode);
std::string_view ConnectionModeName(TSRCPConnectionMode Mode);

// The empty text is satNone; an unknown name leaves the type alone and gives false.
bool SMAddressTypeFromName(std::string_view Name, TSRCPSMAddressType& AddressType);
std::string_view SMAddressTypeName(TSRCPSMAddressType AddressType);

// Wire forms that are empty for the invalid values.
std::string_view ProtocolLetter(TSRCPProtocol Protocol);
std::string_view DriveModeChar(TSRCPDriveMode DriveMode);

}  // namespace tenvarra
