// LD_PRELOAD helper for the serial tests under wine. A pseudo-terminal has no
// modem lines: TIOCMGET fails on it, so wine's WaitCommEvent with CTS, DSR,
// RLSD or RING in its mask fails at once and the engine reports the device
// gone. Loaded into wine, this answers the modem-line requests on pty slaves
// from a file ($KZRT_MODEM_LINES: one number, the TIOCM_* bits), which the
// test's far end rewrites to change the lines. It also drops the parity bits
// from settings written to a pty slave: a pty has no parity (the kernel
// forces CS8 and clears PARENB), and some kernels refuse even parity on one
// outright (EINVAL), which would fail wine's SetCommState. Everything else
// passes through.
#include <dlfcn.h>
#include <errno.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <cstdarg>
#include <string>

namespace {

constexpr int kOutputLines = TIOCM_RTS | TIOCM_DTR;
// Unix98 pty slaves (/dev/pts/N) have majors 136 to 143.
constexpr unsigned kFirstPtyMajor = 136;
constexpr unsigned kLastPtyMajor = 143;

bool IsPtySlave(int fd)
{
    struct stat info{};
    if (fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode)) return false;
    const unsigned deviceMajor = major(info.st_rdev);
    return deviceMajor >= kFirstPtyMajor && deviceMajor <= kLastPtyMajor;
}

// A slave whose master has closed is hung up: its modem requests fail with
// EIO, as an unplugged adapter's do, which is how wine notices.
bool IsHungUp(int fd)
{
    pollfd state{fd, 0, 0};
    return poll(&state, 1, 0) == 1 && (state.revents & POLLHUP) != 0;
}

int ReadLines(const char* file)
{
    int lines = 0;
    if (FILE* in = fopen(file, "r")) {
        if (fscanf(in, "%i", &lines) != 1) lines = 0;
        fclose(in);
    }
    return lines;
}

// The far end may read the file at any moment: write a copy, then rename it.
void WriteLines(const char* file, int lines)
{
    const std::string temporary = std::string(file) + ".out" + std::to_string(getpid());
    if (FILE* out = fopen(temporary.c_str(), "w")) {
        fprintf(out, "%d\n", lines);
        fclose(out);
        rename(temporary.c_str(), file);
    }
}

int Answer(int fd, const char* file, unsigned long request, int* bits)
{
    if (IsHungUp(fd)) {
        errno = EIO;
        return -1;
    }
    const int lines = ReadLines(file);
    switch (request) {
    case TIOCMGET: *bits = lines; return 0;
    case TIOCMSET: WriteLines(file, (lines & ~kOutputLines) | (*bits & kOutputLines)); return 0;
    case TIOCMBIS: WriteLines(file, lines | (*bits & kOutputLines)); return 0;
    default: WriteLines(file, lines & ~(*bits & kOutputLines)); return 0;  // TIOCMBIC
    }
}

}  // namespace

extern "C" int ioctl(int fd, unsigned long request, ...)
{
    va_list arguments;
    va_start(arguments, request);
    void* argument = va_arg(arguments, void*);
    va_end(arguments);
    using Ioctl = int (*)(int, unsigned long, ...);
    static const auto real = reinterpret_cast<Ioctl>(dlsym(RTLD_NEXT, "ioctl"));
    const bool modemRequest =
        request == TIOCMGET || request == TIOCMSET || request == TIOCMBIS || request == TIOCMBIC;
    const char* file = getenv("KZRT_MODEM_LINES");
    if (modemRequest && file != nullptr && IsPtySlave(fd)) return Answer(fd, file, request, static_cast<int*>(argument));
    return real(fd, request, argument);
}

extern "C" int tcsetattr(int fd, int actions, const struct termios* settings)
{
    using TcSetAttr = int (*)(int, int, const struct termios*);
    static const auto real = reinterpret_cast<TcSetAttr>(dlsym(RTLD_NEXT, "tcsetattr"));
    if (settings == nullptr || !IsPtySlave(fd)) return real(fd, actions, settings);
    struct termios withoutParity = *settings;
    withoutParity.c_cflag &= ~(PARENB | PARODD | CMSPAR);
    return real(fd, actions, &withoutParity);
}
