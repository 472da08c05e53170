#include "srcp/SRCPCmd.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "srcp/Records.h"

namespace tenvarra {
namespace {

// Everything a message and its records hold, as one text, but time stamp,
// bus and address, which a parse keeps when its line lacks them.
std::string CmdSnapshot(const TSRCPCmd& Cmd) {
  std::ostringstream s;
  s << "kind=" << int(Cmd.Kind()) << " group=" << int(Cmd.Group()) << " version=" << int(Cmd.Version())
    << " code=" << Cmd.Code << " answer=" << Cmd.IsAnswer << " text=[" << Cmd.Text << "]";
  const auto& fb = Cmd.Feedback();
  s << " | FB " << fb.Value << ' ' << fb.Delay;
  const auto& ga = Cmd.Accessoire();
  s << " | GA " << ga.Value << ' ' << ga.Port << ' ' << ga.Delay << ' ' << int(ga.Protocol);
  const auto& gl = Cmd.Loco();
  s << " | GL " << gl.SpeedSteps << ' ' << gl.ReportedSpeed << ' ' << gl.Speed << ' '
    << gl.ProtocolVersion << ' ' << gl.MaxSpeed << ' ' << int(gl.DriveMode) << ' '
    << int(gl.Protocol) << ' ' << gl.FunctionIndex << " f";
  for (int32_t f : gl.Functions()) s << ' ' << f;
  const auto& sm = Cmd.ServiceMode();
  s << " | SM " << sm.SMAddress << ' ' << sm.Value << ' ' << sm.Bit << ' ' << int(sm.AddressType)
    << ' ' << sm.ValueCount << ' ' << int(sm.Protocol);
  auto& lock = Cmd.Lock();
  s << " | LOCK " << lock.Duration << ' ' << lock.SessionId << ' ' << int(lock.LockedGroup());
  s << " | POWER " << Cmd.Power().PowerOn;
  const auto& t = Cmd.Time();
  s << " | TIME " << t.Hour << ' ' << t.Second << ' ' << t.Minute << ' ' << t.JulianDay << ' '
    << t.TimeFy << ' ' << t.TimeFx;
  s << " | SESSION " << Cmd.Session().SessionId;
  const auto& d = Cmd.Description();
  s << " | DESCRIPTION " << int(d.DescribedGroup) << " g";
  for (TSRCPDeviceGroup g : d.Groups) s << ' ' << int(g);
  s << " | SERVER " << int(Cmd.Server().State);
  const auto& h = Cmd.Handshake();
  s << " | HANDSHAKE " << h.SessionId << ' ' << int(h.ProtocolVersion) << ' ' << int(h.ConnectionMode);
  const auto& w = Cmd.Welcome();
  s << " | WELCOME [" << w.Server << "] [" << w.Other << "] v";
  for (int32_t i = 0; i < w.VersionCount(); ++i) s << ' ' << int(w.GetVersion(i)) << '/' << w.GetVersionText(i);
  return s.str();
}

TEST(SRCPCmdTest, LinesWithoutASyntaxRowAreInternalErrors) {
  TSRCPCmd cmd;
  cmd.SetVersion(cv082);
  cmd.SetGroup(dgAccessoire);
  // A kind the group lacks is formatted as an internal error, the code field left alone.
  cmd.SetCommand(mkWait);
  cmd.Code = 17;
  EXPECT_EQ(cmd.Format(), "699 ERROR internal error");
  EXPECT_EQ(cmd.Code, 17);
  cmd.SetVersion(cv073);  // no syntax table
  cmd.SetGroup(dgPower);
  cmd.SetCommand(mkGet);
  EXPECT_EQ(cmd.Format(), "699 ERROR internal error");
}

TEST(SRCPCmdTest, ParseOutcomesAndParsingTheOwnText) {
  struct TCase {
    const char* Line;
    bool Parsed;
    TSRCPMessageKind Kind;
    int Code;
  };
  const TCase cases[] = {
      {"5.250 200 OK GO 7", true, mkOkGo, 200},
      {"5.250 416 ERROR no data", true, mkErrNoData, 416},
      {"5.250 410 error", true, mkErrUnknownCommand, 410},
      {"5.250 416 INFO 1 GL", false, mkErrInternal, -1},    // error code without the word
      {"5.250 333 ERROR strange", true, mkErrInternal, 699},  // unknown code: an error reply
      {"12.5 300 INFO", false, mkErrInternal, -1},
      {"5.250 100 INFO x GL 3", true, mkErrUnknownCommand, -1},
      {"5.250 100 INFO 1 XX 3", true, mkErrUnknownValue, -1},
      {"5.250 100 OK 1 GL 3", false, mkInfoState, -1},  // wrong word
      {"5.250 201 OK", false, mkOkProtocol, -1},        // reply without its key
      {"5.250 201 OK CONNECTIONMODE", false, mkOkProtocol, -1},  // another reply's key
      {"5.250 201 OK PROTOCOL SRCX", false, mkOkProtocol, -1},
      {"5.250 200 OK protocol SRCP", true, mkOkProtocol, 201},  // a plain 200 is refined by its key
      {"5.250 202 OK CONNECTIONMODE", true, mkOkConnectionMode, 202},
      {"5.250 200 OK GO x", false, mkOkGo, -1},
      {"5.250 100 INFO 1 GL 3 1 50 100 0 1 x 0", false, mkErrInsufficientData, -1},
      {"", false, mkErrInternal, -1},
      {"5.250", true, mkWelcome, -1},  // no blank: not a time-stamped line
  };
  for (const TCase& c : cases) {
    TSRCPCmd cmd;
    cmd.SetVersion(cv082);
    EXPECT_EQ(cmd.Parse(c.Line), c.Parsed) << c.Line;
    EXPECT_EQ(cmd.Kind(), c.Kind) << c.Line;
    if (c.Code >= 0) { EXPECT_EQ(cmd.Code, c.Code) << c.Line; }
  }
  TSRCPCmd unset;  // replies need the version's codes
  EXPECT_FALSE(unset.Parse("5.250 200 OK"));
  // Parsing the message's own text is safe.
  TSRCPCmd cmd;
  cmd.SetVersion(cv082);
  ASSERT_TRUE(cmd.Parse("5.250 416 ERROR 5.250 100 INFO 1 POWER ON"));
  ASSERT_TRUE(cmd.Parse(cmd.Text));
  EXPECT_EQ(cmd.Kind(), mkInfoState);
  EXPECT_TRUE(cmd.Power().PowerOn);
}

// A message reused for many lines must end up exactly like a fresh one after
// each, apart from time stamp, bus and address, which survive by design.
TEST(SRCPCmdTest, ReuseLeavesNothingOfEarlierLines) {
  const std::vector<std::string> lines = {
      "5.250 100 INFO 2 GL 3 1 50 100 0 1 0 0", "5.250 101 INFO 1 GL 3 N 2 28 5",
      "5.250 100 INFO 1 GA 12 0 1",             "5.250 101 INFO 1 GA 12 P",
      "5.250 100 INFO 1 FB 17 1",               "5.250 110 INFO 1 SM 3 CVBIT 29 5 1",
      "5.250 100 INFO 1 SM 3 CV 29 6",          "5.250 100 INFO 1 LOCK GL 3 60 7",
      "5.250 100 INFO 1 POWER ON",              "5.250 100 INFO 0 TIME 2455000 10 20 30",
      "5.250 101 INFO 0 TIME 2 1",              "5.250 101 INFO 0 SESSION 7 hello there",
      "5.250 100 INFO 0 DESCRIPTION SESSION SERVER TIME GM",
      "5.250 100 INFO 0 SERVER RUNNING",        "5.250 201 OK PROTOCOL SRCP",
      "srcpd V2.1.2; SRCP 0.8.4; SRCPOTHER 0.8.2; extra",
      "5.250 100 INFO 1 POWER MAYBE",           "5.250 200 OK GO 12",
      "6.500 200 OK",
  };
  TSRCPCmd reused;
  reused.SetVersion(cv082);
  for (int pass = 0; pass < 2; ++pass)
    for (const std::string& line : lines) {
      TSRCPCmd fresh;
      fresh.SetVersion(cv082);
      EXPECT_EQ(reused.Parse(line), fresh.Parse(line)) << line;
      EXPECT_EQ(CmdSnapshot(reused), CmdSnapshot(fresh)) << line;
    }
  EXPECT_DOUBLE_EQ(reused.Timestamp, 6.5);
  EXPECT_EQ(reused.Bus, 1);
}

}  // namespace
}  // namespace tenvarra
