#include "sim/SimCommands.h"

#include <limits>
#include <utility>

#include "sim/SimLayout.h"
#include "sim/SimLines.h"
#include "sim/SimSessions.h"
#include "srcp/Numbers.h"
#include "srcp/Records.h"

namespace tenvarra {

namespace {

constexpr int32_t AnyNumber = std::numeric_limits<int32_t>::max();
constexpr uint16_t AnyLength = 0xFFFF;

TSRCPMessageKind CommandKind(std::string_view Word) {
  for (const auto& row : SRCPCommandTable)
    if (!row.Text.empty() && row.Text == Word) return row.Kind;
  return mkNone;
}

// Group words must be written as the protocol spells them.
TSRCPDeviceGroup ExactGroup(std::string_view Word) {
  const TSRCPDeviceGroup group = GroupFromName(Word);
  return group < dgHandshake && GroupName(group) == Word ? group : dgInvalid;
}

}  // namespace

TSimCommands::TSimCommands(TSimLayout& Layout, TSimSessions& Sessions, TSimLines& Lines)
    : FLayout(Layout), FSessions(Sessions), FLines(Lines) {}

TSimCommands::TWords TSimCommands::Split(std::string_view Line) {
  TWords words;
  std::size_t at = 0;
  while (at < Line.size()) {
    const std::size_t begin = Line.find_first_not_of(" \t", at);
    if (begin == std::string_view::npos) break;
    const std::size_t end = std::min(Line.find_first_of(" \t", begin), Line.size());
    words.push_back(Line.substr(begin, end - begin));
    at = end;
  }
  return words;
}

bool TSimCommands::Number(std::string_view Word, int32_t Min, int32_t Max, int32_t& Value) {
  // SRCPToInt also takes "*" and "=", whose values lie below any Min here.
  return SRCPToInt(Word, Value) && Value >= Min && Value <= Max;
}

std::string TSimCommands::Ok() { return FLines.Ok(); }
std::string TSimCommands::Fail(TSRCPMessageKind Kind) { return FLines.Error(Kind); }

void TSimCommands::Execute(TSimSession& Session, std::string_view Line) {
  const TWords words = Split(Line);
  if (words.empty()) return;
  switch (Session.Phase) {
    case TSimSession::TPhase::phHandshake: Handshake(Session, words); break;
    case TSimSession::TPhase::phCommand: {
      // Empty when the command has sent its reply itself.
      const std::string reply = Command(Session, words);
      if (!reply.empty()) Session.Send(reply);
      break;
    }
    case TSimSession::TPhase::phInfo: break;
  }
}

void TSimCommands::Handshake(TSimSession& Session, const TWords& Words) {
  if (Words[0] == "GO") {
    if (Words.size() > 1) return Session.Send(Fail(mkErrListTooLong));
    FSessions.Start(Session);
    Session.Send(FLines.OkGo(Session.Id));
    if (Session.Mode == cmInfo) {
      std::vector<std::string> snapshot;
      FLayout.Snapshot(snapshot);
      for (const std::string& line : snapshot) Session.SendUncounted(line);
      FSessions.Listen(Session);
    }
    return;
  }
  const bool protocol = Words.size() > 1 && Words[1] == "PROTOCOL";
  const bool mode = Words.size() > 1 && Words[1] == "CONNECTIONMODE";
  if (Words[0] != "SET" || (Words.size() > 1 && !protocol && !mode))
    return Session.Send(Fail(mkErrUnknownCommand));
  if (Words.size() < 4) return Session.Send(Fail(mkErrInsufficientData));
  if (Words.size() > 4) return Session.Send(Fail(mkErrListTooLong));
  if (protocol) {
    // SET PROTOCOL SRCP 0.8.2
    const bool offered = Words[2] == "SRCP" && Words[3] == VersionText(cv082);
    return Session.Send(offered ? FLines.OkProtocol() : Fail(mkErrUnsupportedProtocol));
  }
  // SET CONNECTIONMODE SRCP COMMAND|INFO
  TSRCPConnectionMode wanted = cmInvalid;
  if (Words[2] == "SRCP" && (Words[3] == "COMMAND" || Words[3] == "INFO"))
    ConnectionModeFromName(Words[3], wanted);
  if (wanted == cmInvalid) return Session.Send(Fail(mkErrUnsupportedConnectionMode));
  Session.Mode = wanted;
  Session.Send(FLines.OkConnectionMode());
}

std::string TSimCommands::Command(TSimSession& Session, const TWords& Words) {
  struct TRow {
    TSRCPDeviceGroup Group;
    TSRCPMessageKind Kind;
    uint16_t MinWords, MaxWords;
    THandler Handler;
  };
  // Each row: group, command, fewest and most words, handler.
  using C = TSimCommands;
  static constexpr TRow rows[] = {
      // INIT <bus> GL <addr> <protocol> [<version>] [<steps> <functions>]
      {dgLoco, mkInit, 5, 8, &C::InitLoco},
      // SET|CHECK <bus> GL <addr> <drivemode> <V> <V_max> [<f0> ... <fn>]
      {dgLoco, mkSet, 7, AnyLength, &C::SetLoco},
      {dgLoco, mkCheck, 7, AnyLength, &C::SetLoco},
      {dgLoco, mkGet, 4, 4, &C::GetLoco},    // GET <bus> GL <addr>
      {dgLoco, mkTerm, 4, 4, &C::TermLoco},  // TERM <bus> GL <addr>
      {dgAccessoire, mkInit, 5, 5, &C::InitAccessory},  // INIT <bus> GA <addr> <protocol>
      // SET|CHECK <bus> GA <addr> <port> <value> <delay>
      {dgAccessoire, mkSet, 7, 7, &C::SetAccessory},
      {dgAccessoire, mkCheck, 7, 7, &C::SetAccessory},
      {dgAccessoire, mkGet, 5, 5, &C::GetAccessory},    // GET <bus> GA <addr> <port>
      {dgAccessoire, mkTerm, 4, 4, &C::TermAccessory},  // TERM <bus> GA <addr>
      {dgFeedback, mkInit, 3, AnyLength, &C::Announce},  // INIT <bus> FB [<text>]
      {dgFeedback, mkSet, 5, 5, &C::SetContact},         // SET <bus> FB <addr> <value>
      {dgFeedback, mkGet, 4, 4, &C::GetContact},         // GET <bus> FB <addr>
      {dgFeedback, mkTerm, 3, 3, &C::Announce},          // TERM <bus> FB
      {dgPower, mkInit, 3, 3, &C::Announce},             // INIT <bus> POWER
      // SET|CHECK <bus> POWER ON|OFF [<text>]
      {dgPower, mkSet, 4, AnyLength, &C::SetPower},
      {dgPower, mkCheck, 4, AnyLength, &C::SetPower},
      {dgPower, mkGet, 3, 3, &C::GetPower},   // GET <bus> POWER
      {dgPower, mkTerm, 3, 3, &C::Announce},  // TERM <bus> POWER
      {dgDescription, mkGet, 3, 5, &C::GetDescription},  // GET <bus> DESCRIPTION [<group> <addr>]
      {dgSession, mkGet, 4, 4, &C::GetSession},    // GET 0 SESSION <id>
      {dgSession, mkTerm, 3, 4, &C::TermSession},  // TERM 0 SESSION [<id>]
      {dgServer, mkGet, 3, 3, &C::GetServer},      // GET 0 SERVER
      {dgServer, mkReset, 3, 3, &C::ResetServer},  // RESET 0 SERVER
      {dgServer, mkTerm, 3, 3, &C::TermServer},    // TERM 0 SERVER
      {dgTime, mkInit, 5, 5, &C::InitTime},        // INIT 0 TIME <fx> <fy>
      // SET|CHECK 0 TIME <julianday> <hour> <minute> <second>
      {dgTime, mkSet, 7, 7, &C::SetTime},
      {dgTime, mkCheck, 7, 7, &C::SetTime},
      {dgTime, mkGet, 3, 3, &C::GetTime},    // GET 0 TIME
      {dgTime, mkWait, 7, 7, &C::WaitTime},  // WAIT 0 TIME <julianday> <hour> <minute> <second>
      {dgTime, mkTerm, 3, 3, &C::TermTime},  // TERM 0 TIME
  };

  const TSRCPMessageKind kind = CommandKind(Words[0]);
  if (kind == mkNone || kind == mkGo) return Fail(mkErrUnknownCommand);
  const bool handshake =
      Words.size() > 1 && (Words[1] == "PROTOCOL" || Words[1] == "CONNECTIONMODE");
  if (kind == mkSet && handshake) return Fail(mkErrUnknownCommand);  // the handshake is over
  if (Words.size() < 3) return Fail(mkErrListTooShort);
  int32_t number;
  if (!Number(Words[1], 0, AnyNumber, number)) return Fail(mkErrWrongValue);
  const TSRCPDeviceGroup group = ExactGroup(Words[2]);
  if (group == dgInvalid) return Fail(mkErrUnsupportedDeviceGroup);
  TSimBus* bus = FLayout.Bus(number);
  if (!bus) return Fail(mkErrWrongValue);
  // Every bus describes itself; the rest must be on the bus's list.
  if (group != dgDescription && !bus->Offers(group)) return Fail(mkErrUnsupportedDeviceGroup);
  for (const TRow& row : rows) {
    if (row.Group != group || row.Kind != kind) continue;
    if (Words.size() < row.MinWords) return Fail(mkErrListTooShort);
    if (Words.size() > row.MaxWords) return Fail(mkErrListTooLong);
    TRequest request{Session, Words, *bus, kind == mkCheck};
    std::string reply = (this->*row.Handler)(request);
    if (request.CloseAfterReply) {
      Session.Send(reply);
      Session.CloseAfterFlush();
      return {};
    }
    return reply;
  }
  return Fail(mkErrUnsupportedOperation);
}

// ---- DESCRIPTION ----

// GET <bus> DESCRIPTION [<group> <addr>]
std::string TSimCommands::GetDescription(TRequest& R) {
  if (R.Words.size() == 3) return FLayout.DescriptionLine(R.Bus);
  if (R.Words.size() < 5) return Fail(mkErrListTooShort);
  const TSRCPDeviceGroup group = ExactGroup(R.Words[3]);
  if (group != dgLoco && group != dgAccessoire)
    return Fail(group == dgInvalid ? mkErrUnsupportedDeviceGroup : mkErrUnsupportedOperation);
  if (!R.Bus.Offers(group)) return Fail(mkErrUnsupportedDeviceGroup);
  int32_t address;
  if (!Number(R.Words[4], 0, AnyNumber, address)) return Fail(mkErrWrongValue);
  if (group == dgLoco)
    return R.Bus.Locos.count(address) ? FLayout.LocoLine(mkInfoInit, R.Bus, address)
                                      : Fail(mkErrNoData);
  return R.Bus.Accessories.count(address) ? FLayout.AccessoryLine(mkInfoInit, R.Bus, address)
                                          : Fail(mkErrNoData);
}

// ---- SESSION ----

// GET 0 SESSION <id>
std::string TSimCommands::GetSession(TRequest& R) {
  int32_t id;
  if (!Number(R.Words[3], 0, AnyNumber, id)) return Fail(mkErrWrongValue);
  const TSimSession* session = FSessions.Find(id);
  return session ? FSessions.SessionLine(mkInfoState, *session) : Fail(mkErrNoData);
}

// TERM 0 SESSION [<id>]
std::string TSimCommands::TermSession(TRequest& R) {
  int32_t id = R.Session.Id;
  if (R.Words.size() == 4 && !Number(R.Words[3], 0, AnyNumber, id)) return Fail(mkErrWrongValue);
  if (id != R.Session.Id) return Fail(mkErrForbidden);
  R.CloseAfterReply = true;
  return Ok();
}

// ---- SERVER ----

// GET 0 SERVER
std::string TSimCommands::GetServer(TRequest&) {
  FLines.Begin(dgServer, mkInfoState, TSimLines::Now(), 0).Server().State = ssRunning;
  return FLines.Finish();
}

// RESET 0 SERVER
std::string TSimCommands::ResetServer(TRequest&) {
  for (const TSRCPServerState state : {ssResetting, ssRunning}) {
    FLines.Begin(dgServer, mkInfoState, FLines.NextStamp(), 0).Server().State = state;
    FSessions.Broadcast(FLines.Finish());
    if (state == ssResetting) FLayout.Reset();
  }
  return Ok();
}

// TERM 0 SERVER: a simulator that anyone could end would leave the others without a server.
std::string TSimCommands::TermServer(TRequest&) { return Fail(mkErrForbidden); }

// ---- TIME ----

// INIT 0 TIME <fx> <fy>
std::string TSimCommands::InitTime(TRequest& R) {
  // Bounded so that the clock's arithmetic cannot overflow in centuries of running.
  constexpr int32_t maxFactor = 1000000;
  int32_t fx, fy;
  if (!Number(R.Words[3], 0, maxFactor, fx) || !Number(R.Words[4], 1, maxFactor, fy))
    return Fail(mkErrWrongValue);
  FLayout.InitTime(fx, fy);
  return Ok();
}

// SET 0 TIME <julianday> <hour> <minute> <second>
std::string TSimCommands::SetTime(TRequest& R) {
  TSimModelTime time;
  if (!Number(R.Words[3], 0, AnyNumber, time.JulianDay) || !Number(R.Words[4], 0, 23, time.Hour) ||
      !Number(R.Words[5], 0, 59, time.Minute) || !Number(R.Words[6], 0, 59, time.Second))
    return Fail(mkErrWrongValue);
  if (!FLayout.Clock().Initialised()) return Fail(mkErrNoData);
  if (!R.CheckOnly) FLayout.SetTime(time);
  return Ok();
}

// GET 0 TIME
std::string TSimCommands::GetTime(TRequest&) {
  return FLayout.Clock().Initialised() ? FLayout.TimeLine(mkInfoState) : Fail(mkErrNoData);
}

// WAIT 0 TIME <julianday> <hour> <minute> <second>: the time line once model
// time has reached that moment, as srcpd answers; 416 without a running clock.
std::string TSimCommands::WaitTime(TRequest& R) {
  TSimModelTime time;
  if (!Number(R.Words[3], 0, AnyNumber, time.JulianDay) || !Number(R.Words[4], 0, 23, time.Hour) ||
      !Number(R.Words[5], 0, 59, time.Minute) || !Number(R.Words[6], 0, 59, time.Second))
    return Fail(mkErrWrongValue);
  if (!FLayout.Clock().Initialised() || FLayout.Clock().Fx() == 0) return Fail(mkErrNoData);
  const int32_t id = R.Session.Id;
  R.Session.TimeWait = FLayout.WaitForTime(time, [this, id](bool Reached) {
    TSimSession* session = FSessions.Find(id);
    if (!session) return;
    session->TimeWait = 0;
    session->Send(Reached ? FLayout.TimeLine(mkInfoState) : Fail(mkErrNoData));
    if (OnResume) OnResume(*session);
  });
  // Lines after it wait unread, so every reply comes in the order asked.
  R.Session.MarkDirty();
  return {};
}

void TSimCommands::SessionEnded(TSimSession& Session) {
  FLayout.CancelWait(std::exchange(Session.TimeWait, 0));
}

// TERM 0 TIME
std::string TSimCommands::TermTime(TRequest&) {
  if (!FLayout.Clock().Initialised()) return Fail(mkErrNoData);
  FLayout.TermTime();
  return Ok();
}

}  // namespace tenvarra
