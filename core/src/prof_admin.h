#pragma once
// IPDXProfAdmin: creating, copying, renaming and deleting profiles.

#include <mutex>
#include <string>

#include "pdx/interfaces.h"
#include "pdx/memory.h"
#include "table.h"

namespace pdx::core {

class ProfAdmin final : public IPDXProfAdmin {
public:
    static ProfAdmin* create();

    HRESULT QueryInterface(LPCIID iid, void** out) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetLastError(HRESULT, ULONG, MAPIERROR**) override;
    HRESULT GetProfileTable(ULONG flags, IMAPITable** table) override;
    HRESULT CreateProfile(const char* name, ULONG_PTR ulUIParam, ULONG flags) override;
    HRESULT DeleteProfile(const char* name, ULONG flags) override;
    HRESULT ConfigureProfile(const char* name, ULONG_PTR ulUIParam, ULONG flags) override;
    HRESULT CopyProfile(const char* oldName, const char* newName, ULONG flags) override;
    HRESULT RenameProfile(const char* oldName, const char* newName, ULONG flags) override;
    HRESULT SetDefaultProfile(const char* name, ULONG flags) override;
    HRESULT AdminServices(const char* name, ULONG flags, IPDXServiceAdmin** out) override;

private:
    ProfAdmin() = default;
    ~ProfAdmin() = default;
    HRESULT loadTable(); // caller holds the lock
    // In the profile table, compared exactly.
    bool listed(const char* name);
    // Whether the name is taken in the registry (whose names ignore case).
    static bool taken(const char* name);

    std::recursive_mutex lock_;
    ULONG refs_ = 1;
    object_ptr<Table> table_;
};

} // namespace pdx::core
