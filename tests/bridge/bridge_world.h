#pragma once
// A private installation for the bridge tests: the bridge, vqcore, the test
// provider and the headless tool copied into one folder with a service INF
// that offers "WAB" (the test provider over the fixture file useBook names
// when the service is made) and "ZELT_ABS" (the test provider without a
// file, so it never opens), and a Lisotrex.inf with the labels below.

#include <string>
#include <vector>

#include "pdx/pdx.h"
#include "platform/module.h"

namespace bridgetest {

// Name suffixes and information labels of the test Lisotrex.inf.
inline constexpr char kHomeSuffix[] = "(住家傳真)";
inline constexpr char kBusinessSuffix[] = "(公司傳真)";
inline constexpr char kOtherSuffix[] = "(其他傳真)";
inline constexpr char kEmailSuffix[] = "(E-mail)";
inline constexpr char kBusinessLabel[] = "[公司傳真]";
inline constexpr char kHomeLabel[] = "[住家傳真]";
inline constexpr char kPrimaryLabel[] = "[主要傳真]";
inline constexpr char kEmailLabel[] = "[電子郵件]";

// The program's profile name.
inline constexpr char kProgramProfile[] = "Lisotrex's PDX Profile";

// The folder, made once per test process (with a trailing "/").
const std::string& installFolder();

// A fixture file for the test provider; the next "WAB" service made reads it.
std::string useBook(const std::string& text);
// The variable useBook sets: the file the next "WAB" service is made with.
inline constexpr char kBookVariable[] = "PDXTEST_FILE_WAB";

// vqcore of the installation, loaded directly, for tests that open sessions themselves.
struct Core {
    platform::Module module;
    pdx::PDXOpenFn open = nullptr;
    pdx::PDXAdminProfilesFn adminProfiles = nullptr;
    pdx::PDXAllocateBufferFn allocateBuffer = nullptr;
    pdx::PDXAllocateMoreFn allocateMore = nullptr;
    pdx::PDXFreeBufferFn freeBuffer = nullptr;
    pdx::PDXFreeProwsFn freeProws = nullptr;
    bool load();
    // A profile with the given services (by name); S_OK or the failing status.
    pdx::HRESULT createProfile(const std::string& name, std::initializer_list<const char*> services,
                               bool makeDefault = false);
    // The service names of a profile, in the service table's order (empty when it does not exist).
    std::vector<std::string> serviceNames(const std::string& profile);
};

} // namespace bridgetest
