#pragma once
// What the session tests share: the main thread's queue, a scripted server,
// and a recorder of a session's events.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ScriptedServer.h"
#include "platform/MainThreadQueue.h"
#include "srcp/DeviceGroup.h"
#include "srcp/SRCPClient.h"

namespace tenvarra::test {

// Records what a session reports: its log lines, and "error" and
// "disconnected" entries for its notifications, all in one ordered list. The
// record outlives the recorder, since a session destroyed after it still
// reports its disconnect.
class TSessionRecorder {
  struct TRecord {
    std::vector<std::string> Events;
    int Errors = 0;
    int Disconnects = 0;
    bool ConnectedWhenReported = false;
  };

public:
  explicit TSessionRecorder(TSRCPBaseClient& Client) {
    Client.SetLogEnabled(true);
    auto record = FRecord;
    Client.OnLog = [record](TSRCPBaseClient&, const std::string& Text) { record->Events.push_back(Text); };
    Client.OnError = [record](TSRCPBaseClient&) {
      ++record->Errors;
      record->Events.push_back("error");
    };
    Client.OnDisconnected = [record](TSRCPBaseClient& Sender) {
      ++record->Disconnects;
      record->Events.push_back("disconnected");
      record->ConnectedWhenReported = Sender.Connected();
    };
  }

private:
  std::shared_ptr<TRecord> FRecord = std::make_shared<TRecord>();

public:
  std::vector<std::string>& Events = FRecord->Events;
  int& Errors = FRecord->Errors;
  int& Disconnects = FRecord->Disconnects;
  bool& ConnectedWhenReported = FRecord->ConnectedWhenReported;
};

// A device group that only records what the information session gives it.
class TRecordingGroup : public TSRCPBaseDeviceGroup {
public:
  TRecordingGroup(TSRCPDeviceGroup Group, int32_t Bus, TSRCPEventMode Mode)
      : TSRCPBaseDeviceGroup(Group) {
    SetBus(Bus);
    SetEventMode(Mode);
  }

  void HandleInfo(TSRCPCmd& Msg) override {
    Taken.push_back(Msg.Format());
    if (OnTaken) OnTaken(*this);
  }

  std::vector<std::string> Taken;
  std::function<void(TRecordingGroup& Sender)> OnTaken;

protected:
  void FillGet() override {}
  void FillSet() override {}
  void FillTerm() override {}
  void FillInit() override {}
  void FillExtra1() override {}
  void FillExtra2() override {}
};

class TSessionTest : public ::testing::Test {
protected:
  static constexpr int WaitMs = 5000;

  // Points Client at the scripted server.
  void Aim(TSRCPBaseClient& Client) {
    Client.SetHost("127.0.0.1");
    Client.SetPort(Server.Port());
  }

  // What Call raised as an E, if it raised one.
  template <typename E, typename F>
  static std::optional<E> ErrorOf(F&& Call) {
    try { Call(); } catch (const E& Error) { return Error; }
    return std::nullopt;
  }

  // Runs hand-overs on this (the main) thread until Done holds.
  bool Serve(const std::function<bool()>& Done) { return Queue.ServeUntil(Done, WaitMs); }

  TMainThreadQueue Queue;  // first: the sessions post to it until they are gone
  TScriptedServer Server;
};

}  // namespace tenvarra::test
