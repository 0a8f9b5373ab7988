#pragma once
// Small stand-ins for Windows system services: the single-instance marker,
// GUIDs, pointer probes, date and time texts, the printer driver folder and
// the OS version.

#include <array>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

namespace platform {

// The named mutex that marks the first running instance: an flock on
// $XDG_RUNTIME_DIR/<name>.lock (else the temp folder), released by the kernel
// when the process ends.
class SingleInstanceLock {
public:
    SingleInstanceLock() = default;
    ~SingleInstanceLock() { release(); }
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    // True when this process is now the owner (no other instance holds it);
    // a later instance gets false and keeps nothing.
    bool claim(const std::string& name);
    bool owned() const { return fd_ >= 0; }
    void release();
    static std::string lockPath(const std::string& name);

private:
    int fd_ = -1;
};

// CoCreateGuid: 16 random bytes with the version 4 and variant bits set.
std::array<uint8_t, 16> newGuid();

// IsBadReadPtr / IsBadWritePtr turned around: true when all n bytes can be
// read (written). Null is refused; n == 0 is accepted for non-null pointers.
// Probing never faults and leaves the memory as it was.
bool isReadable(const void* p, size_t n);
bool isWritable(void* p, size_t n);

// GetDateFormatA / GetTimeFormatA with the user's defaults: strftime %x and
// %X in the user's LC_TIME, as text in the system code page.
std::string formatShortDate(std::time_t t);
std::string formatTime(std::time_t t);

// GetPrinterDriverDirectoryA: $VELMO_PRINTER_DRIVER_DIR, else the folder of
// this module (where the PDX libraries live). With a trailing "/".
std::string printerDriverDirectory();

// GetVersionExA, reduced to what callers look at.
struct OsVersion {
    uint32_t platformId; // 1 = Windows 9x family, 2 = NT family
    uint32_t major;
    uint32_t minor;
};
inline constexpr uint32_t kPlatformWin32Windows = 1;
inline constexpr uint32_t kPlatformWin32Nt = 2;
// Linux reports the non-NT family.
OsVersion osVersion();

// Folder for temporary files, with a trailing "/".
std::string tempDirectory();

} // namespace platform
