#include "service_inf.h"

#include <algorithm>
#include <mutex>
#include <set>

#include "pdx/status.h"
#include "pdx/tags.h"
#include "platform/codepage.h"
#include "platform/ini.h"
#include "platform/module.h"
#include "string_ids.h"

namespace pdx::core {
namespace {

std::mutex g_pathLock;
std::string g_pathOverride;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

size_t skipBlanks(const std::string& s, size_t i) {
    while (i < s.size() && isBlank(s[i])) ++i;
    return i;
}

size_t wordEnd(const std::string& s, size_t i) {
    while (i < s.size() && !isBlank(s[i]) && s[i] != '=') ++i;
    return i;
}

// GetPrivateProfileSectionA into a caller's buffer: "line\0line\0\0"; when the
// section does not fit, the answer is cut and its length is size - 2.
size_t fetchSection(const std::vector<std::string>& lines, std::vector<char>& buffer) {
    const size_t size = buffer.size();
    size_t used = 0;
    for (const auto& line : lines) {
        if (used + line.size() + 2 > size) {
            size_t room = size >= used + 2 ? size - used - 2 : 0;
            std::copy_n(line.data(), std::min(room, line.size()), buffer.begin() + long(used));
            buffer[size - 2] = 0;
            buffer[size - 1] = 0;
            return size - 2;
        }
        std::copy(line.begin(), line.end(), buffer.begin() + long(used));
        used += line.size();
        buffer[used++] = 0;
    }
    buffer[used] = 0;
    return used;
}

void addString(PropList& row, ULONG tag, const std::string& text) {
    SPropValue v{};
    v.ulPropTag = tag;
    v.Value.lpszA = const_cast<char*>(text.c_str());
    row.set(v);
}

HRESULT addStrings(PropList& row, ULONG tag, const std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (const auto& t : texts) pointers.push_back(const_cast<char*>(t.c_str()));
    SPropValue v{};
    v.ulPropTag = tag;
    v.Value.MVszA.cValues = ULONG(pointers.size());
    v.Value.MVszA.lppszA = pointers.data();
    return row.set(v);
}

} // namespace

std::string serviceInfPath() {
    {
        std::lock_guard g(g_pathLock);
        if (!g_pathOverride.empty()) return g_pathOverride;
    }
    return platform::ownModuleDirectory() + loadString(kStrServiceInf);
}

void setServiceInfPath(std::string path) {
    std::lock_guard g(g_pathLock);
    g_pathOverride = std::move(path);
}

HRESULT readInfSection(const std::string& path, const std::string& section, std::vector<std::string>& lines) {
    bool found = false;
    platform::IniText ini = platform::IniText::load(path, &found);
    if (!found) return E_FAIL;
    const std::vector<std::string> all = ini.section(section);
    std::vector<char> buffer(2048);
    size_t length = fetchSection(all, buffer);
    while (length == buffer.size() - 2) {
        buffer.resize(buffer.size() + 2048);
        length = fetchSection(all, buffer);
    }
    if (length == 0) return E_INVALIDARG;
    lines.clear();
    for (size_t i = 0; i < length;) {
        std::string line(&buffer[i]);
        i += line.size() + 1;
        lines.push_back(std::move(line));
    }
    return S_OK;
}

HRESULT parseListLine(const std::string& line, ServiceInfo& out) {
    size_t i = skipBlanks(line, 0);
    const size_t end = wordEnd(line, i);
    out.name = line.substr(i, end - i);
    i = skipBlanks(line, end);
    if (i >= line.size() || line[i] != '=') return MAPI_E_BAD_VALUE;
    i = skipBlanks(line, i + 1);
    if (i >= line.size()) return MAPI_E_BAD_VALUE;
    out.providerDisplay = line.substr(i);
    return S_OK;
}

ULONG parseResourceFlags(const std::string& value) {
    ULONG flags = 0;
    size_t start = 0;
    while (start <= value.size()) {
        size_t bar = value.find('|', start);
        if (bar == std::string::npos) bar = value.size();
        size_t a = skipBlanks(value, start);
        size_t b = bar;
        while (b > a && isBlank(value[b - 1])) --b;
        if (value.compare(a, b - a, "SERVICE_SINGLE_COPY") == 0 && b - a == 19) flags |= SERVICE_SINGLE_COPY;
        start = bar + 1;
    }
    return flags;
}

void applyServiceLine(const std::string& line, ServiceInfo& info) {
    size_t i = skipBlanks(line, 0);
    const size_t end = wordEnd(line, i);
    const std::string keyword = line.substr(i, end - i);
    i = skipBlanks(line, end);
    if (i >= line.size() || line[i] != '=') return;
    const std::string value = line.substr(skipBlanks(line, i + 1));
    auto split = [](const std::string& v) {
        std::vector<std::string> parts;
        size_t start = 0;
        for (;;) {
            size_t comma = v.find(',', start);
            parts.push_back(v.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
            if (comma == std::string::npos) return parts;
            start = comma + 1;
        }
    };
    if (keyword == "PR_DISPLAY_NAME") info.displayName = value;
    else if (keyword == "PR_SERVICE_DLL_NAME") info.dllName = value;
    else if (keyword == "PR_SERVICE_ENTRY_NAME") info.entryName = value;
    else if (keyword == "PR_SERVICE_SUPPORT_FILES") info.supportFiles = split(value);
    else if (keyword == "PR_SERVICE_DELETE_FILES") info.deleteFiles = split(value);
    else if (keyword == "PR_RESOURCE_FLAGS") info.resourceFlags |= parseResourceFlags(value);
}

void convertToSystemCodePage(ServiceInfo& info) {
    auto convert = [](std::string& text) { text = platform::utf8ToSystem(text); };
    convert(info.name);
    convert(info.providerDisplay);
    convert(info.displayName);
    convert(info.dllName);
    convert(info.entryName);
    for (auto& file : info.supportFiles) convert(file);
    for (auto& file : info.deleteFiles) convert(file);
}

HRESULT readServiceInfos(const std::string& path, const std::string& section, std::vector<ServiceInfo>& out) {
    std::vector<std::string> lines;
    if (HRESULT h = readInfSection(path, section, lines); FAILED(h)) return h;
    std::vector<ServiceInfo> services;
    for (const auto& line : lines) {
        ServiceInfo info;
        if (HRESULT h = parseListLine(line, info); FAILED(h)) return h;
        services.push_back(std::move(info));
    }
    // Names are compared as the data they become, so two that convert alike collide.
    // An empty name anywhere is reported before any pair of equal names.
    for (const auto& s : services)
        if (s.name.empty()) return MAPI_E_INVALID_OBJECT;
    std::set<std::string> seen;
    for (const auto& s : services)
        if (!seen.insert(platform::utf8ToSystem(s.name)).second) return MAPI_E_COLLISION;
    for (auto& s : services) {
        std::vector<std::string> own;
        if (HRESULT h = readInfSection(path, s.name, own); FAILED(h)) return h;
        for (const auto& line : own) applyServiceLine(line, s);
        convertToSystemCodePage(s);
    }
    out = std::move(services);
    return S_OK;
}

HRESULT serviceRow(const ServiceInfo& info, PropList& out) {
    PropList row;
    SPropValue v{};
    v.ulPropTag = PR_INSTANCE_KEY;
    v.Value.bin.cb = ULONG(info.name.size() + 1);
    v.Value.bin.lpb = reinterpret_cast<BYTE*>(const_cast<char*>(info.name.c_str()));
    if (HRESULT h = row.set(v); FAILED(h)) return h;
    addString(row, PR_SERVICE_NAME, info.name);
    addString(row, PR_PROVIDER_DISPLAY, info.providerDisplay);
    addString(row, PR_DISPLAY_NAME, info.displayName);
    addString(row, PR_SERVICE_DLL_NAME, info.dllName);
    addString(row, PR_SERVICE_ENTRY_NAME, info.entryName);
    if (HRESULT h = addStrings(row, PR_SERVICE_SUPPORT_FILES, info.supportFiles); FAILED(h)) return h;
    if (HRESULT h = addStrings(row, PR_SERVICE_DELETE_FILES, info.deleteFiles); FAILED(h)) return h;
    v = SPropValue{};
    v.ulPropTag = PR_SERVICE_UID;
    row.set(v);
    v = SPropValue{};
    v.ulPropTag = PR_RESOURCE_FLAGS;
    v.Value.ul = info.resourceFlags;
    row.set(v);
    if (row.size() != 10) return E_OUTOFMEMORY;
    out = std::move(row);
    return S_OK;
}

HRESULT readServiceList(const std::string& section, RowStore& out) {
    std::vector<ServiceInfo> infos;
    if (HRESULT h = readServiceInfos(serviceInfPath(), section, infos); FAILED(h)) return h;
    RowStore rows;
    for (const auto& info : infos) {
        PropList row;
        if (HRESULT h = serviceRow(info, row); FAILED(h)) return h;
        rows.addRow(std::move(row), rows.size());
    }
    out = std::move(rows);
    return S_OK;
}

} // namespace pdx::core
