// A stand-in for windeployqt.exe, for tests and for trying Trevalo without Windows.
//
// It writes each argument it received on its own line to standard output
// (unless STANDIN_NO_ECHO is set and not empty), then does what these
// environment variables ask, in this order:
//
//   STANDIN_ECHO_PATH       if set and not empty, write "PATH=" and the tool's own PATH
//                           on a line, so a test sees the environment it was started in
//   STANDIN_STDOUT          text to write to standard output
//   STANDIN_STDOUT_FILE     a file whose bytes are copied unchanged to standard output
//                           (for exact bytes: invalid UTF-8, zero bytes, non-ASCII)
//   STANDIN_STDERR          text to write to standard error
//   STANDIN_FLOOD_STDOUT    a number of bytes of tool-like lines ("Updating Qt5Core.dll.")
//   STANDIN_FLOOD_STDERR    to write to standard output and standard error, in
//                           alternating chunks, so a reader of one channel only blocks
//   STANDIN_MESSAGE_BOX     on Windows, a text to show in a message box, which
//                           holds the tool until the box is closed
//   STANDIN_SLEEP_MS        milliseconds to sleep before ending
//   STANDIN_HEARTBEAT_FILE  while sleeping, append one byte to this file every 20 ms,
//                           so a test can see whether the tool is still alive
//   STANDIN_CRASH           if set and not empty, crash (an access violation) instead of exiting
//   STANDIN_EXIT_CODE       the exit code, 0 if unset
//
// Everything written before sleeping or crashing is flushed first. Texts from
// the environment are best kept ASCII: Windows hands them over in its ANSI code
// page. Arguments arrive as UTF-8 on every platform.

// MSVC flags std::getenv as unsafe; this tool is single-threaded, so it is not.
#define _CRT_SECURE_NO_WARNINGS

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#define NOMINMAX 1
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
// shellapi.h needs the types of windows.h.
#include <shellapi.h>
#include <fcntl.h>
#include <io.h>

// Binary mode keeps "\n" from turning into "\r\n", so the bytes written are
// the bytes asked for.
static void useBinaryOutput()
{
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

// main() gets its arguments in the ANSI code page; the wide command line has
// every letter, so read that and convert it to UTF-8.
static std::vector<std::string> utf8Arguments(int, char *[])
{
    int count = 0;
    wchar_t **wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
        std::string argument(static_cast<size_t>(size), '\0');
        WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, &argument[0], size, nullptr, nullptr);
        argument.pop_back(); // the terminating zero
        arguments.push_back(argument);
    }
    LocalFree(wide);
    return arguments;
}
#else
static void useBinaryOutput() { }

static std::vector<std::string> utf8Arguments(int argc, char *argv[])
{
    return std::vector<std::string>(argv + 1, argv + argc);
}
#endif

static std::string variable(const char *name)
{
    const char *value = std::getenv(name);
    return value ? value : "";
}

static long long number(const char *name)
{
    return std::atoll(variable(name).c_str());
}

static void put(std::FILE *stream, const std::string &bytes)
{
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
}

static void copyFile(const std::string &path, std::FILE *stream)
{
    std::ifstream file(path, std::ios::binary);
    put(stream, std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()));
}

// Writes the requested amounts in alternating 64 KiB chunks, as a tool that
// reports progress and warnings at the same time would.
static void flood(long long outBytes, long long errBytes)
{
    const std::string line = "Updating Qt5Core.dll.\n";
    std::string chunk;
    while (chunk.size() < 65536)
        chunk += line;
    while (outBytes > 0 || errBytes > 0) {
        const long long outPart = std::min<long long>(outBytes, static_cast<long long>(chunk.size()));
        const long long errPart = std::min<long long>(errBytes, static_cast<long long>(chunk.size()));
        std::fwrite(chunk.data(), 1, static_cast<size_t>(outPart), stdout);
        std::fwrite(chunk.data(), 1, static_cast<size_t>(errPart), stderr);
        outBytes -= outPart;
        errBytes -= errPart;
    }
}

static void sleepWithHeartbeat(long long msecs, const std::string &heartbeatFile)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(msecs);
    while (std::chrono::steady_clock::now() < end) {
        if (!heartbeatFile.empty())
            std::ofstream(heartbeatFile, std::ios::app | std::ios::binary) << '.';
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(
                std::chrono::milliseconds(20), end - std::chrono::steady_clock::now()));
    }
}

int main(int argc, char *argv[])
{
    useBinaryOutput();
    if (variable("STANDIN_NO_ECHO").empty()) {
        for (const std::string &argument : utf8Arguments(argc, argv))
            put(stdout, argument + '\n');
    }

    if (!variable("STANDIN_ECHO_PATH").empty())
        put(stdout, "PATH=" + variable("PATH") + '\n');
    put(stdout, variable("STANDIN_STDOUT"));
    if (!variable("STANDIN_STDOUT_FILE").empty())
        copyFile(variable("STANDIN_STDOUT_FILE"), stdout);
    put(stderr, variable("STANDIN_STDERR"));
    flood(number("STANDIN_FLOOD_STDOUT"), number("STANDIN_FLOOD_STDERR"));
    std::fflush(nullptr);

#ifdef _WIN32
    if (!variable("STANDIN_MESSAGE_BOX").empty())
        MessageBoxA(nullptr, variable("STANDIN_MESSAGE_BOX").c_str(), "Standin", MB_OK | MB_ICONERROR);
#endif
    sleepWithHeartbeat(number("STANDIN_SLEEP_MS"), variable("STANDIN_HEARTBEAT_FILE"));

    if (!variable("STANDIN_CRASH").empty()) {
        // A real fault rather than abort(), which on Windows is a normal exit with code 3.
        // The store is volatile too, or an optimising compiler drops it.
        volatile int *volatile nowhere = nullptr;
        *nowhere = 1;
    }
    return static_cast<int>(number("STANDIN_EXIT_CODE"));
}
