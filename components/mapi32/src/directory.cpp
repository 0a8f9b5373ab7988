#include "directory.h"

#include "entry_ids.h"
#include "ldap_directory.h"
#include "pdx/mapi.h"
#include "pdx/tags.h"
#include "vcard_directory.h"

namespace mapi32 {

using namespace pdx;

std::string Directory::containerId() const { return makeId(uid_, IdKind::Container); }

TableRow Directory::containerRow() const {
    auto row = std::make_shared<common::PropArray>();
    const std::string id = containerId();
    row->setString(PR_DISPLAY_NAME, name_);
    row->setBinary(PR_ENTRYID, id.data(), ULONG(id.size()));
    row->setLong(PR_OBJECT_TYPE, LONG(MAPI_ABCONT));
    row->setLong(PR_CONTAINER_FLAGS, LONG(kServiceContainerFlags));
    row->setLong(PR_DEPTH, 0);
    row->setLong(PR_DISPLAY_TYPE, LONG(DT_GLOBAL));
    row->setBinary(PR_INSTANCE_KEY, id.data(), ULONG(id.size()));
    return row;
}

std::shared_ptr<Directory> makeDirectory(const ServiceConfig& config) {
    if (config.kind == kMapiServiceLdap) return std::make_shared<LdapDirectory>(config);
    if (config.kind == kMapiServiceVCard) return std::make_shared<VCardDirectory>(config);
    return nullptr;
}

} // namespace mapi32
