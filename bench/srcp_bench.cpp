// The SRCP line costs on the hot paths: every information line the server
// pushes is parsed into the session's reused message, every command is
// formatted from a device group's reused message, and each connect parses a
// welcome line. Run with --benchmark_repetitions=10 for medians.

#include <benchmark/benchmark.h>

#include <string>

#include "srcp/Records.h"

namespace tenvarra {
namespace {

void BM_ParseLocoStateLine(benchmark::State& State) {
  TSRCPCmd cmd;
  cmd.SetVersion(cv082);
  const std::string line = "5.250 100 INFO 1 GL 3 1 50 100 0 1 0 0";
  for (auto _ : State) {
    bool ok = cmd.Parse(line);
    benchmark::DoNotOptimize(ok);
    benchmark::ClobberMemory();
  }
  if (!cmd.Parse(line) || cmd.Loco().FunctionCount() != 4) State.SkipWithError("line not understood");
}
BENCHMARK(BM_ParseLocoStateLine);

void BM_FormatLocoSet(benchmark::State& State) {
  TSRCPCmd cmd;
  cmd.SetVersion(cv082);
  cmd.SetGroup(dgLoco);
  cmd.SetCommand(mkSet);
  cmd.Bus = 1;
  cmd.Address = 3;
  auto& loco = cmd.Loco();
  loco.DriveMode = dmForward;
  loco.Speed = 50;
  loco.MaxSpeed = 100;
  loco.SetFunctionCount(4);
  loco.SetFunction(1, 1);
  std::string line;
  for (auto _ : State) {
    cmd.Format(line);
    benchmark::DoNotOptimize(line.data());
    benchmark::ClobberMemory();
  }
  if (line != "SET 1 GL 3 1 50 100 0 1 0 0") State.SkipWithError("wrong line");
}
BENCHMARK(BM_FormatLocoSet);

void BM_ParseWelcomeLine(benchmark::State& State) {
  TSRCPCmd cmd;
  cmd.SetVersion(cv082);
  const std::string line = "srcpd V2.1.2; SRCP 0.8.2; SRCPOTHER 0.7.3";
  for (auto _ : State) {
    bool ok = cmd.Parse(line);
    benchmark::DoNotOptimize(ok);
    benchmark::ClobberMemory();
  }
  if (!cmd.Parse(line) || cmd.Welcome().VersionCount() != 2) State.SkipWithError("line not understood");
}
BENCHMARK(BM_ParseWelcomeLine);

void BM_FormatWelcomeLine(benchmark::State& State) {
  TSRCPCmd cmd;
  cmd.SetVersion(cv082);
  cmd.Parse("srcpd V2.1.2; SRCP 0.8.2; SRCPOTHER 0.7.3");
  std::string line;
  for (auto _ : State) {
    cmd.Format(line);
    benchmark::DoNotOptimize(line.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FormatWelcomeLine);

}  // namespace
}  // namespace tenvarra

BENCHMARK_MAIN();
