#pragma once
// IPDXServiceAdmin over one profile's services, and the profile section.

#include <mutex>
#include <string>

#include "pdx/interfaces.h"
#include "pdx/memory.h"
#include "prop_object.h"
#include "table.h"

namespace pdx::core {

class ServiceAdmin final : public IPDXServiceAdmin {
public:
    static ServiceAdmin* create(std::string profile, ULONG_PTR ulUIParam);

    HRESULT QueryInterface(LPCIID iid, void** out) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetLastError(HRESULT, ULONG, MAPIERROR**) override;
    HRESULT GetServiceTable(ULONG flags, IMAPITable** table) override;
    HRESULT CreateService(const char* serviceName, const char* displayName, ULONG resourceFlags, ULONG_PTR ulUIParam,
                          ULONG flags) override;
    HRESULT DeleteService(const MAPIUID* uid) override;
    HRESULT ConfigureService(const MAPIUID* uid, ULONG_PTR ulUIParam, ULONG flags, ULONG count,
                             const SPropValue* values) override;
    HRESULT OpenProfileSection(const MAPIUID* uid, LPCIID iid, ULONG flags, IProfSect** out) override;

    const std::string& profile() const { return profile_; }
    // Profile section SaveChanges: the properties go into the service row, whose key is rewritten.
    HRESULT saveSection(const MAPIUID& uid, const PropList& props);

private:
    ServiceAdmin(std::string profile, ULONG_PTR ui) : profile_(std::move(profile)), ulUIParam_(ui) {}
    ~ServiceAdmin() = default;
    HRESULT loadTable(); // caller holds the lock

    std::recursive_mutex lock_;
    ULONG refs_ = 1;
    std::string profile_;
    ULONG_PTR ulUIParam_;
    object_ptr<Table> table_;
};

class ProfileSection final : public IProfSect {
public:
    // Takes a reference on `admin`; the list starts as a copy of the service row.
    static ProfileSection* create(ServiceAdmin* admin, const MAPIUID& uid, PropList props);

    HRESULT QueryInterface(LPCIID iid, void** out) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetLastError(HRESULT, ULONG, MAPIERROR**) override;
    HRESULT SaveChanges(ULONG flags) override;
    HRESULT GetProps(const SPropTagArray* tags, ULONG flags, ULONG* count, SPropValue** values) override;
    HRESULT GetPropList(ULONG flags, SPropTagArray** tags) override;
    HRESULT OpenProperty(ULONG, LPCIID, ULONG, ULONG, IUnknown**) override;
    HRESULT SetProps(ULONG count, const SPropValue* values, SPropProblemArray** problems) override;
    HRESULT DeleteProps(const SPropTagArray* tags, SPropProblemArray** problems) override;
    HRESULT CopyTo(ULONG ciidExclude, LPCIID iidExclude, const SPropTagArray* excludeTags, ULONG_PTR ulUIParam,
                   IMAPIProgress* progress, LPCIID iface, void* destination, ULONG flags,
                   SPropProblemArray** problems) override;
    HRESULT CopyProps(const SPropTagArray* includeTags, ULONG_PTR ulUIParam, IMAPIProgress* progress, LPCIID iface,
                      void* destination, ULONG flags, SPropProblemArray** problems) override;
    HRESULT GetNamesFromIDs(SPropTagArray**, GUID*, ULONG, ULONG*, MAPINAMEID***) override;
    HRESULT GetIDsFromNames(ULONG, MAPINAMEID**, ULONG, SPropTagArray**) override;

private:
    ProfileSection(ServiceAdmin* admin, const MAPIUID& uid) : admin_(object_ptr<ServiceAdmin>::share(admin)), uid_(uid) {}
    ~ProfileSection() = default;

    PropertyBag bag_;
    ULONG refs_ = 1;
    object_ptr<ServiceAdmin> admin_;
    MAPIUID uid_;
};

// Calls the service entry of the section's module (from vqcore's folder) and unloads it again.
HRESULT callServiceEntry(IProfSect* section, ULONG_PTR ulUIParam, ULONG flags, ULONG context, ULONG count,
                         const SPropValue* values);

} // namespace pdx::core
