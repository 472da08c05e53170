#pragma once
// The receive side of the 605x protocol: cuts the bytes of the virtual
// serial port into one- and two-byte commands, drives the handshake line
// around each, writes the trace lines and hands each command to the engine.
//
// The decoder keeps no half-received command between events: a first byte
// whose second byte has not arrived is dropped.
//
// A command may open a learning dialog that runs the event loop, in which
// the port fires OnRxChar again. Such a nested event handles nothing: the
// bytes wait in the port and the loop of the event still running takes
// them, in order, once the dialog has closed.

#include <cstdint>

namespace tenvarra {

class TTenvarra;
class TVSPort;

// Whether a first byte is a whole command: 96, 97, 128-159, 192-223.
bool IsSingleByteCommand(uint8_t First);

class TCommandDecoder {
public:
  // Port and Engine (and the engine's host) must outlive the decoder.
  TCommandDecoder(TVSPort& Port, TTenvarra& Engine) : FPort(Port), FEngine(Engine) {}
  TCommandDecoder(const TCommandDecoder&) = delete;
  TCommandDecoder& operator=(const TCommandDecoder&) = delete;

  // The handler of the port's OnRxChar; Count is not used, the port's
  // InputCount decides. Returns when no byte is waiting.
  void VSPort1RxChar(TVSPort& Sender, int32_t Count);

  // Writes Count bytes of the S88 image from byte Start to the port in one
  // write: the feedback reply.
  void SendFeedbackBytes(int32_t Start, int32_t Count);

private:
  void HandleSingle(uint8_t Command);
  void HandlePair(uint8_t First, uint8_t Second);

  TVSPort& FPort;
  TTenvarra& FEngine;
  bool FHandling = false;
};

}  // namespace tenvarra
