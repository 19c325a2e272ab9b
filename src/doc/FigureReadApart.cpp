#include "FigureReadApart.h"

#include "FigureFileReader.h"
#include "SceneWire.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <malloc.h>
#include <new>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

extern char** environ;

namespace figurant {

namespace {

// The child's exit status when it ran out of memory (the allocator said so), and when the reader
// program could not be started.
constexpr int kOutOfMemoryExit = 3;
constexpr int kNoReaderExit = 127;
constexpr const char* kReaderName = "figurant-read";
constexpr const char* kWaitForPath = "--wait";
constexpr int kPollMilliseconds = 100;
constexpr int kFreshPagesFrom = 64 * 1024; // bytes
// A pipe this large takes a body's scene in a few turns instead of a hundred.
constexpr int kPipeBytes = 1 << 20;

// Address-space limits and AddressSanitizer do not mix: its shadow memory alone is larger.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kLimitAddressSpace = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kLimitAddressSpace = false;
#else
constexpr bool kLimitAddressSpace = true;
#endif
#else
constexpr bool kLimitAddressSpace = true;
#endif

bool WriteAll(int fd, const std::string& bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Where the reader program is: beside the running program (its own folder) and nowhere else, so
// that a copy of the program never runs another build's reader. FIGURANT_READER names another one
// for programs that do not live beside it (tests, benchmarks); set but empty, the forked child
// reads itself. Nothing, with the reason in `why`, when the reader cannot be run.
struct ReaderLookup {
    std::string program; // empty: read in the forked child
    std::string problem; // why there is no reader to run
};

ReaderLookup FindReader() {
    if (const char* named = std::getenv("FIGURANT_READER")) {
        if (*named == '\0') return {};
        if (::access(named, X_OK) != 0)
            return {{}, std::string("the reader program \"") + named + "\" cannot be run"};
        return {named, {}};
    }
    char self[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return {{}, "the program's own folder cannot be found, so neither can its reader"};
    std::string beside(self, static_cast<std::size_t>(n));
    beside = beside.substr(0, beside.find_last_of('/') + 1) + kReaderName;
    if (::access(beside.c_str(), F_OK) != 0)
        return {{}, "the reader program \"" + beside + "\" is missing: reinstall the program"};
    if (::access(beside.c_str(), X_OK) != 0)
        return {{}, "the reader program \"" + beside + "\" cannot be run (it is not executable)"};
    return {beside, {}};
}

// The reader program's environment: the caller's, with the allocator told to take huge pages. A
// fresh process meets every page of its memory for the first time, and the read spends much of
// its time there otherwise.
std::vector<std::string> ReaderEnvironment() {
    constexpr const char* kTunables = "GLIBC_TUNABLES=";
    constexpr const char* kHugePages = "glibc.malloc.hugetlb=1";
    std::vector<std::string> environment;
    bool tuned = false;
    for (char** e = environ; e && *e; ++e) {
        std::string entry = *e;
        if (entry.rfind(kTunables, 0) == 0) {
            entry += std::string(":") + kHugePages;
            tuned = true;
        }
        environment.push_back(std::move(entry));
    }
    if (!tuned) environment.push_back(std::string(kTunables) + kHugePages);
    return environment;
}

// In the child: the reader program in a fresh process when there is one (memory the parent used
// would otherwise be copied page by page as the read reuses it), else the read right here. Only
// calls that are safe in a child of a threaded process come before the exec: everything they use
// was made before the fork. A spare reader (no path yet) takes its path from `request`.
[[noreturn]] void RunChild(const std::string& path, int out, int request, const ReadLimits& limits,
                           const std::string& program, const std::vector<char*>& environment, pid_t parent) {
    // The reader ends with the program that started it; a parent gone before the signal was set
    // has been seen off already.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(1);
    ApplyReadLimits(limits);
    if (!program.empty()) {
        if (::dup2(out, STDOUT_FILENO) < 0) ::_exit(1);
        if (request >= 0 && ::dup2(request, STDIN_FILENO) < 0) ::_exit(1);
        const char* const argv[] = {program.c_str(), request >= 0 ? kWaitForPath : path.c_str(), nullptr};
        ::execve(program.c_str(), const_cast<char* const*>(argv), environment.data());
        ::_exit(kNoReaderExit);
    }
    // Memory a forked reader shares with its parent is copied page by page as it is written: large
    // blocks come from fresh pages instead.
    ::mallopt(M_MMAP_THRESHOLD, kFreshPagesFrom);
    ::_exit(AnswerFigureRead(path, out));
}

std::string WhyTheChildStopped(int status, bool timedOut) {
    if (WIFEXITED(status) && WEXITSTATUS(status) == kNoReaderExit)
        return "the reader program could not be started";
    if (timedOut) return "the reader stopped (took too long)";
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        if (signal == SIGXCPU) return "the reader stopped (took too long)";
        // The memory limit makes the reader's own allocations fail (an exit of its own), so a kill
        // came from outside: the system short of memory, or another program.
        if (signal == SIGKILL) return "the reader was stopped from outside (killed)";
        return "the reader stopped (crash)";
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == kOutOfMemoryExit)
        return "the reader stopped (ran out of memory)";
    return {};
}

} // namespace

void ApplyReadLimits(const ReadLimits& limits) {
    std::signal(SIGPIPE, SIG_IGN);
    const rlimit cpu{limits.cpuSeconds, limits.cpuSeconds + 1};
    ::setrlimit(RLIMIT_CPU, &cpu);
    if (kLimitAddressSpace) {
        const rlimit space{limits.addressSpace, limits.addressSpace};
        ::setrlimit(RLIMIT_AS, &space);
    }
}

int AnswerFigureRead(const std::string& path, int out) {
    try {
        std::string error;
        const auto scene = ReadFigureFile(path, &error);
        const bool written = WriteAll(out, scene ? EncodeScene(*scene) : EncodeReadError(error));
        // The answer is complete: the parent goes on while this process lets its memory go.
        ::close(out);
        return written ? 0 : 1;
    } catch (const std::bad_alloc&) {
        return kOutOfMemoryExit;
    } catch (...) {
        return 1;
    }
}

namespace {

void CloseIfOpen(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

void Reap(pid_t child) {
    while (::waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
    }
}

// Starts the reader on `path`, or, with no path, a spare one that waits for its path.
std::optional<ReaderChild> StartReader(const std::optional<std::string>& path, const ReadLimits& limits,
                                       std::string* why = nullptr) {
    const ReaderLookup reader = FindReader();
    if (!reader.problem.empty()) {
        if (why) *why = reader.problem;
        return std::nullopt;
    }
    const std::string& program = reader.program;
    if (!path && program.empty()) return std::nullopt; // a forked reader cannot wait: it reads at once
    std::vector<std::string> environment = ReaderEnvironment();
    std::vector<char*> environmentPointers;
    for (std::string& entry : environment)
        environmentPointers.push_back(entry.data());
    environmentPointers.push_back(nullptr);
    // The path goes through a socket, which refuses a write to a reader gone without a signal.
    int answer[2], request[2] = {-1, -1};
    if (::pipe2(answer, O_CLOEXEC) != 0) return std::nullopt;
    if (!path && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, request) != 0) {
        ::close(answer[0]);
        ::close(answer[1]);
        return std::nullopt;
    }
    ::fcntl(answer[1], F_SETPIPE_SZ, kPipeBytes); // a smaller pipe only costs time
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(answer[0]);
        if (request[1] >= 0) ::close(request[1]);
        RunChild(path.value_or(std::string()), answer[1], request[0], limits, program, environmentPointers,
                 parent);
    }
    ::close(answer[1]);
    if (request[0] >= 0) ::close(request[0]);
    if (child < 0) {
        ::close(answer[0]);
        if (request[1] >= 0) ::close(request[1]);
        return std::nullopt;
    }
    return ReaderChild{child, answer[0], request[1]};
}

// Waits for the reader's answer, under the wall-clock deadline and the caller's Cancel.
std::optional<ImportScene> CollectAnswer(ReaderChild child, std::string* error,
                                         const KeepWaiting& keepWaiting, const ReadLimits& limits) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return std::nullopt;
    };
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                               std::chrono::duration<double>(limits.wallSeconds));
    std::string bytes;
    bool timedOut = false, cancelled = false;
    for (;;) {
        pollfd p{child.answer, POLLIN, 0};
        const int ready = ::poll(&p, 1, kPollMilliseconds);
        if (ready > 0) {
            const std::size_t at = bytes.size();
            bytes.resize(at + kPipeBytes);
            const ssize_t n = ::read(child.answer, bytes.data() + at, kPipeBytes);
            bytes.resize(at + static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
            // The answer still streaming is no reason to keep a user who cancelled waiting.
            if (n == 0 || (n < 0 && errno != EINTR)) break; // the child finished (or the pipe failed)
        } else if (ready < 0 && errno != EINTR) {
            break;
        }
        if (std::chrono::steady_clock::now() > deadline) timedOut = true;
        if (!timedOut && keepWaiting && !keepWaiting()) cancelled = true;
        if (timedOut || cancelled) {
            ::kill(child.pid, SIGKILL);
            break;
        }
    }
    CloseIfOpen(child.answer);
    CloseIfOpen(child.request);
    if (!cancelled && !timedOut) {
        // A whole answer needs no exit status: the child, still letting its memory go, is reaped
        // on the side.
        std::string undecoded;
        if (auto scene = DecodeScene(bytes, &undecoded)) {
            std::thread(Reap, child.pid).detach();
            return scene;
        }
    }
    int status = 0;
    while (::waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (cancelled) return fail("reading was cancelled");
    if (const std::string why = WhyTheChildStopped(status, timedOut); !why.empty()) return fail(why);
    return DecodeScene(bytes, error);
}

} // namespace

