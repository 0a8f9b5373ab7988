#pragma once
// A real slapd for one test: a temporary configuration and database below
// the test's sandbox, loaded from an LDIF file before the server starts, and
// served on 127.0.0.1 at a free port. The server stops when the object goes
// (or earlier through stop()).

#include <string>
#include <sys/types.h>

namespace velmo::test {

class SlapdServer {
public:
    static constexpr const char* kSuffix = "dc=example,dc=org";
    static constexpr const char* kAdminDn = "cn=admin,dc=example,dc=org";
    static constexpr const char* kAdminPassword = "s3cret-admin";

    // Loads `ldif` (which starts with the suffix entry) and starts the
    // server; `sizeLimit` caps what one unpaged search returns (paged
    // searches may read everything).
    explicit SlapdServer(const std::string& ldif, int sizeLimit = 500);
    ~SlapdServer();
    SlapdServer(const SlapdServer&) = delete;
    SlapdServer& operator=(const SlapdServer&) = delete;

    bool running() const { return pid_ > 0; }
    // Why the server could not start, when it did not.
    const std::string& error() const { return error_; }
    int port() const { return port_; }
    std::string uri() const;

    // Stops the server and waits for it to end.
    void stop();
    // Freezes (SIGSTOP) or resumes (SIGCONT) the running server: a server that
    // accepts connections but never answers.
    void freeze();
    void thaw();
    // Starts it again on the same port with the same data.
    bool restart();

private:
    enum class Start { Listening, Ended, TimedOut };
    bool start();
    Start startOnPort();

    std::string dir_;
    std::string error_;
    int port_ = 0;
    pid_t pid_ = -1;
    bool frozen_ = false;
};

// True when slapd and slapadd are installed (scripts/setup.sh installs them).
bool haveSlapd();

} // namespace velmo::test
