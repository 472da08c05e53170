#pragma once
// What the session tests share: the main thread's queue, a scripted server,
// and a recorder of a session's events.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ScriptedServer.h"
#include "platform/MainThreadQueue.h"
#include "srcp/DeviceGroup.h"
#include "srcp/SRCPClient.h"

namespace tenvarra::test {

// Records what a session reports: its log lines, and "error" and
// "disconnected" entries for its notifications, all in one ordered list.
class TSessionRecorder {
public:
  explicit TSessionRecorder(TSRCPBaseClient& Client) {
    Client.SetLogEnabled(true);
    Client.OnLog = [this](TSRCPBaseClient&, const std::string& Text) { Events.push_back(Text); };
    Client.OnError = [this](TSRCPBaseClient&) {
      ++Errors;
      Events.push_back("error");
    };
    Client.OnDisconnected = [this](TSRCPBaseClient& Sender) {
      ++Disconnects;
      Events.push_back("disconnected");
      ConnectedWhenReported = Sender.Connected();
    };
  }

  std::vector<std::string> Events;
  int Errors = 0;
  int Disconnects = 0;
  bool ConnectedWhenReported = false;
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

  // Runs hand-overs on this (the main) thread until Done holds.
  bool Serve(const std::function<bool()>& Done) { return Queue.ServeUntil(Done, WaitMs); }

  TMainThreadQueue Queue;  // first: the sessions post to it until they are gone
  TScriptedServer Server;
};

}  // namespace tenvarra::test