std::optional<ImportScene> ReadFigureFileApart(const std::string& path, std::string* error,
                                               const KeepWaiting& keepWaiting, const ReadLimits& limits) {
    std::string why = "no reader could be started";
    const auto child = StartReader(path, limits, &why);
    if (!child) {
        if (error) *error = why;
        return std::nullopt;
    }
    return CollectAnswer(*child, error, keepWaiting, limits);
}

SpareFigureReader::SpareFigureReader(const ReadLimits& limits) : m_limits(limits) {}

SpareFigureReader::~SpareFigureReader() {
    LetGo();
}

SpareFigureReader::SpareFigureReader(SpareFigureReader&& other) noexcept
    : m_limits(other.m_limits), m_child(std::exchange(other.m_child, std::nullopt)) {}

SpareFigureReader& SpareFigureReader::operator=(SpareFigureReader&& other) noexcept {
    if (this != &other) {
        LetGo();
        m_limits = other.m_limits;
        m_child = std::exchange(other.m_child, std::nullopt);
    }
    return *this;
}

void SpareFigureReader::Prepare() {
    if (!m_child) m_child = StartReader(std::nullopt, m_limits);
}

void SpareFigureReader::LetGo() {
    if (!m_child) return;
    // A spare reader leaves when its request pipe closes without a path.
    CloseIfOpen(m_child->request);
    CloseIfOpen(m_child->answer);
    std::thread(Reap, m_child->pid).detach();
    m_child.reset();
}

std::optional<ImportScene> SpareFigureReader::Read(const std::string& path, std::string* error,
                                                   const KeepWaiting& keepWaiting) {
    std::optional<ReaderChild> child;
    std::swap(child, m_child);
    // The path and a terminating zero byte: a name may hold any other byte, line ends included.
    const std::string request = path + '\0';
    if (child && ::send(child->request, request.data(), request.size(), MSG_NOSIGNAL) !=
                     static_cast<ssize_t>(request.size())) {
        ::kill(child->pid, SIGKILL);
        CloseIfOpen(child->request);
        CloseIfOpen(child->answer);
        Reap(child->pid);
        child.reset();
    }
    if (!child) return ReadFigureFileApart(path, error, keepWaiting, m_limits);
    CloseIfOpen(child->request);
    return CollectAnswer(*child, error, keepWaiting, m_limits);
}

int AnswerWaitingFigureRead(int in, int out) {
    WarmFigureReader();
    std::string path;
    char c = 0;
    for (;;) {
        const ssize_t n = ::read(in, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return 0; // let go unused
        if (c == '\0') break;
        path += c;
    }
    return AnswerFigureRead(path, out);
}

} // namespace figurant
