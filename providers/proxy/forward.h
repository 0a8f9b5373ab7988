#pragma once
// The bodies of the slots the provider and the proxies have in common. Each
// forwards one call to the component object it is given and brings the
// results back into PDX memory, freeing the component's buffers in its own
// domain.

#include <functional>

#include "pdx/interfaces.h"

namespace pdx::proxy {

class Provider;

// Readable or writable caller pointers.
template <class T> bool writableOut(T* p);
bool readableIn(const void* p, size_t n);

HRESULT forwardGetProps(Provider& p, IMAPIProp* target, const SPropTagArray* tags, ULONG flags, ULONG* count,
                        SPropValue** values);
HRESULT forwardGetPropList(Provider& p, IMAPIProp* target, ULONG flags, SPropTagArray** tags);
// Only IID_IMAPITable; the table comes back in a table proxy.
HRESULT forwardOpenProperty(Provider& p, IMAPIProp* target, ULONG tag, LPCIID iid, ULONG interfaceOptions,
                            ULONG flags, IUnknown** out);
HRESULT forwardSetProps(Provider& p, IMAPIProp* target, ULONG count, const SPropValue* values,
                        SPropProblemArray** problems);
HRESULT forwardDeleteProps(Provider& p, IMAPIProp* target, const SPropTagArray* tags, SPropProblemArray** problems);
HRESULT forwardNamesFromIds(Provider& p, IMAPIProp* target, SPropTagArray** tags, GUID* propSet, ULONG flags,
                            ULONG* count, MAPINAMEID*** names);
HRESULT forwardIdsFromNames(Provider& p, IMAPIProp* target, ULONG count, MAPINAMEID** names, ULONG flags,
                            SPropTagArray** tags);

// A problem array the component returned, copied for the caller (and freed).
HRESULT problemsToCaller(Provider& p, HRESULT status, SPropProblemArray* fromComponent, SPropProblemArray** out);

// OpenEntry of the provider and of the container and list proxies: `open`
// is the target's own OpenEntry with the identifier as the component sees it.
using ComponentOpen = std::function<HRESULT(ULONG cb, ENTRYID* id, ULONG* objType, IUnknown** out)>;
HRESULT forwardOpenEntry(Provider& p, const ComponentOpen& open, ULONG cbEntryID, ENTRYID* entryId, ULONG* objType,
                         IUnknown** out);

// The caller's address list enters `call` in the component's memory; after
// a successful call the result replaces the values of the caller's entries.
HRESULT forwardWithAdrList(Provider& p, ADRLIST* list, const std::function<HRESULT(ADRLIST*)>& call);

// A new object of the component (CreateEntry): its PR_OBJECT_TYPE picks the
// proxy. Takes over `object`'s reference.
HRESULT wrapCreated(Provider& p, IMAPIProp* object, IMAPIProp** out);

} // namespace pdx::proxy

#include "platform/system.h"

namespace pdx::proxy {
template <class T> bool writableOut(T* p) { return platform::isWritable(static_cast<void*>(p), sizeof(T)); }
inline bool readableIn(const void* p, size_t n) { return platform::isReadable(p, n); }
} // namespace pdx::proxy
