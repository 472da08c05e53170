#pragma once
// The virtual serial port: our end of the link whose other end the
// railway-control application opens as "COM<n>". The decoder reads command
// bytes from it, feedback replies are written to it, and the application's
// opening and closing are reported.
//
// Everything, the events included, happens on the main thread; a handler may
// run a modal dialog (and so the event loop) while it runs, but must not
// destroy the port.

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

namespace tenvarra {

// A port that cannot be provided; the text says why in words a user can act on.
class EVSPortError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

class TVSPort {
public:
  // Count is the number of bytes waiting; the decoder asks InputCount instead.
  using TRxCharEvent = std::function<void(TVSPort& Sender, int32_t Count)>;
  using TOpenCloseEvent = std::function<void(TVSPort& Sender, bool Opened)>;

  virtual ~TVSPort() = default;

  // Makes the port visible to applications under Name, once per port.
  // Raises EVSPortError when it cannot.
  virtual void CreatePort(const std::string& Name) = 0;
  // The name given to CreatePort; empty before.
  virtual const std::string& PortName() const = 0;

  // Hands Count bytes to the application, in order; while no application
  // holds the port they are dropped. Returns how many were taken.
  virtual int32_t WriteBytes(const uint8_t* Buffer, int32_t Count) = 0;
  // Takes up to Count of the oldest received bytes; returns how many.
  virtual int32_t ReadBytes(uint8_t* Buffer, int32_t Count) = 0;
  // Received bytes not yet taken.
  virtual int32_t InputCount() = 0;

  // False while a command is handled, true when the next one may come.
  // Returns whether the line could be driven.
  virtual bool SetHandshakeLine(bool State) = 0;
  virtual bool HandshakeLine() const = 0;

  // An application holds the port open.
  virtual bool IsOpened() const = 0;

  // Whether the name disappears when the port is destroyed.
  bool DeleteOnExit() const { return FDeleteOnExit; }
  void SetDeleteOnExit(bool Value) { FDeleteOnExit = Value; }

  // Fired after bytes have arrived.
  TRxCharEvent OnRxChar;
  // Fired when the application opens (true) or closes (false) the port.
  TOpenCloseEvent OnOpenClose;

private:
  bool FDeleteOnExit = false;
};

}  // namespace tenvarra
