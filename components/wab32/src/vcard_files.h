#pragma once
// The IWABObject services over single vCard files: a mail user written as a
// .vcf file, a .vcf file read into a new mail user, a file's cards imported
// into the store, and the user's own contact ("me").

#include <memory>
#include <string>

#include "pdx/interfaces.h"
#include "session.h"

namespace wab32 {

// IWABObject::VCardCreate / VCardRetrieve flags: a file name, or a stream in
// memory (not offered here).
constexpr pdx::ULONG WAB_VCARD_FILE = 0x00000000;
constexpr pdx::ULONG WAB_VCARD_STREAM = 0x00000001;
// GetMe: do not make a new "me" entry; a new one was made.
constexpr pdx::ULONG WABOBJECT_ME_NEW = 0x00000001;
constexpr pdx::ULONG WABOBJECT_ME_NOCREATE = 0x00000002;

// The parameter block IWABObject::Import takes (passed as its char* argument).
struct WABIMPORTPARAM {
    pdx::ULONG cbSize;
    pdx::IAddrBook* lpAdrBook;
    pdx::ULONG_PTR hWnd;
    pdx::ULONG ulFlags;
    char* lpszFileName;
};

// A mail user of the store keeps its card's bytes, with the object's changes
// applied; any other mail user becomes a new vCard 3.0 card.
pdx::HRESULT writeMailUserCard(Session& session, pdx::IMailUser* user, const std::string& path);
// A new, unsaved mail user holding the first contact card of the file; its
// SaveChanges adds it to the store.
pdx::HRESULT readMailUserCard(const std::shared_ptr<Session>& session, const std::string& path,
                              pdx::IMailUser** out);
// MAPI_W_PARTIAL_COMPLETION when some cards were left out (already in the store).
pdx::HRESULT importCardFile(Session& session, const std::string& path);
// The first contact card of a file as its properties; MAPI_E_NOT_FOUND for a
// missing file, MAPI_E_CORRUPT_DATA for one that holds no card.
pdx::HRESULT readFirstContact(const std::string& path, pdx::common::PropArray& props);

pdx::HRESULT getMe(const std::shared_ptr<Session>& session, pdx::ULONG flags, pdx::DWORD* action,
                   pdx::SBinary* entryId, pdx::ULONG_PTR ui);
pdx::HRESULT setMe(const std::shared_ptr<Session>& session, pdx::ULONG flags, const pdx::SBinary& entryId,
                   pdx::ULONG_PTR ui);

} // namespace wab32
