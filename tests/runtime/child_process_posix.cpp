#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include "runtime/program_paths.h"
#include "tests/runtime/child_process.h"

extern char** environ;

namespace runtime::testing {

std::string HelperBesideTest(const std::string& program)
{
    return (DetectModulePath().parent_path() / program).native();
}

namespace {

pid_t Spawn(const std::string& program, const std::vector<std::string>& arguments)
{
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    return posix_spawn(&child, program.c_str(), nullptr, nullptr, argv.data(), environ) == 0 ? child : -1;
}

}  // namespace

struct RunningChild::Process {
    pid_t pid = -1;
};

RunningChild::RunningChild(const std::string& program, const std::vector<std::string>& arguments)
    : m_process(new Process{Spawn(program, arguments)})
{
}

RunningChild::~RunningChild()
{
    kill();
    delete m_process;
}

bool RunningChild::started() const { return m_process->pid > 0; }

bool RunningChild::kill()
{
    if (m_process->pid <= 0) return false;
    ::kill(m_process->pid, SIGKILL);
    int status = 0;
    waitpid(m_process->pid, &status, 0);
    m_process->pid = -1;
    return WIFSIGNALED(status);
}

int RunChild(const std::string& program, const std::vector<std::string>& arguments)
{
    const pid_t child = Spawn(program, arguments);
    if (child < 0) return -1;
    int status = 0;
    if (waitpid(child, &status, 0) != child) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace runtime::testing
