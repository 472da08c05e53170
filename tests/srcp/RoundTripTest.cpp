// Every row of the 0.8.2 syntax table: fill the record, format, parse the
// line back and format again. The line must come back unchanged, with kind,
// group, bus and address intact and every parameter of the row written.

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>

#include "srcp/Records.h"

namespace tenvarra {
namespace {

void Fill(TSRCPCmd& Cmd) {
  Cmd.Feedback().Value = 1;
  Cmd.Feedback().Delay = 30;
  Cmd.Feedback().SetText("S88");
  auto& ga = Cmd.Accessoire();
  ga.Port = ga.Value = 1;
  ga.Delay = 200;
  ga.Protocol = prN;
  auto& loco = Cmd.Loco();
  loco.Protocol = prM;
  loco.ProtocolVersion = 2;
  loco.SpeedSteps = 14;
  loco.Speed = 50;
  loco.MaxSpeed = 100;
  loco.ReportedSpeed = 40;
  loco.DriveMode = dmBackward;
  loco.SetFunctionCount(5);
  for (int f : {0, 2, 3}) loco.SetFunction(f, 1);
  auto& sm = Cmd.ServiceMode();
  sm.Protocol = prN;
  sm.AddressType = satCVBit;
  sm.SMAddress = 29;
  sm.Bit = sm.Value = 1;
  Cmd.Lock().SetLockedGroup(dgAccessoire);
  Cmd.Lock().Duration = 60;
  Cmd.Lock().SessionId = Cmd.Session().SessionId = Cmd.Handshake().SessionId = 7;
  Cmd.Power().PowerOn = true;
  auto& t = Cmd.Time();
  t.JulianDay = 2455000;
  t.Hour = 10;
  t.Minute = 20;
  t.Second = 30;
  t.TimeFx = 2;
  t.TimeFy = 1;
  if (Cmd.Group() == dgSession) Cmd.Text = "hello there";
  if (Cmd.Kind() == mkGet) Cmd.Description().SetDescribedGroup(dgLoco);
  else Cmd.Description().Groups = {dgAccessoire, dgLoco, dgFeedback, dgPower};
  Cmd.Server().State = ssResetting;
  Cmd.Handshake().ProtocolVersion = cv082;
  Cmd.Handshake().ConnectionMode = cmInfo;
  Cmd.Welcome().Server = "srv 1.0";
  Cmd.Welcome().AddVersion(cv082);
  Cmd.Welcome().AddVersion(cv073);
  Cmd.Welcome().Other = "x;y";
}

// Rows whose line does not tell them apart from another row.
// A bare SET without key is no handshake line a server reads; an init
// description is the described device's own line, or no line.
bool Ambiguous(TSRCPDeviceGroup Group, TSRCPMessageKind Kind) {
  return (Group == dgHandshake && Kind == mkSet) || (Group == dgDescription && Kind == mkInfoInit);
}

bool RowHas(const TSRCPSyntaxRow& Row, TSRCPParamKind Kind) {
  return std::find(Row.Params.begin(), Row.Params.end(), Kind) != Row.Params.end();
}

std::size_t ParamCount(const TSRCPSyntaxRow& Row) {
  std::size_t n = 0;
  while (n < Row.Params.size() && Row.Params[n] != pkNone) ++n;
  return n;
}

std::size_t WordCount(const std::string& Line) {
  std::istringstream s(Line);
  std::string word;
  std::size_t n = 0;
  while (s >> word) ++n;
  return n;
}

TEST(RoundTripTest, EveryRowOfTheSyntaxTable) {
  TSRCPCmd reused;
  reused.SetVersion(cv082);
  int tested = 0;
  for (int g = dgFeedback; g < dgInvalid; ++g) {
    const auto group = static_cast<TSRCPDeviceGroup>(g);
    for (const TSRCPSyntaxRow* row = SRCPSyntax082.Lists[g]; row->Kind != mkErrInternal; ++row) {
      if (Ambiguous(group, row->Kind)) continue;
      SCOPED_TRACE(testing::Message() << GroupName(group) << " kind " << int(row->Kind));
      TSRCPCmd out;
      out.SetVersion(cv082);
      out.SetGroup(group);
      out.SetCommand(row->Kind);
      out.Bus = 1;
      out.Address = 3;
      out.Timestamp = 5.25;
      Fill(out);
      const std::string line = out.Format();
      SCOPED_TRACE(line);
      ASSERT_EQ(out.Kind(), row->Kind);
      // Every parameter was written (the function list may add more words);
      // a bare OK is written without its row.
      EXPECT_GE(WordCount(line), row->Kind == mkOk ? 3 : ParamCount(*row));

      const bool answer = IsAnswerKind(row->Kind);
      for (TSRCPCmd* in : {static_cast<TSRCPCmd*>(nullptr), &reused}) {
        TSRCPCmd fresh;
        fresh.SetVersion(cv082);
        TSRCPCmd& cmd = in ? *in : fresh;
        cmd.Bus = cmd.Address = -5;
        ASSERT_TRUE(answer ? cmd.Parse(line) : cmd.ParseCommand(line));
        EXPECT_FALSE(cmd.IsError());
        EXPECT_EQ(cmd.Kind(), row->Kind);
        EXPECT_EQ(cmd.IsAnswer, answer);
        if (row->Kind != mkOk) { EXPECT_EQ(cmd.Group(), group); }
        if (RowHas(*row, pkBus)) { EXPECT_EQ(cmd.Bus, 1); }
        if (RowHas(*row, pkAddress)) { EXPECT_EQ(cmd.Address, 3); }
        if (RowHas(*row, pkText)) { EXPECT_EQ(cmd.Text, group == dgWelcome ? line : out.Text); }
        if (RowHas(*row, pkTime)) { EXPECT_DOUBLE_EQ(cmd.Timestamp, 5.25); }
        EXPECT_EQ(cmd.Format(), line);
      }
      ++tested;
    }
  }
  EXPECT_EQ(tested, 95 - 2);
}

}  // namespace
}  // namespace tenvarra
