// The service INF ("VQSVC.inf"): the service lists and each service's own
// section, as service rows. A list that reads must have non-empty, distinct
// names; every row must hold the ten service properties as nodes that load
// back from their stored bodies; and a row lookup by a service's name or
// instance key must find that service's row and no other.

#include "../support/fuzz_support.h"

#include "pdx/status.h"
#include "pdx/tags.h"
#include "platform/ini.h"
#include "service_inf.h"

#include <cstring>
#include <set>

using namespace velmo::fuzz;
using namespace pdx;
using namespace pdx::core;

namespace {

void checkRowNodes(const PropList& row) {
    FUZZ_CHECK(row.size() == 10, "a service row with " + std::to_string(row.size()) + " properties");
    for (const PropNode& node : row.nodes()) {
        PropNode back;
        FUZZ_CHECK(SUCCEEDED(nodeFromBody(node.body.data(), node.body.size(), back)),
                   "a node made from the INF does not load from its body, tag " + std::to_string(node.tag()));
    }
}

void checkList(const std::string& path, const std::string& section, bool hasNul) {
    std::vector<ServiceInfo> infos;
    if (FAILED(readServiceInfos(path, section, infos))) return;
    std::vector<std::string> lines;
    FUZZ_CHECK(SUCCEEDED(readInfSection(path, section, lines)), "the list read but its section does not");
    if (!hasNul)
        FUZZ_CHECK(lines == platform::IniText::load(path).section(section), "the growing buffer lost or cut lines");

    std::set<std::string> names;
    RowStore rows;
    for (const ServiceInfo& info : infos) {
        FUZZ_CHECK(!info.name.empty(), "a service without a name");
        FUZZ_CHECK(names.insert(info.name).second, "two services named " + escaped(info.name));
        PropList row;
        FUZZ_CHECK(SUCCEEDED(serviceRow(info, row)), "no row for service " + escaped(info.name));
        checkRowNodes(row);
        rows.addRow(std::move(row), rows.size());
    }
    for (size_t i = 0; i < infos.size(); ++i) {
        SPropValue byName{};
        byName.ulPropTag = PR_SERVICE_NAME;
        byName.Value.lpszA = const_cast<char*>(infos[i].name.c_str());
        FUZZ_CHECK(rows.findRow(byName) == &rows.rows()[i], "the lookup of " + escaped(infos[i].name) + " found another row");
        SPropValue byKey{};
        byKey.ulPropTag = PR_INSTANCE_KEY;
        byKey.Value.bin.cb = ULONG(infos[i].name.size() + 1);
        byKey.Value.bin.lpb = reinterpret_cast<BYTE*>(const_cast<char*>(infos[i].name.c_str()));
        FUZZ_CHECK(rows.findRow(byKey) == &rows.rows()[i], "the lookup by instance key found another row");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const bool hasNul = text.find('\0') != std::string_view::npos;
    const std::string path = writeFile("VQSVC.inf", text);
    for (const char* section : {"Services", "Default Services"}) checkList(path, section, hasNul);

    // The core's own road, through the INF path it is pointed at.
    setServiceInfPath(path);
    std::vector<ServiceInfo> infos;
    RowStore rows;
    const bool listed = SUCCEEDED(readServiceInfos(path, "Services", infos));
    FUZZ_CHECK(SUCCEEDED(readServiceList("Services", rows)) == listed, "the service list and its rows disagree");
    if (listed) FUZZ_CHECK(rows.size() == infos.size(), "rows lost");
    setServiceInfPath({});
    return 0;
}
