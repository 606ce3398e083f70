#include <windows.h>

#include "runtime/program_paths.h"
#include "tests/runtime/child_process.h"

namespace runtime::testing {
namespace {

// Quotes one argument the way the C runtime's command-line parser undoes it.
std::string Quoted(const std::string& argument)
{
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + "\"";
}

}  // namespace

std::string HelperBesideTest(const std::string& program)
{
    return (DetectModulePath().parent_path() / (program + ".exe")).string();
}

namespace {

PROCESS_INFORMATION Spawn(const std::string& program, const std::vector<std::string>& arguments)
{
    std::string commandLine = Quoted(program);
    for (const std::string& argument : arguments) commandLine += " " + Quoted(argument);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
        return {};
    }
    CloseHandle(process.hThread);
    return process;
}

}  // namespace

struct RunningChild::Process {
    HANDLE handle = nullptr;
};

RunningChild::RunningChild(const std::string& program, const std::vector<std::string>& arguments)
    : m_process(new Process{Spawn(program, arguments).hProcess})
{
}

RunningChild::~RunningChild()
{
    kill();
    delete m_process;
}

bool RunningChild::started() const { return m_process->handle != nullptr; }

bool RunningChild::kill()
{
    if (m_process->handle == nullptr) return false;
    const bool running = WaitForSingleObject(m_process->handle, 0) == WAIT_TIMEOUT;
    TerminateProcess(m_process->handle, 9);
    WaitForSingleObject(m_process->handle, INFINITE);
    CloseHandle(m_process->handle);
    m_process->handle = nullptr;
    return running;
}

int RunChild(const std::string& program, const std::vector<std::string>& arguments)
{
    const PROCESS_INFORMATION process = Spawn(program, arguments);
    if (process.hProcess == nullptr) return -1;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    const bool exited = GetExitCodeProcess(process.hProcess, &code) != 0;
    CloseHandle(process.hProcess);
    return exited ? static_cast<int>(code) : -1;
}

}  // namespace runtime::testing
