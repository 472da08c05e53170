/* A native application for the modem-lines test, run with the preload
   library: one command a line on standard input, one answer a line on
   standard output ("ok", "lines <n>", "count <cts> <dsr> <dcd>", or
   "error <errno>"). */
#define _GNU_SOURCE

#include <errno.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <unistd.h>

static int answer(int result) {
  if (result < 0) return printf("error %d\n", errno);
  return printf("ok\n");
}

int main(void) {
  setvbuf(stdout, NULL, _IOLBF, 0);
  char line[4096];
  int port = -1;
  while (fgets(line, sizeof line, stdin) != NULL) {
    line[strcspn(line, "\n")] = '\0';
    char* value = strchr(line, ' ');
    if (value != NULL) *value++ = '\0';
    int bits = value != NULL ? atoi(value) : 0;
    if (strcmp(line, "open") == 0) {
      port = open(value, O_RDWR | O_NOCTTY | O_CLOEXEC);
      answer(port);
    } else if (strcmp(line, "get") == 0) {
      if (ioctl(port, TIOCMGET, &bits) < 0)
        answer(-1);
      else
        printf("lines %d\n", bits);
    } else if (strcmp(line, "bis") == 0) {
      answer(ioctl(port, TIOCMBIS, &bits));
    } else if (strcmp(line, "bic") == 0) {
      answer(ioctl(port, TIOCMBIC, &bits));
    } else if (strcmp(line, "set") == 0) {
      answer(ioctl(port, TIOCMSET, &bits));
    } else if (strcmp(line, "wait") == 0) {
      answer(ioctl(port, TIOCMIWAIT, (unsigned long)bits));
    } else if (strcmp(line, "count") == 0) {
      struct serial_icounter_struct counts;
      if (ioctl(port, TIOCGICOUNT, &counts) < 0)
        answer(-1);
      else
        printf("count %d %d %d\n", counts.cts, counts.dsr, counts.dcd);
    } else if (strcmp(line, "write") == 0) {
      unsigned char bytes[64];
      size_t n = 0;
      for (char* next = value; next != NULL && *next != '\0' && n < sizeof bytes;) bytes[n++] = (unsigned char)strtoul(next, &next, 10);
      answer(write(port, bytes, n) == (ssize_t)n ? 0 : -1);
    } else if (strcmp(line, "foreign") == 0) {
      /* A pseudo-terminal of our own: not a bridge port. */
      const int master = posix_openpt(O_RDWR | O_NOCTTY);
      const int slave = master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0
                            ? open(ptsname(master), O_RDWR | O_NOCTTY)
                            : -1;
      if (slave < 0 || ioctl(slave, TIOCMGET, &bits) < 0)
        answer(-1);
      else
        printf("lines %d\n", bits);
      close(slave);
      close(master);
    } else {
      printf("unknown %s\n", line);
    }
  }
  return 0;
}
