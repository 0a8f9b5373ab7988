#pragma once
// The PDX interfaces as abstract classes whose virtual functions stand in slot
// order. There is deliberately no virtual destructor: the vtable must hold
// exactly the slots below, and Release deletes the object.

#include "pdx/guids.h"
#include "pdx/types.h"

namespace pdx {

struct MAPIERROR;
struct SRestriction;
struct SSortOrderSet;
struct MAPINAMEID;
struct ADRPARM;
struct SFlagList;
struct IMAPIProgress;
struct IMAPIAdviseSink;
struct IMAPITable;
struct IAddrBook;
struct IProfSect;
struct IPDXServiceAdmin;

using DismissFn = void (*)(ULONG_PTR ulUIParam, void* context);
using ButtonFn = HRESULT (*)(ULONG_PTR ulUIParam, void* context, ULONG cbEntryID, ENTRYID* entryId, ULONG flags);
using CallerReleaseFn = void (*)(ULONG_PTR callerData, struct IMAPITableData* data, IMAPITable* view);

struct IUnknown {
    virtual HRESULT QueryInterface(LPCIID iid, void** out) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
};

// Notifications, as MAPI delivers them to an advise sink.
constexpr ULONG fnevCriticalError = 0x00000001;
constexpr ULONG fnevNewMail = 0x00000002;
constexpr ULONG fnevObjectCreated = 0x00000004;
constexpr ULONG fnevObjectDeleted = 0x00000008;
constexpr ULONG fnevObjectModified = 0x00000010;
constexpr ULONG fnevObjectMoved = 0x00000020;
constexpr ULONG fnevObjectCopied = 0x00000040;
constexpr ULONG fnevTableModified = 0x00000100;

struct ERROR_NOTIFICATION {
    ULONG cbEntryID;
    ENTRYID* lpEntryID;
    HRESULT scode;
    ULONG ulFlags;
    MAPIERROR* lpMAPIError;
};

struct OBJECT_NOTIFICATION {
    ULONG cbEntryID;
    ENTRYID* lpEntryID;
    ULONG ulObjType;
    ULONG cbParentID;
    ENTRYID* lpParentID;
    ULONG cbOldID;
    ENTRYID* lpOldID;
    ULONG cbOldParentID;
    ENTRYID* lpOldParentID;
    SPropTagArray* lpPropTagArray;
};

struct TABLE_NOTIFICATION {
    ULONG ulTableEvent;
    HRESULT hResult;
    SPropValue propIndex;
    SPropValue propPrior;
    SRow row;
    ULONG ulPad;
};

struct NOTIFICATION {
    ULONG ulEventType;
    ULONG ulAlignPad;
    union {
        ERROR_NOTIFICATION err;
        OBJECT_NOTIFICATION obj;
        TABLE_NOTIFICATION tab;
    } info;
};
static_assert(offsetof(NOTIFICATION, info) == 8);

struct IMAPIAdviseSink : IUnknown {
    virtual ULONG OnNotify(ULONG count, NOTIFICATION* notifications) = 0;
};

struct IMAPITable : IUnknown {
    virtual HRESULT GetLastError(HRESULT status, ULONG flags, MAPIERROR** out) = 0;
    virtual HRESULT Advise(ULONG eventMask, IMAPIAdviseSink* sink, ULONG_PTR* connection) = 0;
    virtual HRESULT Unadvise(ULONG_PTR connection) = 0;
    virtual HRESULT GetStatus(ULONG* status, ULONG* type) = 0;
    virtual HRESULT SetColumns(const SPropTagArray* columns, ULONG flags) = 0;
    virtual HRESULT QueryColumns(ULONG flags, SPropTagArray** columns) = 0;
    virtual HRESULT GetRowCount(ULONG flags, ULONG* count) = 0;
    virtual HRESULT SeekRow(BOOKMARK origin, LONG rowCount, LONG* rowsSought) = 0;
    virtual HRESULT SeekRowApprox(ULONG numerator, ULONG denominator) = 0;
    virtual HRESULT QueryPosition(ULONG* row, ULONG* numerator, ULONG* denominator) = 0;
    virtual HRESULT FindRow(SRestriction* restriction, BOOKMARK origin, ULONG flags) = 0;
    virtual HRESULT Restrict(SRestriction* restriction, ULONG flags) = 0;
    virtual HRESULT CreateBookmark(BOOKMARK* position) = 0;
    virtual HRESULT FreeBookmark(BOOKMARK position) = 0;
    virtual HRESULT SortTable(SSortOrderSet* criteria, ULONG flags) = 0;
    virtual HRESULT QuerySortOrder(SSortOrderSet** criteria) = 0;
    virtual HRESULT QueryRows(LONG rowCount, ULONG flags, SRowSet** rows) = 0;
    virtual HRESULT Abort() = 0;
    virtual HRESULT ExpandRow(BOOKMARK instance, ULONG rowCount, ULONG flags, SRowSet** rows, ULONG* moreRows) = 0;
    virtual HRESULT CollapseRow(BOOKMARK instance, ULONG flags, ULONG* rowCount) = 0;
    virtual HRESULT WaitForCompletion(ULONG flags, ULONG timeout, ULONG* status) = 0;
    virtual HRESULT GetCollapseState(ULONG flags, ULONG cbInstanceKey, BYTE* instanceKey, ULONG* cbState,
                                     BYTE** state) = 0;
    virtual HRESULT SetCollapseState(ULONG flags, ULONG cbState, BYTE* state, BOOKMARK* location) = 0;
};

struct IMAPIProp : IUnknown {
    virtual HRESULT GetLastError(HRESULT status, ULONG flags, MAPIERROR** out) = 0;
    virtual HRESULT SaveChanges(ULONG flags) = 0;
    virtual HRESULT GetProps(const SPropTagArray* tags, ULONG flags, ULONG* count, SPropValue** values) = 0;
    virtual HRESULT GetPropList(ULONG flags, SPropTagArray** tags) = 0;
    virtual HRESULT OpenProperty(ULONG tag, LPCIID iid, ULONG interfaceOptions, ULONG flags, IUnknown** out) = 0;
    virtual HRESULT SetProps(ULONG count, const SPropValue* values, SPropProblemArray** problems) = 0;
    virtual HRESULT DeleteProps(const SPropTagArray* tags, SPropProblemArray** problems) = 0;
    virtual HRESULT CopyTo(ULONG ciidExclude, LPCIID iidExclude, const SPropTagArray* excludeTags, ULONG_PTR ulUIParam,
                           IMAPIProgress* progress, LPCIID iface, void* destination, ULONG flags,
                           SPropProblemArray** problems) = 0;
    virtual HRESULT CopyProps(const SPropTagArray* includeTags, ULONG_PTR ulUIParam, IMAPIProgress* progress,
                              LPCIID iface, void* destination, ULONG flags, SPropProblemArray** problems) = 0;
    virtual HRESULT GetNamesFromIDs(SPropTagArray** tags, GUID* propSet, ULONG flags, ULONG* count,
                                    MAPINAMEID*** names) = 0;
    virtual HRESULT GetIDsFromNames(ULONG count, MAPINAMEID** names, ULONG flags, SPropTagArray** tags) = 0;
};

struct IProfSect : IMAPIProp {};
struct IMailUser : IMAPIProp {};

struct IMAPIContainer : IMAPIProp {
    virtual HRESULT GetContentsTable(ULONG flags, IMAPITable** table) = 0;
    virtual HRESULT GetHierarchyTable(ULONG flags, IMAPITable** table) = 0;
    virtual HRESULT OpenEntry(ULONG cbEntryID, ENTRYID* entryId, LPCIID iid, ULONG flags, ULONG* objType,
                              IUnknown** out) = 0;
    virtual HRESULT SetSearchCriteria(SRestriction* restriction, ENTRYLIST* containers, ULONG searchFlags) = 0;
    virtual HRESULT GetSearchCriteria(ULONG flags, SRestriction** restriction, ENTRYLIST** containers,
                                      ULONG* searchState) = 0;
};

struct IABContainer : IMAPIContainer {
    virtual HRESULT CreateEntry(ULONG cbEntryID, ENTRYID* entryId, ULONG createFlags, IMAPIProp** out) = 0;
    virtual HRESULT CopyEntries(ENTRYLIST* entries, ULONG_PTR ulUIParam, IMAPIProgress* progress, ULONG flags) = 0;
    virtual HRESULT DeleteEntries(ENTRYLIST* entries, ULONG flags) = 0;
    virtual HRESULT ResolveNames(const SPropTagArray* tags, ULONG flags, ADRLIST* list, SFlagList* flagList) = 0;
};

struct IDistList : IMAPIContainer {
    virtual HRESULT CreateEntry(ULONG cbEntryID, ENTRYID* entryId, ULONG createFlags, IMAPIProp** out) = 0;
    virtual HRESULT CopyEntries(ENTRYLIST* entries, ULONG_PTR ulUIParam, IMAPIProgress* progress, ULONG flags) = 0;
    virtual HRESULT DeleteEntries(ENTRYLIST* entries, ULONG flags) = 0;
    virtual HRESULT ResolveNames(const SPropTagArray* tags, ULONG flags, ADRLIST* list, SFlagList* flagList) = 0;
};

struct IAddrBook : IMAPIProp {
    virtual HRESULT OpenEntry(ULONG cbEntryID, ENTRYID* entryId, LPCIID iid, ULONG flags, ULONG* objType,
                              IUnknown** out) = 0;
    virtual HRESULT CompareEntryIDs(ULONG cb1, ENTRYID* id1, ULONG cb2, ENTRYID* id2, ULONG flags, ULONG* result) = 0;
    virtual HRESULT Advise(ULONG cbEntryID, ENTRYID* entryId, ULONG eventMask, IMAPIAdviseSink* sink,
                           ULONG_PTR* connection) = 0;
    virtual HRESULT Unadvise(ULONG_PTR connection) = 0;
    virtual HRESULT CreateOneOff(char* name, char* addrType, char* address, ULONG flags, ULONG* cbEntryID,
                                 ENTRYID** entryId) = 0;
    virtual HRESULT NewEntry(ULONG_PTR ulUIParam, ULONG flags, ULONG cbContainer, ENTRYID* container,
                             ULONG cbTemplate, ENTRYID* templateId, ULONG* cbNew, ENTRYID** newId) = 0;
    virtual HRESULT ResolveName(ULONG_PTR ulUIParam, ULONG flags, char* title, ADRLIST* list) = 0;
    virtual HRESULT Address(ULONG_PTR* ulUIParam, ADRPARM* params, ADRLIST** list) = 0;
    virtual HRESULT Details(ULONG_PTR* ulUIParam, DismissFn dismiss, void* dismissContext, ULONG cbEntryID,
                            ENTRYID* entryId, ButtonFn button, void* buttonContext, char* buttonText,
                            ULONG flags) = 0;
    virtual HRESULT RecipOptions(ULONG_PTR ulUIParam, ULONG flags, ADRENTRY* recipient) = 0;
    virtual HRESULT QueryDefaultRecipOpt(char* addrType, ULONG flags, ULONG* count, SPropValue** options) = 0;
    virtual HRESULT GetPAB(ULONG* cbEntryID, ENTRYID** entryId) = 0;
    virtual HRESULT SetPAB(ULONG cbEntryID, ENTRYID* entryId) = 0;
    virtual HRESULT GetDefaultDir(ULONG* cbEntryID, ENTRYID** entryId) = 0;
    virtual HRESULT SetDefaultDir(ULONG cbEntryID, ENTRYID* entryId) = 0;
    virtual HRESULT GetSearchPath(ULONG flags, SRowSet** path) = 0;
    virtual HRESULT SetSearchPath(ULONG flags, SRowSet* path) = 0;
    virtual HRESULT PrepareRecips(ULONG flags, const SPropTagArray* tags, ADRLIST* list) = 0;
};

struct IMAPITableData : IUnknown {
    virtual HRESULT HrGetView(SSortOrderSet* sortOrder, CallerReleaseFn release, ULONG_PTR callerData,
                              IMAPITable** view) = 0;
    virtual HRESULT HrModifyRow(SRow* row) = 0;
    virtual HRESULT HrDeleteRow(SPropValue* indexValue) = 0;
    virtual HRESULT HrQueryRow(SPropValue* indexValue, SRow** row, ULONG* position) = 0;
    virtual HRESULT HrEnumRow(ULONG rowNumber, SRow** row) = 0;
    virtual HRESULT HrNotify(ULONG flags, ULONG count, SPropValue* values) = 0;
    virtual HRESULT HrInsertRow(ULONG position, SRow* row) = 0;
    virtual HRESULT HrModifyRows(ULONG flags, SRowSet* rows) = 0;
    virtual HRESULT HrDeleteRows(ULONG flags, SRowSet* rows, ULONG* deleted) = 0;
};

struct IPDXServiceAdmin : IUnknown {
    virtual HRESULT GetLastError(HRESULT status, ULONG flags, MAPIERROR** out) = 0;
    virtual HRESULT GetServiceTable(ULONG flags, IMAPITable** table) = 0;
    virtual HRESULT CreateService(const char* serviceName, const char* displayName, ULONG resourceFlags,
                                  ULONG_PTR ulUIParam, ULONG flags) = 0;
    virtual HRESULT DeleteService(const MAPIUID* uid) = 0;
    virtual HRESULT ConfigureService(const MAPIUID* uid, ULONG_PTR ulUIParam, ULONG flags, ULONG count,
                                     const SPropValue* values) = 0;
    virtual HRESULT OpenProfileSection(const MAPIUID* uid, LPCIID iid, ULONG flags, IProfSect** out) = 0;
};

struct IPDXProfAdmin : IUnknown {
    virtual HRESULT GetLastError(HRESULT status, ULONG flags, MAPIERROR** out) = 0;
    virtual HRESULT GetProfileTable(ULONG flags, IMAPITable** table) = 0;
    virtual HRESULT CreateProfile(const char* name, ULONG_PTR ulUIParam, ULONG flags) = 0;
    virtual HRESULT DeleteProfile(const char* name, ULONG flags) = 0;
    virtual HRESULT ConfigureProfile(const char* name, ULONG_PTR ulUIParam, ULONG flags) = 0;
    virtual HRESULT CopyProfile(const char* oldName, const char* newName, ULONG flags) = 0;
    virtual HRESULT RenameProfile(const char* oldName, const char* newName, ULONG flags) = 0;
    virtual HRESULT SetDefaultProfile(const char* name, ULONG flags) = 0;
    virtual HRESULT AdminServices(const char* name, ULONG flags, IPDXServiceAdmin** out) = 0;
};

struct IPDXSupport : IUnknown {
    virtual HRESULT GetLastError(HRESULT status, ULONG flags, MAPIERROR** out) = 0;
    virtual HRESULT GetMemAllocRoutines(AllocateBufferFn* allocateBuffer, AllocateMoreFn* allocateMore,
                                        FreeBufferFn* freeBuffer) = 0;
    virtual HRESULT SetProviderUID(const MAPIUID* uid, ULONG flags) = 0;
    virtual HRESULT Reserved6() = 0;
    virtual HRESULT DoCopyTo(LPCIID srcIface, void* source, ULONG ciidExclude, LPCIID iidExclude,
                             const SPropTagArray* excludeTags, ULONG_PTR ulUIParam, IMAPIProgress* progress,
                             LPCIID destIface, void* destination, ULONG flags, SPropProblemArray** problems) = 0;
    virtual HRESULT DoCopyProps(LPCIID srcIface, void* source, const SPropTagArray* includeTags, ULONG_PTR ulUIParam,
                                IMAPIProgress* progress, LPCIID destIface, void* destination, ULONG flags,
                                SPropProblemArray** problems) = 0;
    virtual HRESULT Reserved9() = 0;
};

struct IPDXSession : IUnknown {
    virtual HRESULT GetLastError(HRESULT status, ULONG flags, MAPIERROR** out) = 0;
    virtual HRESULT AllocateBuffer(ULONG cb, void** out) = 0;
    virtual HRESULT AllocateMore(ULONG cb, void* parent, void** out) = 0;
    virtual HRESULT FreeBuffer(void* p) = 0;
    virtual HRESULT FreeProws(SRowSet* rows) = 0;
    virtual HRESULT FreePadrlist(ADRLIST* list) = 0;
    virtual HRESULT OpenAddressBook(ULONG flags, IAddrBook** out) = 0;
    virtual HRESULT ExpandDistLists(ULONG flags, ADRLIST** list) = 0;
    virtual HRESULT GetPDXEntryID(ULONG* cbEntryID, ENTRYID** entryId) = 0;
    virtual HRESULT AdminServices(ULONG flags, IPDXServiceAdmin** out) = 0;
};

// Exports of a provider module. The module word vqcore passes to both is the
// address of the export it calls, so a module can find itself (dladdr).
using ABProviderOpenFn = HRESULT (*)(void* module, IPDXSupport* support, IProfSect* section, ULONG_PTR ulUIParam,
                                     ULONG flags, AllocateBufferFn allocateBuffer, AllocateMoreFn allocateMore,
                                     FreeBufferFn freeBuffer, IAddrBook** provider);
using ServiceEntryFn = HRESULT (*)(void* module, ULONG_PTR ulUIParam, ULONG flags, ULONG context, ULONG count,
                                   const SPropValue* values, IProfSect* section, IPDXSupport* support);

// Exports of vqcore, looked up by name.
using PDXAllocateBufferFn = AllocateBufferFn;
using PDXAllocateMoreFn = AllocateMoreFn;
using PDXFreeBufferFn = FreeBufferFn;
using PDXFreeProwsFn = HRESULT (*)(SRowSet* rows);
using PDXFreePadrlistFn = HRESULT (*)(ADRLIST* list);
using PDXAdminProfilesFn = HRESULT (*)(ULONG flags, IPDXProfAdmin** out);
using PDXOpenFn = HRESULT (*)(ULONG_PTR ulUIParam, const char* profileName, ULONG flags, ULONG reserved1,
                              ULONG reserved2, ULONG reserved3, IAddrBook** addrBook, IPDXSession** session);

} // namespace pdx
