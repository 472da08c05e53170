#pragma once
// What the session and device group tests share: the main thread's queue, a
// scripted server, a recorder of a session's events, and the groups' fixture.

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ScriptedServer.h"
#include "platform/MainThreadQueue.h"
#include "srcp/DeviceGroup.h"
#include "srcp/SRCPClient.h"

namespace tenvarra::test {

// What a session reported: its log lines, and "error" and "disconnected"
// entries for its notifications, all in one ordered list. Shared with the
// session's handlers: a session destroyed after the test's copy still reports.
struct TSessionRecord {
  std::vector<std::string> Events;
  int Errors = 0, Disconnects = 0;
  bool ConnectedWhenReported = false;
};
inline std::shared_ptr<TSessionRecord> Recorded(TSRCPBaseClient& Client) {
  auto record = std::make_shared<TSessionRecord>();
  Client.SetLogEnabled(true);
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
  return record;
}

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

// Counts a group's events and keeps what the group held when each was raised.
struct TGroupEvents {
  explicit TGroupEvents(TSRCPBaseDeviceGroup& Group) {
    Group.OnChange = [this](TSRCPBaseDeviceGroup&) { Seen.push_back("change"); };
    Group.OnInit = [this](TSRCPBaseDeviceGroup&) { Seen.push_back("init"); };
    Group.OnTerm = [this](TSRCPBaseDeviceGroup&) { Seen.push_back("term"); };
    Group.OnLock = [this](TSRCPBaseDeviceGroup&) { Seen.push_back("lock"); };
    Group.OnUnlock = [this](TSRCPBaseDeviceGroup&) { Seen.push_back("unlock"); };
  }
  std::vector<std::string> Seen;
};

// A command and an information session connected to the server, the
// command session's traffic, and a way to push an information line and wait
// until it has been dispatched.
class TGroupTest : public TSessionTest {
protected:
  static constexpr int CommandSessionId = 7;

  TGroupTest() {
    for (TSRCPBaseClient* client : std::initializer_list<TSRCPBaseClient*>{Command.get(), Info.get()}) {
      Aim(*client);
      client->SetLogEnabled(true);
    }
    Command->OnLog = [this](TSRCPBaseClient&, const std::string& Text) {
      CommandLog.push_back(Text);
      if (OnCommandLog) OnCommandLog(Text);
    };
    Info->OnLog = [this](TSRCPBaseClient&, const std::string& Text) { InfoLog.push_back(Text); };
  }

  // The command session is the first connection, the information session the second.
  // The handshake's traffic is not logged.
  void Connect() {
    auto hook = std::exchange(OnCommandLog, nullptr);
    Server.Connection(0).Handshake("COMMAND", CommandSessionId);
    Command->Connect();
    ASSERT_TRUE(Command->Connected());
    Server.Connection(1).Handshake("INFO", 8);
    Info->Connect();
    ASSERT_TRUE(Info->Connected());
    CommandLog.clear();
    InfoLog.clear();
    OnCommandLog = std::move(hook);
  }

  // Group takes the information lines of Bus, filtered by Mode.
  void Listen(TSRCPBaseDeviceGroup& Group, int32_t Bus, TSRCPEventMode Mode) {
    Group.SetBus(Bus);
    Group.SetEventMode(Mode);
    Group.SetInfoClient(Info.get());
  }


  // The server answers the next command line, which must be Line.
  void Answer(const std::string& Line, const std::string& Reply) {
    Server.Connection(0).Expect(Line).Send(Reply);
  }

  // The server pushes Line on the information session; returns once the
  // session has dispatched it to its listeners.
  void Push(const std::string& Line) {
    const std::size_t before = InfoLog.size();
    Server.Connection(1).Send(Line);
    const std::string logged = "Rec: " + Line;
    ASSERT_TRUE(Serve([&] { return InfoLog.size() > before && InfoLog.back() == logged; })) << Line;
  }

  // Every scripted step must have run and nothing unscripted been sent: the
  // session's end must be the next command line.
  void TearDown() override {
    if (Command && Command->Connected()) {
      Server.Connection(0).Expect("TERM 0 SESSION " + std::to_string(CommandSessionId)).Close();
      Command.reset();
      EXPECT_TRUE(Server.Connection(0).Done());
    }
  }

  std::unique_ptr<TSRCPCommandClient> Command = std::make_unique<TSRCPCommandClient>(Queue);
  std::unique_ptr<TSRCPInfoClient> Info = std::make_unique<TSRCPInfoClient>(Queue);
  std::vector<std::string> CommandLog, InfoLog;
  std::function<void(const std::string& Text)> OnCommandLog;
};

}  // namespace tenvarra::test
