/*
 * Preloaded into a railway-control application (native, or Wine and the
 * Windows program it runs): answers the modem-line ioctls on a descriptor
 * that is the slave of a bridge port from the port's shared line state
 * (LineState.h), since a pseudo-terminal has no modem lines of its own.
 * Every other call, and every descriptor that is not such a slave, goes to
 * the C library untouched, with its result and errno. A 32-bit program reaches
 * the C library by one of two entry points, ioctl or, when it was built with
 * a 64-bit time_t (32-bit Wine's own Unix side is), __ioctl_time64; each is
 * answered here and passes on to its own next symbol.
 *
 * A descriptor is matched by the device it refers to against the links of
 * the port directory ($TENVARRA_PORT_DIR, else the bridge's default), never
 * by a name the application used. Only the C library is used.
 *
 * With $TENVARRA_CD_OFF set (non-empty), CD reads off and never changes for
 * this process: DOSBox's BIOS sends nothing through int 14h while it sees a
 * carrier.
 */
#define _GNU_SOURCE

#include <dirent.h>
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <linux/futex.h>
#include <linux/serial.h>
#include <poll.h>
#include <pthread.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <time.h>
#include <unistd.h>

#include "modemlines/LineState.h"

typedef int (*ioctl_fn)(int, unsigned long, ...);

/* How long a TIOCMIWAIT sleeps before it looks whether a bridge that was
   killed (and so could not say it ended) is still there. */
#define GONE_CHECK_NS 250000000L

/* Pseudo-terminal slaves (Unix98): majors 136 to 143. */
#define PTY_SLAVE_MAJOR_FIRST 136u
#define PTY_SLAVE_MAJOR_LAST 143u

struct port {
  dev_t device; /* the slave */
  dev_t file_dev;
  ino_t file_ino; /* the lines file mapped */
  char name[NAME_MAX + 1];
  struct tenvarra_lines* lines;
};

/* Ports met by this process. A mapping is never taken back, as another
   thread may still use it; a port replaced by a later bridge run costs one
   page. */
#define PORT_SLOTS 16
static struct port ports[PORT_SLOTS];
static unsigned next_slot;
static pthread_mutex_t ports_lock = PTHREAD_MUTEX_INITIALIZER;

/* The C library's function behind one of our entry points, found once. */
struct next_symbol {
  const char* name;
  ioctl_fn found;
};

static ioctl_fn next_of(struct next_symbol* next) {
  ioctl_fn found = __atomic_load_n(&next->found, __ATOMIC_ACQUIRE);
  if (found == NULL) {
    void* symbol = dlsym(RTLD_NEXT, next->name);
    memcpy(&found, &symbol, sizeof found);
    __atomic_store_n(&next->found, found, __ATOMIC_RELEASE);
  }
  return found;
}

/* The same rule as the bridge's default. */
static int port_directory(char* path, size_t size) {
  const char* chosen = getenv("TENVARRA_PORT_DIR");
  const char* runtime = getenv("XDG_RUNTIME_DIR");
  int n;
  if (chosen != NULL && chosen[0] != '\0')
    n = snprintf(path, size, "%s", chosen);
  else if (runtime != NULL && runtime[0] != '\0')
    n = snprintf(path, size, "%s/tenvarra", runtime);
  else
    n = snprintf(path, size, "/tmp/tenvarra-%u", (unsigned)geteuid());
  return n > 0 && (size_t)n < size;
}

/* The input lines that read off, and never change, for this process. */
static uint32_t hidden_lines(void) {
  const char* cd_off = getenv("TENVARRA_CD_OFF");
  return cd_off != NULL && cd_off[0] != '\0' ? (uint32_t)TIOCM_CAR : 0u;
}

static int is_port_name(const char* name) {
  return strncmp(name, "COM", 3) == 0 && strchr(name, '.') == NULL;
}

