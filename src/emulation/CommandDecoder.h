#pragma once
// The receive side of the 605x protocol: cuts the bytes of the virtual
// serial port into one- and two-byte commands, drives the handshake line
// around each, writes the trace lines and hands each command to the engine.
//
// Real hosts pace their bytes, so the two bytes of a command often arrive in
// reads of their own: a first byte that ends a read waits PairWindowMs for
// its second byte and is dropped only when none came. Byte 32 that ends a
// read is the hosts' one-byte switch-off and is carried out at once.
//
// A command may open a learning dialog that runs the event loop, in which
// the port fires OnRxChar again. Such a nested event handles nothing: the
// bytes wait in the port and the loop of the event still running takes
// them, in order, once the dialog has closed.
//
// The port's count grows whenever a byte reaches the line, also between two
// of our calls. So the decoder takes all the port holds into a buffer of its
// own whenever that buffer runs dry, and a waiting first byte is paired with
// the next byte taken, by the event, the window's timer or the loop after a
// dialog alike: however the bytes are cut into reads and whenever they come,
// the commands are the same, but for a 32 that ends a read.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/EventLoop.h"

namespace tenvarra {

class TTenvarra;
class TVSPort;

// Whether a first byte is a whole command: 96, 97, 128-159, 192-223.
bool IsSingleByteCommand(uint8_t First);

class TCommandDecoder {
public:
  // How long a first byte waits for its second: well above the pause real
  // hosts leave between the bytes of a command (2-20 ms), well below the one
  // they leave between commands (about 200 ms).
  static constexpr int PairWindowMs = 100;
  static constexpr uint8_t SolenoidOff = 32;

  // Port, Engine (and the engine's host) and Loop must outlive the decoder.
  TCommandDecoder(TVSPort& Port, TTenvarra& Engine, TEventLoop& Loop)
      : FPort(Port), FEngine(Engine), FLoop(Loop) {}
  ~TCommandDecoder();
  TCommandDecoder(const TCommandDecoder&) = delete;
  TCommandDecoder& operator=(const TCommandDecoder&) = delete;

  // The handler of the port's OnRxChar; Count is not used, the port's
  // InputCount decides. Returns when no byte is waiting.
  void VSPort1RxChar(TVSPort& Sender, int32_t Count);

  // Writes Count bytes of the S88 image from byte Start to the port in one
  // write: the feedback reply.
  void SendFeedbackBytes(int32_t Start, int32_t Count);

private:
  // Carries out every whole command received; returns when no byte is left
  // or a first byte waits for its second.
  void Decode();
  // Whether a received byte is still to be decoded, taking what the port
  // holds when the buffer is used up.
  bool ByteWaiting();
  uint8_t NextByte();
  void HandleSingle(uint8_t Command);
  // Takes the next byte, which ByteWaiting has found, and carries the pair out.
  void HandleSecond(uint8_t First);
  void HandlePair(uint8_t First, uint8_t Second);
  // A first byte that ended its read waits for its second one.
  void KeepPending(uint8_t First);
  void DropPending();
  void StopPendingTimer();

  TVSPort& FPort;
  TTenvarra& FEngine;
  TEventLoop& FLoop;
  bool FHandling = false;
  // The first byte waiting for its second; -1 when none waits.
  int FPending = -1;
  TTimerId FPendingTimer = 0;
  // Bytes taken from the port; those from FNext on are still to be decoded.
  std::vector<uint8_t> FReceived;
  std::size_t FNext = 0;
  // The last feedback reply, kept for its memory: a host reads often.
  std::vector<uint8_t> FReply;
};

}  // namespace tenvarra
