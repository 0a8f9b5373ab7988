#pragma once
// The service INF: which services exist, their modules and properties.

#include <string>
#include <vector>

#include "row_store.h"

namespace pdx::core {

// "VQSVC.inf" beside vqcore, unless a path was set with setServiceInfPath.
std::string serviceInfPath();
// Points the core at another service INF (embedding programs and tests); empty restores the default.
void setServiceInfPath(std::string path);

// The section's lines as the system's section read returns them, fetched
// into a buffer that grows by 2048 bytes while the answer fills it.
// Missing file: E_FAIL; missing or empty section: E_INVALIDARG.
HRESULT readInfSection(const std::string& path, const std::string& section, std::vector<std::string>& lines);

// The service properties of one service as read from the INF.
struct ServiceInfo {
    std::string name;            // PR_SERVICE_NAME and PR_INSTANCE_KEY
    std::string providerDisplay; // PR_PROVIDER_DISPLAY
    std::string displayName;
    std::string dllName;
    std::string entryName;
    std::vector<std::string> supportFiles;
    std::vector<std::string> deleteFiles;
    ULONG resourceFlags = 0;
};

// Parses one list line ("name = display text"); MAPI_E_BAD_VALUE when malformed.
HRESULT parseListLine(const std::string& line, ServiceInfo& out);
// Applies one service section line; unknown or malformed lines are ignored.
void applyServiceLine(const std::string& line, ServiceInfo& info);
// Words separated by "|": the known ones OR-ed together.
ULONG parseResourceFlags(const std::string& value);

// The INF is UTF-8; its texts become data in the system code page.
void convertToSystemCodePage(ServiceInfo& info);
// Every service of a list section ("Services", "Default Services"), in file
// order, with its own section applied, its texts in the system code page.
HRESULT readServiceInfos(const std::string& path, const std::string& section, std::vector<ServiceInfo>& out);
// The same as service rows (the ten service properties in their order).
HRESULT readServiceList(const std::string& section, RowStore& out);
HRESULT serviceRow(const ServiceInfo& info, PropList& out);

} // namespace pdx::core
