#pragma once
// What the PDX session benchmarks share: a throw-away home for the registry,
// the profile and the stores, a profile "Bench" with one configured service,
// and the reads of the recipient selection.

#include <cstdint>
#include <string>
#include <vector>

#include "pdx/pdx.h"

extern "C" pdx::HRESULT PDXOpen(pdx::ULONG_PTR ulUIParam, const char* profileName, pdx::ULONG flags,
                                pdx::ULONG reserved1, pdx::ULONG reserved2, pdx::ULONG reserved3,
                                pdx::IAddrBook** addrBook, pdx::IPDXSession** session);
extern "C" pdx::HRESULT PDXAdminProfiles(pdx::ULONG flags, pdx::IPDXProfAdmin** out);

namespace bench {

// A new folder under /tmp named after `program`, made the registry's and
// the XDG folders' home; empty when it could not be made.
std::string makeHome(const char* program);
void removeHome(const std::string& dir);

void writeFile(const std::string& path, const std::string& text);
// Writes VQSVC.inf into `dir` and has vqcore read that one.
void useServiceInf(const std::string& dir, const std::string& text);

// Profile "Bench" with the service `service` added as `name` and its
// PR_FAX_AB_FILE_PATH set to `path`; `services` stays open for more.
bool makeProfile(const char* service, const char* name, const std::string& path,
                 pdx::object_ptr<pdx::IPDXServiceAdmin>& services);

// The entry identifier of the container the hierarchy names `name`.
pdx::HRESULT findContainer(pdx::IAddrBook* book, const char* name, std::vector<uint8_t>& entryId);

// Reads a contents table from the start with the 23 columns of the recipient
// selection, in batches of up to 10,000 rows; the rows read, or -1.
long readSelectionRows(pdx::IMAPITable* table);

} // namespace bench
