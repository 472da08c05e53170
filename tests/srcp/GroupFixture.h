#pragma once
// What the device group tests share: a command and an information session
// connected to a scripted server, the command session's traffic, and a way
// to push an information line and wait until it has been dispatched.

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ScriptedServer.h"
#include "platform/MainThreadQueue.h"
#include "srcp/DeviceGroup.h"
#include "srcp/SRCPClient.h"

namespace tenvarra::test {

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

class TGroupTest : public ::testing::Test {
protected:
  static constexpr int WaitMs = 5000;
  static constexpr int CommandSessionId = 7;

  TGroupTest() {
    for (TSRCPBaseClient* client : std::initializer_list<TSRCPBaseClient*>{Command.get(), Info.get()}) {
      client->SetHost("127.0.0.1");
      client->SetPort(Server.Port());
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

  TScriptedConnection& CommandPeer() { return Server.Connection(0); }
  TScriptedConnection& InfoPeer() { return Server.Connection(1); }

  // The server answers the next command line, which must be Line.
  void Answer(const std::string& Line, const std::string& Reply) {
    CommandPeer().Expect(Line).Send(Reply);
  }

  // The server pushes Line on the information session; returns once the
  // session has dispatched it to its listeners.
  void Push(const std::string& Line) {
    const std::size_t before = InfoLog.size();
    InfoPeer().Send(Line);
    const std::string logged = "Rec: " + Line;
    ASSERT_TRUE(Queue.ServeUntil(
        [&] { return InfoLog.size() > before && InfoLog.back() == logged; }, WaitMs))
        << Line;
  }

  // The lines the command session sent, in order.
  std::vector<std::string> Sent() const {
    std::vector<std::string> sent;
    for (const std::string& entry : CommandLog)
      if (entry.rfind("Snd: ", 0) == 0) sent.push_back(entry.substr(5));
    return sent;
  }

  // Every scripted step must have run and nothing unscripted been sent: the
  // session's end must be the next command line.
  void TearDown() override {
    if (Command && Command->Connected()) {
      CommandPeer().Expect("TERM 0 SESSION " + std::to_string(CommandSessionId)).Close();
      Command.reset();
      EXPECT_TRUE(CommandPeer().Done());
    }
  }

  TMainThreadQueue Queue;  // first: the sessions use it until they are gone
  TScriptedServer Server;
  std::unique_ptr<TSRCPCommandClient> Command = std::make_unique<TSRCPCommandClient>(Queue);
  std::unique_ptr<TSRCPInfoClient> Info = std::make_unique<TSRCPInfoClient>(Queue);
  std::vector<std::string> CommandLog;
  std::vector<std::string> InfoLog;
  std::function<void(const std::string& Text)> OnCommandLog;
};

}  // namespace tenvarra::test