/* The lines file of the port Name, mapped; NULL when it is not a bridge's. */
static struct tenvarra_lines* map_lines(int dir, const char* name, struct stat* file) {
  char file_name[NAME_MAX + 1];
  if (snprintf(file_name, sizeof file_name, "%s%s", name, TENVARRA_LINES_SUFFIX) >= (int)sizeof file_name) return NULL;
  int fd = openat(dir, file_name, O_RDWR | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return NULL;
  struct tenvarra_lines* lines = NULL;
  if (fstat(fd, file) == 0 && S_ISREG(file->st_mode) && file->st_uid == geteuid() &&
      file->st_size >= (off_t)sizeof(struct tenvarra_lines)) {
    void* map = mmap(NULL, sizeof(struct tenvarra_lines), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (map != MAP_FAILED) {
      lines = map;
      if (tenvarra_lines_load(&lines->magic) != TENVARRA_LINES_MAGIC) {
        munmap(map, sizeof(struct tenvarra_lines));
        lines = NULL;
      }
    }
  }
  close(fd);
  return lines;
}

/* The cached port of Device while it is still the one in the directory. */
static struct port* cached(int dir, dev_t device) {
  for (unsigned i = 0; i < PORT_SLOTS; ++i) {
    struct port* p = &ports[i];
    if (p->lines == NULL || p->device != device) continue;
    char file_name[NAME_MAX + 1];
    struct stat now;
    snprintf(file_name, sizeof file_name, "%s%s", p->name, TENVARRA_LINES_SUFFIX);
    if (fstatat(dir, file_name, &now, AT_SYMLINK_NOFOLLOW) == 0 && now.st_dev == p->file_dev &&
        now.st_ino == p->file_ino)
      return p;
  }
  return NULL;
}

static struct port* scan(int dir, dev_t device) {
  int listing = dup(dir);
  if (listing < 0) return NULL;
  DIR* entries = fdopendir(listing);
  if (entries == NULL) {
    close(listing);
    return NULL;
  }
  struct port* found = NULL;
  for (struct dirent* e; found == NULL && (e = readdir(entries)) != NULL;) {
    if (!is_port_name(e->d_name) || (e->d_type != DT_LNK && e->d_type != DT_UNKNOWN)) continue;
    char target[PATH_MAX];
    const ssize_t length = readlinkat(dir, e->d_name, target, sizeof target - 1);
    if (length <= 0) continue;
    target[length] = '\0';
    struct stat slave, file;
    if (stat(target, &slave) != 0 || !S_ISCHR(slave.st_mode) || slave.st_rdev != device) continue;
    struct tenvarra_lines* lines = map_lines(dir, e->d_name, &file);
    if (lines == NULL) continue;
    found = &ports[next_slot++ % PORT_SLOTS];
    found->device = device;
    found->file_dev = file.st_dev;
    found->file_ino = file.st_ino;
    snprintf(found->name, sizeof found->name, "%s", e->d_name);
    __atomic_store_n(&found->lines, lines, __ATOMIC_RELEASE);
  }
  closedir(entries);
  return found;
}

/* The bridge port whose slave Fd is; NULL for any other descriptor. Name
   receives the port's name. */
static struct tenvarra_lines* port_of(int fd, char* name) {
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode) || major(st.st_rdev) < PTY_SLAVE_MAJOR_FIRST ||
      major(st.st_rdev) > PTY_SLAVE_MAJOR_LAST)
    return NULL;
  char path[PATH_MAX];
  if (!port_directory(path, sizeof path)) return NULL;
  const int dir = open(path, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (dir < 0) return NULL;
  struct stat owner;
  struct tenvarra_lines* lines = NULL;
  if (fstat(dir, &owner) == 0 && owner.st_uid == geteuid()) {
    pthread_mutex_lock(&ports_lock);
    struct port* p = cached(dir, st.st_rdev);
    if (p == NULL) p = scan(dir, st.st_rdev);
    if (p != NULL) {
      lines = p->lines;
      if (name != NULL) snprintf(name, NAME_MAX + 1, "%s", p->name);
    }
    pthread_mutex_unlock(&ports_lock);
  }
  close(dir);
  return lines;
}

/* Wakes the bridge: its inotify watch sees a write, not a store into the mapping. */
static void ring(const char* name, uint32_t value) {
  char path[PATH_MAX];
  char dir_path[PATH_MAX];
  if (!port_directory(dir_path, sizeof dir_path)) return;
  if (snprintf(path, sizeof path, "%s/%s%s", dir_path, name, TENVARRA_LINES_SUFFIX) >= (int)sizeof path) return;
  const int fd = open(path, O_WRONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  if (pwrite(fd, &value, sizeof value, TENVARRA_LINES_BELL_OFFSET) < 0) {
    /* The bridge has gone; nobody to tell. */
  }
  close(fd);
}

static int set_lines(struct tenvarra_lines* lines, const char* name, unsigned long request, const int* value) {
  if (value == NULL) {
    errno = EFAULT;
    return -1;
  }
  const uint32_t bits = (uint32_t)*value & TENVARRA_LINES_APP_BITS;
  uint32_t before = tenvarra_lines_load(&lines->lines);
  uint32_t after;
  do {
    if (request == TIOCMSET)
      after = (before & ~TENVARRA_LINES_APP_BITS) | bits;
    else if (request == TIOCMBIS)
      after = before | bits;
    else
      after = before & ~bits;
  } while (!tenvarra_lines_cas(&lines->lines, &before, after));
  if (after != before) ring(name, tenvarra_lines_add(&lines->bell, 1));
  return 0;
}

static int count_lines(struct tenvarra_lines* lines, struct serial_icounter_struct* counts) {
  if (counts == NULL) {
    errno = EFAULT;
    return -1;
  }
  memset(counts, 0, sizeof *counts);
  counts->cts = (int)tenvarra_lines_load(&lines->cts);
  counts->dsr = (int)tenvarra_lines_load(&lines->dsr);
  counts->dcd = (hidden_lines() & TIOCM_CAR) ? 0 : (int)tenvarra_lines_load(&lines->dcd);
  return 0;
}

/* Changes of the lines in Mask since First. */
static int changed(struct tenvarra_lines* lines, unsigned long mask, const uint32_t first[3]) {
  mask &= ~(unsigned long)hidden_lines();
  return ((mask & TIOCM_CTS) && tenvarra_lines_load(&lines->cts) != first[0]) ||
         ((mask & TIOCM_DSR) && tenvarra_lines_load(&lines->dsr) != first[1]) ||
         ((mask & TIOCM_CD) && tenvarra_lines_load(&lines->dcd) != first[2]);
}

/* Sleeps until a line in Mask changes, without polling: the bridge wakes the
   futex. A bridge that was killed cannot, so now and then the slave is
   asked whether its master is still there. */
static int wait_lines(int fd, struct tenvarra_lines* lines, unsigned long mask) {
  const uint32_t first[3] = {tenvarra_lines_load(&lines->cts), tenvarra_lines_load(&lines->dsr),
                             tenvarra_lines_load(&lines->dcd)};
  for (;;) {
    const uint32_t events = tenvarra_lines_load(&lines->events);
    if (changed(lines, mask, first)) return 0;
    if (tenvarra_lines_load(&lines->ended) != 0) {
      errno = EIO;
      return -1;
    }
    tenvarra_lines_add(&lines->waiters, 1);
    const struct timespec limit = {0, GONE_CHECK_NS};
    const long slept = syscall(SYS_futex, &lines->events, FUTEX_WAIT, events, &limit, NULL, 0);
    const int error = errno;
    tenvarra_lines_sub(&lines->waiters, 1);
    if (slept != 0 && error == EINTR) {
      errno = EINTR;
      return -1;
    }
    if (slept != 0 && error == ETIMEDOUT) {
      struct pollfd hangup = {fd, 0, 0};
      if (poll(&hangup, 1, 0) == 1 && (hangup.revents & (POLLHUP | POLLNVAL))) {
        errno = EIO;
        return -1;
      }
    }
  }
}

static int answer(int fd, unsigned long request, void* arg, struct next_symbol* next_symbol) {
  if (request == TIOCMGET || request == TIOCMSET || request == TIOCMBIS || request == TIOCMBIC ||
      request == TIOCMIWAIT || request == TIOCGICOUNT) {
    char name[NAME_MAX + 1];
    const int saved = errno; /* a descriptor passed on keeps the errno it would have had */
    struct tenvarra_lines* lines = port_of(fd, name);
    errno = saved;
    if (lines != NULL) {
      switch (request) {
        case TIOCMGET:
          if (arg == NULL) {
            errno = EFAULT;
            return -1;
          }
          *(int*)arg = (int)(tenvarra_lines_load(&lines->lines) & ~hidden_lines());
          return 0;
        case TIOCMIWAIT:
          return wait_lines(fd, lines, (unsigned long)arg);
        case TIOCGICOUNT:
          return count_lines(lines, arg);
        default:
          return set_lines(lines, name, request, arg);
      }
    }
  }
  ioctl_fn next = next_of(next_symbol);
  if (next == NULL) {
    errno = ENOSYS;
    return -1;
  }
  return next(fd, request, arg);
}

__attribute__((visibility("default"))) int ioctl(int fd, unsigned long request, ...) {
  static struct next_symbol next = {"ioctl", NULL};
  va_list args;
  va_start(args, request);
  void* arg = va_arg(args, void*);
  va_end(args);
  return answer(fd, request, arg, &next);
}

/* Only where time_t is 32-bit by default does the C library have a second
   entry point; a program built with -D_TIME_BITS=64 calls it for every
   ioctl. The requests answered here carry no time, so both take the same
   path. This library itself keeps the 32-bit time_t: its futex call passes
   the kernel's 32-bit timespec. */
#if __TIMESIZE == 32
__attribute__((visibility("default"))) int __ioctl_time64(int fd, unsigned long request, ...) {
  static struct next_symbol next = {"__ioctl_time64", NULL};
  va_list args;
  va_start(args, request);
  void* arg = va_arg(args, void*);
  va_end(args);
  return answer(fd, request, arg, &next);
}
#endif
