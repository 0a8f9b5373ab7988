#include "convert/import_input.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace lisotrex {

ImportInput::ImportInput(const platform::File& file)
    : data_(nullptr), fd_(file.fd()), block_(new char[kBlock + 1]) {
    data_ = block_.get();
}

bool ImportInput::refill() {
    if (fd_ < 0) return false;
    if (beforeRefill_) beforeRefill_();
    char* buf = block_.get();
    size_t have = 0;
    if (heldCr_) buf[have++] = '\r';
    heldCr_ = false;
    ssize_t n;
    do {
        n = ::read(fd_, buf + have, kBlock - have);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        failure_ = platform::causeFromErrno(errno);
        fd_ = -1;
    } else if (n == 0) {
        fd_ = -1;
    }
    have += n > 0 ? static_cast<size_t>(n) : 0;
    // CR LF becomes LF; a CR at the end of the block waits for the next one,
    // unless the file ends there.
    if (fd_ >= 0 && have > 0 && buf[have - 1] == '\r') {
        heldCr_ = true;
        --have;
    }
    size_t w = 0, r = 0;
    while (r < have) {
        const void* cr = std::memchr(buf + r, '\r', have - r);
        size_t stop = cr ? static_cast<size_t>(static_cast<const char*>(cr) - buf) : have;
        if (w != r) std::memmove(buf + w, buf + r, stop - r);
        w += stop - r;
        r = stop;
        if (r == have) break;
        if (r + 1 < have && buf[r + 1] == '\n') ++r; // the LF alone stays
        else buf[w++] = buf[r++];
    }
    pos_ = 0;
    end_ = w;
    if (w > 0) return true;
    // Only a held CR came in, or nothing: read on until data or the end.
    return fd_ >= 0 ? refill() : false;
}

} // namespace lisotrex
