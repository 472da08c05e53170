#ifndef TENVARRA_MODEMLINES_LINESTATE_H
#define TENVARRA_MODEMLINES_LINESTATE_H
/*
 * The modem lines of a bridge port, shared between the bridge and the
 * application's side: a small file "COM<n>.lines" beside the link "COM<n>"
 * in the port directory, mapped by both. The bridge drives CTS, DSR and CD;
 * the application (through the preload library) drives DTR and RTS. Line
 * bits are the kernel's TIOCM_* values, so TIOCMGET answers them as they are.
 *
 * Every field is a 32-bit word read and written only with the atomic
 * builtins below, which C and C++ share; no lock is ever taken.
 */

#include <stdint.h>
#include <sys/ioctl.h>

#define TENVARRA_LINES_SUFFIX ".lines"
#define TENVARRA_LINES_MAGIC 0x314c5654u /* "TVL1" */

struct tenvarra_lines {
  uint32_t magic;
  /* TIOCM_CTS | TIOCM_DSR | TIOCM_CAR from the bridge, TIOCM_DTR | TIOCM_RTS from the application. */
  uint32_t lines;
  /* Bumped after every change of CTS, DSR or CD, and at the end: the futex word TIOCMIWAIT sleeps on. */
  uint32_t events;
  /* Sleepers on events; the bridge makes the wake-up call only when there are any. */
  uint32_t waiters;
  /* Transitions of each input line, as TIOCGICOUNT counts them. */
  uint32_t cts;
  uint32_t dsr;
  uint32_t dcd;
  /* Non-zero once the bridge has given the port up. */
  uint32_t ended;
  /* Written with pwrite by the application side after it changed DTR or RTS:
     writes through a mapping raise no inotify event, a write does. */
  uint32_t bell;
};

#define TENVARRA_LINES_BELL_OFFSET 32
#define TENVARRA_LINES_BRIDGE_BITS ((uint32_t)(TIOCM_CTS | TIOCM_DSR | TIOCM_CAR))
#define TENVARRA_LINES_APP_BITS ((uint32_t)(TIOCM_DTR | TIOCM_RTS))

static inline uint32_t tenvarra_lines_load(const uint32_t* Word) { return __atomic_load_n(Word, __ATOMIC_SEQ_CST); }
static inline void tenvarra_lines_store(uint32_t* Word, uint32_t Value) {
  __atomic_store_n(Word, Value, __ATOMIC_SEQ_CST);
}
static inline uint32_t tenvarra_lines_add(uint32_t* Word, uint32_t Value) {
  return __atomic_add_fetch(Word, Value, __ATOMIC_SEQ_CST);
}
static inline uint32_t tenvarra_lines_sub(uint32_t* Word, uint32_t Value) {
  return __atomic_sub_fetch(Word, Value, __ATOMIC_SEQ_CST);
}
static inline int tenvarra_lines_cas(uint32_t* Word, uint32_t* Expected, uint32_t Desired) {
  return __atomic_compare_exchange_n(Word, Expected, Desired, 0, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
}

#endif
