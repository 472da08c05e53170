// Parsing of TSRCPCmd: answers and the welcome line (Parse), and command
// lines as a server reads them (ParseCommand). Tokens are views into a copy
// of the line; nothing here throws.

#include "srcp/Numbers.h"
#include "srcp/SRCPCmd.h"
#include "srcp/TextUtil.h"

namespace tenvarra {

namespace {

// The next blank-separated word; the rest loses its surrounding blanks.
std::string_view NextWord(std::string_view& Rest) {
  std::string_view word;
  SplitToken(' ', Rest, word);
  Rest = Trim(Rest);
  return word;
}

TSRCPMessageKind CommandKindFromWord(std::string_view Word) {
  for (const auto& row : SRCPCommandTable)
    if (!row.Text.empty() && row.Text == Word) return row.Kind;
  return mkNone;
}

}  // namespace

bool TSRCPCmd::ParseParam(TSRCPParamKind Kind, std::string_view Token) {
  bool handled = true;
  bool result = false;
  switch (Kind) {
    case pkWord:
    case pkWord2: result = Token == KindWord(FKind); break;
    case pkGroup: {
      const TSRCPDeviceGroup group = ParseGroupName(Token);
      SetGroup(group);
      result = group != dgInvalid;
      break;
    }
    case pkBus: result = SRCPToInt(Token, Bus); break;
    case pkText:
      Text = Token;
      result = true;
      break;
    case pkInitWord: result = Token == "INIT"; break;
    case pkTermWord: result = Token == "TERM"; break;
    default: handled = false;
  }
  if (handled && result && Kind != pkText) return true;
  // The record decides what the message could not, and always has the last
  // word on pkText.
  if (TSRCPBaseDevice* device = Devices(FGroup)) return device->ParseParam(Kind, Token);
  return result;
}

bool TSRCPCmd::ParseRow(std::string_view& Rest, int From, bool LineMayEnd) {
  FParamIndex = From;
  bool result = true;
  while (result) {
    // NextParam reads Row afresh, so a kind refined by a record continues
    // at the same index in the refined row.
    const TSRCPParamKind kind = NextParam();
    if (kind == pkNone) break;
    if (LineMayEnd && Rest.empty() && kind != pkText) break;
    std::string_view token;
    if (kind == pkText) {
      token = Rest;
      Rest = {};
    } else {
      token = NextWord(Rest);
    }
    result = ParseParam(kind, token);
  }
  return result;
}

bool TSRCPCmd::TakeRest(std::string_view Rest) {
  if (Rest.empty()) return true;
  Text = Rest;
  TSRCPBaseDevice* device = Devices(FGroup);
  return !device || device->ParseRest(Text);
}

bool TSRCPCmd::ParseBody(std::string_view Rest) {
  const std::string_view word = NextWord(Rest);
  if (!ParseParam(pkWord, word)) {
    Text = word;
    if (!Rest.empty()) {
      Text += ' ';
      Text += Rest;
    }
    return false;
  }
  int counter = 3;
  bool result;
  if (FKind >= mkWelcome && FKind <= mkInfoResult) {
    if (!ParseParam(pkBus, NextWord(Rest))) SetKind(mkErrUnknownCommand);
    if (!IsError() && !ParseParam(pkGroup, NextWord(Rest))) SetKind(mkErrUnknownValue);
    counter += 2;
    result = ParseRow(Rest, counter, false);
  } else {
    Rest = Trim(Rest);
    if (!Rest.empty()) {
      SetGroup(dgHandshake);
      result = ParseRow(Rest, counter, false);
    } else {
      result = FKind == mkOk;
    }
  }
  if (result && !TakeRest(Rest)) {
    SetKind(mkErrInsufficientData);
    return false;
  }
  return result;
}

bool TSRCPCmd::Parse(std::string_view Line) {
  FLine.assign(Line.data(), Line.size());
  Clear();
  IsAnswer = true;
  if (FLine.empty()) {
    SetKind(mkErrInternal);
    return false;
  }
  std::string_view rest = FLine, token;
  if (!SplitToken(' ', rest, token) || !TimestampFromText(token, Timestamp)) {
    // Answers always start with a time stamp and the welcome line never does.
    SetKind(mkWelcome);
    SetGroup(dgWelcome);
    std::string_view line = FLine;
    return ParseRow(line, 0, false);
  }
  SplitToken(' ', rest, token);
  SRCPToInt(token, Code);
  SetKind(CodeToKind(Code, FVersion));
  if (IsError()) {
    SplitToken(' ', rest, token);
    if (SameText(token, "ERROR")) {
      Text = rest;
      return true;
    }
    SetKind(mkErrInternal);
    return false;
  }
  return ParseBody(rest);
}

bool TSRCPCmd::ParseCommand(std::string_view Line) {
  FLine.assign(Line.data(), Line.size());
  Clear();
  IsAnswer = false;
  std::string_view peek = Trim(FLine);
  const TSRCPMessageKind kind = CommandKindFromWord(NextWord(peek));
  if (kind == mkNone) {
    SetKind(mkErrUnknownCommand);
    return false;
  }
  TSRCPDeviceGroup group = dgHandshake;
  if (kind != mkGo) {
    const std::string_view second = NextWord(peek);
    const bool handshake =
        kind == mkSet && (SameText(second, "PROTOCOL") || SameText(second, "CONNECTIONMODE"));
    if (!handshake) {
      group = GroupFromName(NextWord(peek));
      if (group >= dgHandshake) {
        SetKind(mkErrUnsupportedDeviceGroup);
        return false;
      }
    }
  }
  SetGroup(group);
  SetKind(kind);
  if (!FRow) {
    SetKind(mkErrUnsupportedOperation);
    return false;
  }
  std::string_view rest = Trim(FLine);
  bool result = ParseRow(rest, 0, true) && TakeRest(rest);
  if (!result && !IsError()) SetKind(mkErrWrongValue);
  return result;
}

}  // namespace tenvarra
