#pragma once
// Carries out what clients send: the handshake up to GO, then on command
// sessions one reply per command line. Lines are split into words and every
// word is checked, so a malformed line gets the SRCP error a careful server
// gives and nothing changes; the session goes on either way. One table
// lists every command with the words it takes; each handler carries its wire
// syntax in a comment. Loop thread only.
//
// Error choices: an unknown command word (keywords are upper case) 410; an
// unknown bus 412; a group the bus does not offer 422; a command the group
// lacks 423; too few words 419, too many 418; a word that is not a number,
// or out of range, 412; a protocol letter the bus does not take 420; a
// device not initialised 416; a keyword value it does not know 411.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "srcp/Vocabulary.h"

namespace tenvarra {

class TSimLayout;
class TSimLines;
class TSimSession;
class TSimSessions;
struct TSimBus;

class TSimCommands {
public:
  TSimCommands(TSimLayout& Layout, TSimSessions& Sessions, TSimLines& Lines);

  // A session whose WAIT has been answered may run its next lines; called
  // from the loop's timers, never from within Execute.
  std::function<void(TSimSession&)> OnResume;
  // Forgets what Session was waiting for.
  void SessionEnded(TSimSession& Session);

  // Answers Line (without its line end) on Session. Blank lines get no
  // answer, and information sessions are not listened to after GO.
  void Execute(TSimSession& Session, std::string_view Line);

  // The words of a line: separated by blanks or tabs.
  using TWords = std::vector<std::string_view>;
  static TWords Split(std::string_view Line);
  // A decimal number from Min to Max.
  static bool Number(std::string_view Word, int32_t Min, int32_t Max, int32_t& Value);

  struct TRequest {
    TSimSession& Session;
    const TWords& Words;
    TSimBus& Bus;
    bool CheckOnly;  // CHECK: answer as SET would, change nothing
    bool CloseAfterReply = false;
  };
  using THandler = std::string (TSimCommands::*)(TRequest& R);

private:
  void Handshake(TSimSession& Session, const TWords& Words);
  std::string Command(TSimSession& Session, const TWords& Words);
  std::string Ok();
  std::string Fail(TSRCPMessageKind Kind);

  // Bus 0 and DESCRIPTION (SimCommands.cpp).
  std::string GetDescription(TRequest& R);
  std::string GetSession(TRequest& R);
  std::string TermSession(TRequest& R);
  std::string GetServer(TRequest& R);
  std::string ResetServer(TRequest& R);
  std::string TermServer(TRequest& R);
  std::string InitTime(TRequest& R);
  std::string SetTime(TRequest& R);
  std::string GetTime(TRequest& R);
  std::string WaitTime(TRequest& R);
  std::string TermTime(TRequest& R);
  // Layout buses (SimDeviceCommands.cpp).
  std::string InitLoco(TRequest& R);
  std::string SetLoco(TRequest& R);
  std::string GetLoco(TRequest& R);
  std::string TermLoco(TRequest& R);
  std::string InitAccessory(TRequest& R);
  std::string SetAccessory(TRequest& R);
  std::string GetAccessory(TRequest& R);
  std::string TermAccessory(TRequest& R);
  std::string SetContact(TRequest& R);
  std::string GetContact(TRequest& R);
  std::string SetPower(TRequest& R);
  std::string GetPower(TRequest& R);
  // INIT and TERM of POWER and FB: nothing to set up, only to announce.
  std::string Announce(TRequest& R);

  // The device address in word 3; false when it is not one of the bus's.
  bool DeviceAddress(const TRequest& R, int32_t& Address) const;

  TSimLayout& FLayout;
  TSimSessions& FSessions;
  TSimLines& FLines;
};

}  // namespace tenvarra
