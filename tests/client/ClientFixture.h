#pragma once
// What the railway client tests share: the main thread's queue, a scripted
// SRCP server, a profile store of their own and a client aimed at the
// server. Connection(0) of the server is the command session, Connection(1)
// the information session: the client connects them in that order.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "client/Bus.h"
#include "client/Client.h"
#include "common/TempDir.h"
#include "devices/Profiles.h"
#include "platform/MainThreadQueue.h"
#include "srcp/ScriptedServer.h"

namespace tenvarra::test {

class TClientTest : public ::testing::Test {
protected:
  static constexpr int WaitMs = 5000;
  static constexpr int CmdSession = 1;
  static constexpr int InfoSession = 2;

  TClientTest() {
    Client->SetHost("127.0.0.1");
    Client->SetPort(Server.Port());
    Client->CommandClient().SetReplyTimeout(WaitMs);
    Client->SetLogEnabled(true);
    Client->SetOnCmdLog([this](TSRCPBaseClient&, const std::string& Text) {
      CmdLog.push_back(Text);
    });
    Client->SetOnInfoLog([this](TSRCPBaseClient&, const std::string& Text) {
      InfoLog.push_back(Text);
    });
    Client->OnDisconnect = [this](TMoBaSRCPClient& Sender) {
      ++Disconnects;
      DisconnectOnMainThread = Sender.Queue().IsMainThread();
      BusesWhenDisconnected = Sender.BusCount();
    };
  }

  // Ends the client while the server still answers its TERM SESSION.
  ~TClientTest() override {
    if (Client && Client->CommandClient().Connected()) ScriptTerm();
    Client.reset();
  }

  TScriptedConnection& Cmd() { return Server.Connection(0); }
  TScriptedConnection& Info() { return Server.Connection(1); }

  // The server's side of both handshakes; steps for the command session
  // that Connect waits for (GET DESCRIPTION with QueryServer) go between
  // this and Connect.
  void ScriptHandshakes() {
    Cmd().Handshake("COMMAND", CmdSession);
    Info().Handshake("INFO", InfoSession);
  }

  // Scripts both handshakes, connects and waits until the server has run
  // its handshake steps.
  void ConnectClient() {
    ScriptHandshakes();
    Client->Connect();
    ASSERT_TRUE(Client->Connected());
    ASSERT_TRUE(Cmd().Done());
    ASSERT_TRUE(Info().Done());
  }

  // The server's answer to the client's TERM SESSION.
  void ScriptTerm() {
    Cmd().Expect("TERM 0 SESSION " + std::to_string(CmdSession)).Send("9.000 200 OK");
  }

  // Runs the main thread's queue until Done holds; false after WaitMs.
  bool Serve(const std::function<bool()>& Done) { return Queue.ServeUntil(Done, WaitMs); }

  // Sends Line on the information session and serves the queue until the
  // client has taken it (it logs a line before handing it on).
  bool Push(const std::string& Line) {
    const auto seen = InfoSeen(Line);
    Info().Send(Line);
    return Serve([&] { return InfoSeen(Line) > seen; });
  }
  std::ptrdiff_t InfoSeen(const std::string& Line) const {
    return std::count(InfoLog.begin(), InfoLog.end(), "Rec: " + Line);
  }
  // How often the client sent Line on the command session.
  std::ptrdiff_t Sent(const std::string& Line) const {
    return std::count(CmdLog.begin(), CmdLog.end(), "Snd: " + Line);
  }

  TMainThreadQueue Queue;  // first: sessions post to it until they are gone
  TScriptedServer Server;
  TTempDir ProfileDir;
  TMoBaProfiles Profiles{ProfileDir.Path()};
  std::unique_ptr<TMoBaSRCPClient> Client = std::make_unique<TMoBaSRCPClient>(Queue, &Profiles);

  std::vector<std::string> CmdLog;
  std::vector<std::string> InfoLog;
  int Disconnects = 0;
  bool DisconnectOnMainThread = false;
  int32_t BusesWhenDisconnected = -1;
};

}  // namespace tenvarra::test
