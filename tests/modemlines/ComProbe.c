/* A Win32 railway-control application in miniature, for the Wine check:
   opens COM<n> as a 605x host program would, sets DTR and RTS, reads the
   modem status, switches power on, drives loco 12 and watches CTS drop
   while the command is handled (polling the status, and with WaitCommEvent
   EV_CTS), then reads S88 module 1. One line per step on standard output;
   exit code 0 only when every step worked. The port is opened overlapped so
   that every wait has a limit. */
#include <windows.h>
#include <stdio.h>

static int failures;

static void step(const char* what, BOOL ok) {
  printf("%s: %s", what, ok ? "ok" : "FAILED");
  if (!ok) {
    printf(" (error %lu)", GetLastError());
    ++failures;
  }
  printf("\n");
  fflush(stdout);
}

#define LIMIT_MS 5000

/* Waits for an overlapped call to end, at most LIMIT_MS. */
static BOOL finish(HANDLE port, OVERLAPPED* call, BOOL started, DWORD* count) {
  if (!started && GetLastError() != ERROR_IO_PENDING) return FALSE;
  if (WaitForSingleObject(call->hEvent, LIMIT_MS) != WAIT_OBJECT_0) {
    CancelIo(port);
    SetLastError(ERROR_TIMEOUT);
    return FALSE;
  }
  return GetOverlappedResult(port, call, count, FALSE);
}

static BOOL transfer(HANDLE port, unsigned char* bytes, DWORD count, BOOL reading) {
  OVERLAPPED call;
  ZeroMemory(&call, sizeof call);
  call.hEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
  DWORD done = 0;
  const BOOL started = reading ? ReadFile(port, bytes, count, NULL, &call) : WriteFile(port, bytes, count, NULL, &call);
  const BOOL ok = finish(port, &call, started, &done) && done == count;
  CloseHandle(call.hEvent);
  return ok;
}

static BOOL send_bytes(HANDLE port, const unsigned char* bytes, DWORD count) {
  return transfer(port, (unsigned char*)bytes, count, FALSE);
}

static BOOL cts(HANDLE port, BOOL* on) {
  DWORD status = 0;
  if (!GetCommModemStatus(port, &status)) return FALSE;
  *on = (status & MS_CTS_ON) != 0;
  return TRUE;
}

int main(int argc, char** argv) {
  const char* name = argc > 1 ? argv[1] : "\\\\.\\COM1";
  HANDLE port = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, NULL);
  step("open", port != INVALID_HANDLE_VALUE);
  if (port == INVALID_HANDLE_VALUE) return 1;

  DCB dcb;
  ZeroMemory(&dcb, sizeof dcb);
  dcb.DCBlength = sizeof dcb;
  BOOL ok = GetCommState(port, &dcb);
  dcb.BaudRate = CBR_2400;
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = TWOSTOPBITS;
  dcb.fBinary = TRUE;
  dcb.fOutxCtsFlow = TRUE;
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;
  step("SetCommState 2400 8N2 CTS flow control", ok && SetCommState(port, &dcb));
  COMMTIMEOUTS timeouts = {0, 0, 3000, 0, 3000};
  step("SetCommTimeouts", SetCommTimeouts(port, &timeouts));
  step("SetCommMask EV_CTS", SetCommMask(port, EV_CTS));
  step("EscapeCommFunction SETDTR", EscapeCommFunction(port, SETDTR));
  step("EscapeCommFunction SETRTS", EscapeCommFunction(port, SETRTS));
  DWORD status = 0;
  ok = GetCommModemStatus(port, &status);
  step("GetCommModemStatus CTS, DSR and RLSD on",
       ok && (status & (MS_CTS_ON | MS_DSR_ON | MS_RLSD_ON)) == (MS_CTS_ON | MS_DSR_ON | MS_RLSD_ON));

  static const unsigned char power[] = {96};
  step("power on", send_bytes(port, power, sizeof power));
  /* Loco 12, speed 5: its first command waits for the server with CTS
     off. The event wait starts before the command, the polling right after. */
  OVERLAPPED event_call;
  ZeroMemory(&event_call, sizeof event_call);
  event_call.hEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
  DWORD events = 0;
  const BOOL waiting = WaitCommEvent(port, &events, &event_call) || GetLastError() == ERROR_IO_PENDING;
  step("WaitCommEvent EV_CTS started", waiting);
  static const unsigned char loco[] = {5, 12};
  step("loco 12 speed 5", send_bytes(port, loco, sizeof loco));
  BOOL on = TRUE, seen_off = FALSE, signalled = FALSE;
  const DWORD start = GetTickCount();
  while ((!seen_off || !signalled) && GetTickCount() - start < LIMIT_MS && cts(port, &on)) {
    seen_off = seen_off || !on;
    signalled = signalled || (waiting && WaitForSingleObject(event_call.hEvent, 0) == WAIT_OBJECT_0);
  }
  step("CTS off while the command is handled", seen_off);
  DWORD size = 0;
  step("WaitCommEvent reports EV_CTS",
       signalled && GetOverlappedResult(port, &event_call, &size, FALSE) && (events & EV_CTS) != 0);
  CloseHandle(event_call.hEvent);
  while (!on && GetTickCount() - start < LIMIT_MS && cts(port, &on)) {
  }
  step("CTS on again after it", on);

  static const unsigned char read_module[] = {193};
  unsigned char reply[2] = {0xff, 0xff};
  ok = send_bytes(port, read_module, sizeof read_module) && transfer(port, reply, sizeof reply, TRUE);
  step("S88 module 1 read: two bytes", ok);

  step("close", CloseHandle(port));
  printf("%s\n", failures == 0 ? "all steps passed" : "some steps failed");
  return failures == 0 ? 0 : 1;
}
