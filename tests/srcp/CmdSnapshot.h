#pragma once
// Everything a message and its records hold, as one text, so tests can tell
// whether two messages carry the same values.

#include <sstream>
#include <string>

#include "srcp/Records.h"

namespace tenvarra {

// Leaves out time stamp, bus and address, which a parse keeps when its line lacks them.
inline std::string CmdSnapshot(const TSRCPCmd& Cmd) {
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

}  // namespace tenvarra
