#include "ScratchFile.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <string_view>
#include <sys/types.h>
#include <unistd.h>

namespace fuzz {

namespace {

constexpr std::string_view kPrefix = "pelmar-fuzz-";

std::string folder()
{
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

// The path of the file that exists now, for the signal handler.
char g_livePath[4096];
volatile sig_atomic_t g_live = 0;

void onInterrupt(int signum)
{
    if (g_live)
        ::unlink(g_livePath);
    ::signal(signum, SIG_DFL);
    ::raise(signum);
}

[[noreturn]] void fail(const char* what, const std::string& path)
{
    std::fprintf(stderr, "scratch file %s: %s: %s\n", path.c_str(), what, std::strerror(errno));
    std::abort();
}

} // namespace

ScratchFile::ScratchFile(const uint8_t* data, size_t size, const char* suffix)
    : m_path(folder() + "/" + std::string(kPrefix) + std::to_string(::getpid()) + suffix)
{
    if (m_path.size() >= sizeof g_livePath)
        fail("name too long", m_path);
    std::memcpy(g_livePath, m_path.c_str(), m_path.size() + 1);
    g_live = 1;
    const int fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        fail("open", m_path);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ::unlink(m_path.c_str());
            fail("write", m_path);
        }
        done += size_t(n);
    }
    if (::close(fd) != 0) {
        ::unlink(m_path.c_str());
        fail("close", m_path);
    }
}

ScratchFile::~ScratchFile()
{
    ::unlink(m_path.c_str());
    g_live = 0;
}

void ScratchFile::prepare()
{
    for (const int signum : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction action = {};
        action.sa_handler = onInterrupt;
        sigemptyset(&action.sa_mask);
        ::sigaction(signum, &action, nullptr);
    }

    const std::string dirPath = folder();
    DIR* dir = ::opendir(dirPath.c_str());
    if (!dir)
        return;
    while (const dirent* e = ::readdir(dir)) {
        const std::string_view name(e->d_name);
        if (name.substr(0, kPrefix.size()) != kPrefix)
            continue;
        const std::string rest(name.substr(kPrefix.size()));
        char* end = nullptr;
        const long pid = std::strtol(rest.c_str(), &end, 10);
        if (end == rest.c_str() || (*end != '.' && *end != '\0') || pid <= 0)
            continue;
        if (::kill(pid_t(pid), 0) == 0 || errno != ESRCH)
            continue;
        ::unlink((dirPath + "/" + std::string(name)).c_str());
    }
    ::closedir(dir);
}

} // namespace fuzz
