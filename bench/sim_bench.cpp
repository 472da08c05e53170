// The simulator as the end-to-end tests and users meet it, over loopback TCP:
// a command's round trip, and a change reported to many information
// sessions at once. Run with --benchmark_repetitions=10 for medians.

#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "sim/SimClient.h"
#include "sim/SimServer.h"

namespace tenvarra {
namespace {

using test::TSimClient;

std::unique_ptr<TSimServer> StartServer() {
  TSimOptions options;
  options.Port = 0;
  auto server = std::make_unique<TSimServer>(options);
  server->Start();
  return server;
}

void BM_SimCommandRoundTrip(benchmark::State& State) {
  const auto server = StartServer();
  TSimClient cmd(server->Port());
  if (cmd.Handshake("COMMAND") < 0) return State.SkipWithError("no handshake");
  for (auto _ : State)
    if (cmd.Ask("GET 1 POWER") != "100 INFO 1 POWER OFF")
      return State.SkipWithError("wrong reply");
}
BENCHMARK(BM_SimCommandRoundTrip)->UseRealTime();

// One contact change until every one of Range(0) information sessions has its report.
void BM_SimReportToSessions(benchmark::State& State) {
  const auto server = StartServer();
  TSimClient cmd(server->Port());
  std::vector<std::unique_ptr<TSimClient>> infos;
  const std::string snapshotEnd = "100 INFO 8 POWER OFF";
  for (int64_t i = 0; i < State.range(0); ++i) {
    auto& info = infos.emplace_back(std::make_unique<TSimClient>(server->Port()));
    if (info->Handshake("INFO") < 0 || info->ReadThrough(snapshotEnd).back() != snapshotEnd)
      return State.SkipWithError("no handshake");
  }
  const int id = cmd.Handshake("COMMAND");
  // Each session is told of those after it, the command session last.
  const std::string joined = "101 INFO 0 SESSION " + std::to_string(id) + " COMMAND";
  for (auto& info : infos)
    if (info->ReadThrough(joined).back() != joined) return State.SkipWithError("no handshake");
  int value = 0;
  for (auto _ : State) {
    value ^= 1;
    const std::string contact = "8 FB 1 " + std::to_string(value);
    if (cmd.Ask("SET " + contact) != "200 OK") return State.SkipWithError("refused");
    for (auto& info : infos)
      if (info->Next() != "100 INFO " + contact) return State.SkipWithError("no report");
  }
}
BENCHMARK(BM_SimReportToSessions)->Arg(1)->Arg(10)->Arg(100)->UseRealTime();

}  // namespace
}  // namespace tenvarra

BENCHMARK_MAIN();
