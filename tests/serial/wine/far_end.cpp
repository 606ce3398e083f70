// The far end of the serial tests under wine: a pseudo-terminal in raw mode
// whose slave wine maps as a COM port. It prints the slave's path, then
// obeys text commands that arrive on the line, one per '\n':
//   ALL        sends the bytes 0 to 255
//   FLOOD n    sends n bytes of a known pattern (byte i is (i * 31 + 7) mod 256)
//   ECHO n     sends back the next n bytes it receives
//   LINES v    sets the modem lines wine sees (TIOCM_* bits, through the
//              file that the LD_PRELOAD helper reads)
//   UNPLUG     closes the master, as a pulled adapter would, and ends
//   wine_serial_far_end LINES_FILE
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

int g_master = -1;

// Reads one byte; waits while no one has the slave open (read fails with EIO).
int ReadByte()
{
    for (;;) {
        unsigned char byte = 0;
        const ssize_t got = read(g_master, &byte, 1);
        if (got == 1) return byte;
        pollfd wait{g_master, POLLIN, 0};
        poll(&wait, 1, 10);
    }
}

bool WriteAll(const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = write(g_master, bytes.data() + done, bytes.size() - done);
        if (written > 0) {
            done += static_cast<std::size_t>(written);
            continue;
        }
        pollfd wait{g_master, POLLOUT, 0};
        poll(&wait, 1, 10);
    }
    return true;
}

std::string ReadLine()
{
    std::string line;
    for (int c = ReadByte(); c != '\n'; c = ReadByte()) line.push_back(static_cast<char>(c));
    return line;
}

void SetLines(const char* file, long lines)
{
    const std::string temporary = std::string(file) + ".far";
    if (FILE* out = std::fopen(temporary.c_str(), "w")) {
        std::fprintf(out, "%ld\n", lines);
        std::fclose(out);
        std::rename(temporary.c_str(), file);
    }
}

void Obey(const std::string& command, const char* linesFile)
{
    const std::string word = command.substr(0, command.find(' '));
    const long number = command.size() > word.size() ? std::strtol(command.c_str() + word.size(), nullptr, 0) : 0;
    std::string out;
    if (word == "ALL") {
        for (int i = 0; i < 256; ++i) out.push_back(static_cast<char>(i));
    } else if (word == "FLOOD") {
        for (long i = 0; i < number; ++i) out.push_back(static_cast<char>((i * 31 + 7) & 0xFF));
    } else if (word == "ECHO") {
        for (long i = 0; i < number; ++i) out.push_back(static_cast<char>(ReadByte()));
    } else if (word == "LINES") {
        SetLines(linesFile, number);
    }
    WriteAll(out);
}

// A fresh pty is canonical and would hold bytes back until a newline.
bool OpenRawPty()
{
    g_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (g_master < 0 || grantpt(g_master) != 0 || unlockpt(g_master) != 0) return false;
    const int slave = open(ptsname(g_master), O_RDWR | O_NOCTTY);
    termios raw{};
    if (slave < 0 || tcgetattr(slave, &raw) != 0) return false;
    cfmakeraw(&raw);
    const bool ok = tcsetattr(slave, TCSANOW, &raw) == 0;
    close(slave);
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2 || !OpenRawPty()) {
        std::fputs("usage: wine_serial_far_end LINES_FILE (and a pseudo-terminal must open)\n", stderr);
        return 2;
    }
    SetLines(argv[1], 0);
    std::printf("%s\n", ptsname(g_master));
    std::fflush(stdout);
    for (;;) {
        const std::string command = ReadLine();
        if (command == "UNPLUG") break;
        Obey(command, argv[1]);
    }
    close(g_master);
    return 0;
}
