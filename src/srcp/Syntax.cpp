#include "srcp/Syntax.h"

#include <initializer_list>

namespace tenvarra {

namespace {

constexpr TSRCPSyntaxRow R(TSRCPMessageKind Kind, std::initializer_list<TSRCPParamKind> Params) {
  TSRCPSyntaxRow row{Kind, {}};
  row.Params.fill(pkNone);
  std::size_t i = 0;
  for (TSRCPParamKind p : Params) row.Params[i++] = p;
  return row;
}

constexpr TSRCPSyntaxRow End = R(mkErrInternal, {});

// Commands start with the word, answers with time stamp, code and word.
#define CMD pkWord, pkBus, pkGroup
#define ANS pkTime, pkCode, pkWord, pkBus, pkGroup

constexpr TSRCPSyntaxRow FeedbackRows[] = {
    R(mkInit, {CMD, pkText}),
    R(mkGet, {CMD, pkAddress}),
    R(mkTerm, {CMD}),
    R(mkWait, {CMD, pkAddress, pkValue, pkDelay}),
    R(mkReset, {CMD, pkText}),
    R(mkInfoState, {ANS, pkAddress, pkValue}),
    R(mkInfoInit, {ANS}),
    R(mkInfoTerm, {ANS}),
    R(mkInfoResult, {ANS, pkAddress, pkValue}),
    End,
};

constexpr TSRCPSyntaxRow AccessoireRows[] = {
    R(mkInit, {CMD, pkAddress, pkProtocol}),
    R(mkGet, {CMD, pkAddress, pkPort}),
    R(mkSet, {CMD, pkAddress, pkPort, pkValue, pkDelay}),
    R(mkTerm, {CMD, pkAddress}),
    R(mkCheck, {CMD, pkAddress, pkPort, pkValue, pkDelay}),
    R(mkReset, {CMD, pkAddress, pkProtocol}),
    R(mkInfoState, {ANS, pkAddress, pkPort, pkValue}),
    R(mkInfoInit, {ANS, pkAddress, pkProtocol}),
    R(mkInfoTerm, {ANS, pkAddress}),
    R(mkInfoResult, {ANS, pkAddress, pkPort, pkValue}),
    End,
};

constexpr TSRCPSyntaxRow LocoRows[] = {
    R(mkInit, {CMD, pkAddress, pkProtocol, pkProtocolVersion, pkSpeedSteps, pkFunctionCount}),
    R(mkGet, {CMD, pkAddress}),
    R(mkSet, {CMD, pkAddress, pkDriveMode, pkSpeed, pkMaxSpeed, pkFunctions}),
    R(mkTerm, {CMD, pkAddress}),
    R(mkCheck, {CMD, pkAddress, pkDriveMode, pkSpeed, pkMaxSpeed, pkFunctions}),
    R(mkReset, {CMD, pkAddress, pkProtocol, pkProtocolVersion, pkSpeedSteps, pkFunctionCount}),
    R(mkInfoState, {ANS, pkAddress, pkDriveMode, pkReportedSpeed, pkSpeedSteps, pkFunctions}),
    R(mkInfoInit,
      {ANS, pkAddress, pkProtocol, pkProtocolVersion, pkSpeedSteps, pkFunctionCount}),
    R(mkInfoTerm, {ANS, pkAddress}),
    R(mkInfoResult, {ANS, pkAddress, pkDriveMode, pkReportedSpeed, pkMaxSpeed, pkFunctions}),
    End,
};

constexpr TSRCPSyntaxRow ServiceModeRows[] = {
    R(mkInit, {CMD, pkProtocol}),
    R(mkGet, {CMD, pkAddress, pkSMType, pkSMAddress, pkValue, pkValue}),
    R(mkSet, {CMD, pkAddress, pkSMType, pkSMAddress, pkValue, pkValue}),
    R(mkTerm, {CMD, pkAddress}),
    R(mkCheck, {CMD, pkAddress, pkSMType, pkSMAddress, pkValue, pkValue}),
    R(mkReset, {CMD, pkProtocol}),
    R(mkVerify, {CMD, pkAddress, pkSMType, pkSMAddress, pkValue, pkValue}),
    R(mkInfoState, {ANS, pkAddress, pkSMType, pkSMAddress, pkValue, pkValue}),
    R(mkInfoInit, {ANS, pkProtocol}),
    R(mkInfoTerm, {ANS}),
    R(mkInfoResult, {ANS, pkAddress, pkSMType, pkSMAddress, pkValue, pkValue}),
    End,
};

constexpr TSRCPSyntaxRow LockRows[] = {
    R(mkGet, {CMD, pkGroupParam, pkAddress}),
    R(mkSet, {CMD, pkGroupParam, pkAddress, pkDelay}),
    R(mkTerm, {CMD, pkGroupParam, pkAddress}),
    R(mkCheck, {CMD, pkGroupParam, pkAddress, pkDelay}),
    R(mkInfoState, {ANS, pkGroupParam, pkAddress, pkDelay, pkSessionId}),
    R(mkInfoInit, {ANS, pkGroupParam, pkAddress, pkDelay}),
    R(mkInfoTerm, {ANS, pkGroupParam, pkAddress}),
    R(mkInfoResult, {ANS, pkGroupParam, pkAddress, pkDelay, pkSessionId}),
    End,
};

constexpr TSRCPSyntaxRow PowerRows[] = {
    R(mkInit, {CMD}),
    R(mkGet, {CMD}),
    R(mkSet, {CMD, pkPowerState}),
    R(mkTerm, {CMD}),
    R(mkCheck, {CMD, pkPowerState}),
    R(mkReset, {CMD}),
    R(mkInfoState, {ANS, pkPowerState}),
    R(mkInfoInit, {ANS}),
    R(mkInfoTerm, {ANS}),
    R(mkInfoResult, {ANS, pkPowerState}),
    End,
};

constexpr TSRCPSyntaxRow TimeRows[] = {
    R(mkInit, {CMD, pkTimeFx, pkTimeFy}),
    R(mkGet, {CMD}),
    R(mkSet, {CMD, pkJulianDay, pkHour, pkMinute, pkSecond}),
    R(mkTerm, {CMD}),
    R(mkCheck, {CMD, pkJulianDay, pkHour, pkMinute, pkSecond}),
    R(mkWait, {CMD, pkJulianDay, pkHour, pkMinute, pkSecond}),
    R(mkReset, {CMD, pkTimeFx, pkTimeFy}),
    R(mkInfoState, {ANS, pkJulianDay, pkHour, pkMinute, pkSecond}),
    R(mkInfoInit, {ANS, pkTimeFx, pkTimeFy}),
    R(mkInfoTerm, {ANS}),
    R(mkInfoResult, {ANS, pkJulianDay, pkHour, pkMinute, pkSecond}),
    End,
};

constexpr TSRCPSyntaxRow SessionRows[] = {
    R(mkGet, {CMD, pkSessionId}),
    R(mkTerm, {CMD, pkSessionId}),
    R(mkInfoState, {ANS, pkSessionId, pkText}),
    R(mkInfoInit, {ANS, pkSessionId, pkText}),
    R(mkInfoTerm, {ANS, pkSessionId, pkText}),
    R(mkInfoResult, {ANS, pkSessionId, pkText}),
    End,
};

constexpr TSRCPSyntaxRow DescriptionRows[] = {
    R(mkGet, {CMD, pkGroupParam, pkAddress}),
    R(mkInfoState, {ANS, pkGroupParam}),
    R(mkInfoInit, {ANS, pkGroupParam}),
    R(mkInfoResult, {ANS, pkGroupParam}),
    End,
};

constexpr TSRCPSyntaxRow ServerRows[] = {
    R(mkGet, {CMD}),
    R(mkTerm, {CMD}),
    R(mkReset, {CMD}),
    R(mkInfoState, {ANS, pkServerState}),
    R(mkInfoInit, {ANS, pkServerState}),
    R(mkInfoTerm, {ANS, pkServerState}),
    R(mkInfoResult, {ANS, pkServerState}),
    End,
};

constexpr TSRCPSyntaxRow HandshakeRows[] = {
    R(mkGo, {pkWord}),
    R(mkSet, {pkWord, pkHandshakeKey}),
    R(mkSetProtocol, {pkWord, pkHandshakeKey, pkSRCPWord, pkSRCPVersion}),
    R(mkSetConnectionMode, {pkWord, pkHandshakeKey, pkSRCPWord, pkConnectionMode}),
    R(mkOk, {pkTime, pkCode, pkWord, pkHandshakeKey}),
    R(mkOkGo, {pkTime, pkCode, pkWord, pkHandshakeKey, pkSessionId}),
    R(mkOkProtocol, {pkTime, pkCode, pkWord, pkHandshakeKey, pkSRCPWord}),
    R(mkOkConnectionMode, {pkTime, pkCode, pkWord, pkHandshakeKey}),
    End,
};

constexpr TSRCPSyntaxRow WelcomeRows[] = {
    R(mkWelcome, {pkText}),
    End,
};

#undef CMD
#undef ANS

}  // namespace

const TSRCPSyntaxTable SRCPSyntax082{{
    FeedbackRows,
    AccessoireRows,
    LocoRows,
    ServiceModeRows,
    LockRows,
    PowerRows,
    TimeRows,
    SessionRows,
    DescriptionRows,
    ServerRows,
    HandshakeRows,
    WelcomeRows,
    nullptr,
}};

const TSRCPSyntaxRow* TSRCPSyntaxTable::FindRow(TSRCPDeviceGroup Group,
                                                TSRCPMessageKind Kind) const {
  if (Group >= Lists.size() || Kind >= mkErrorBase) return nullptr;
  const TSRCPSyntaxRow* row = Lists[Group];
  if (!row) return nullptr;
  for (; row->Kind != mkErrInternal; ++row)
    if (row->Kind == Kind) return row;
  return nullptr;
}

}  // namespace tenvarra
