#include "slapd_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "test_environment.h"

namespace velmo::test {
namespace {

constexpr const char* kSlapd = "/usr/sbin/slapd";
constexpr const char* kSlapadd = "/usr/sbin/slapadd";

// A port on 127.0.0.1 that nothing listens on right now.
int freePort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0) return 0;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(s);
    return port;
}

bool accepts(int port) {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0) return false;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(uint16_t(port));
    const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(s);
    return ok;
}

// Whether `pid` holds the socket listening on 127.0.0.1:`port`: under a
// parallel test run another server may listen on a port picked as free, and
// a test must never talk to a server it does not own.
bool ownsListener(pid_t pid, int port) {
    std::ifstream tcp("/proc/net/tcp");
    std::string line, inode;
    char local[16];
    std::snprintf(local, sizeof local, "0100007F:%04X", unsigned(port));
    std::getline(tcp, line); // the header
    while (std::getline(tcp, line)) {
        std::istringstream f(line);
        std::string slot, address, remote, state, queues, timer, retransmits, uid, timeout, node;
        f >> slot >> address >> remote >> state >> queues >> timer >> retransmits >> uid >> timeout >> node;
        if (address == local && state == "0A") inode = node;
    }
    if (inode.empty()) return false;
    const std::string wanted = "socket:[" + inode + "]";
    std::error_code ec;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec))
        if (std::filesystem::read_symlink(fd.path(), ec).string() == wanted) return true;
    return false;
}

} // namespace

bool haveSlapd() { return ::access(kSlapd, X_OK) == 0 && ::access(kSlapadd, X_OK) == 0; }

SlapdServer::SlapdServer(const std::string& ldif, int sizeLimit) {
    if (!haveSlapd()) {
        error_ = "slapd is not installed";
        return;
    }
    dir_ = makeTempDir("slapd");
    ::mkdir((dir_ + "/db").c_str(), 0700);
    const std::string limit = std::to_string(sizeLimit);
    writeFile(dir_ + "/slapd.conf",
              "include /etc/ldap/schema/core.schema\n"
              "include /etc/ldap/schema/cosine.schema\n"
              "include /etc/ldap/schema/inetorgperson.schema\n"
              "pidfile " + dir_ + "/slapd.pid\n"
              "modulepath /usr/lib/ldap\n"
              "moduleload back_mdb\n"
              "database mdb\n"
              "maxsize 268435456\n"
              "suffix \"" + std::string(kSuffix) + "\"\n"
              "rootdn \"" + std::string(kAdminDn) + "\"\n"
              "rootpw " + std::string(kAdminPassword) + "\n"
              "directory " + dir_ + "/db\n"
              "index objectClass eq\n"
              "limits * size.soft=" + limit + " size.hard=" + limit + " size.prtotal=unlimited\n");
    writeFile(dir_ + "/data.ldif", ldif);
    std::string out, err;
    if (runCommand(std::string(kSlapadd) + " -q -f " + shellQuote(dir_ + "/slapd.conf") + " -l " +
                       shellQuote(dir_ + "/data.ldif"),
                   &out, &err) != 0) {
        error_ = "slapadd failed: " + err;
        return;
    }
    port_ = freePort();
    if (!port_) {
        error_ = "no free port on 127.0.0.1";
        return;
    }
    start();
}

SlapdServer::~SlapdServer() { stop(); }

std::string SlapdServer::uri() const { return "ldap://127.0.0.1:" + std::to_string(port_); }

bool SlapdServer::start() {
    // A server that cannot have its port (taken since it was picked) ends at
    // once; it is tried again on another.
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (attempt > 0 && !(port_ = freePort())) break;
        switch (startOnPort()) {
        case Start::Listening: return true;
        case Start::TimedOut: return false;
        case Start::Ended: continue;
        }
    }
    if (error_.empty()) error_ = "slapd ended at start";
    return false;
}

SlapdServer::Start SlapdServer::startOnPort() {
    const std::string conf = dir_ + "/slapd.conf";
    const std::string url = "ldap://127.0.0.1:" + std::to_string(port_) + "/";
    const pid_t pid = ::fork();
    if (pid < 0) {
        error_ = "fork failed";
        return Start::TimedOut;
    }
    if (pid == 0) {
        // In the foreground (-d 0), so the test owns the process and its end.
        ::execl(kSlapd, "slapd", "-f", conf.c_str(), "-h", url.c_str(), "-d", "0", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    pid_ = pid;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        if (accepts(port_) && ownsListener(pid_, port_)) return Start::Listening;
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return Start::Ended;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    stop();
    error_ = "slapd did not start listening";
    return Start::TimedOut;
}

void SlapdServer::stop() {
    if (pid_ <= 0) return;
    if (frozen_) thaw();
    ::kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    int status = 0;
    while (::waitpid(pid_, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    pid_ = -1;
}

void SlapdServer::freeze() {
    if (pid_ <= 0 || frozen_ || ::kill(pid_, SIGSTOP) != 0) return;
    // The signal only asks: a busy server may still answer a request before
    // every one of its threads has stopped. Its parent hears when they have.
    int status = 0;
    while (::waitpid(pid_, &status, WUNTRACED) == -1 && errno == EINTR) {
    }
    frozen_ = true;
}

void SlapdServer::thaw() {
    if (pid_ > 0 && frozen_ && ::kill(pid_, SIGCONT) == 0) frozen_ = false;
}

bool SlapdServer::restart() {
    stop();
    return start();
}

} // namespace velmo::test
