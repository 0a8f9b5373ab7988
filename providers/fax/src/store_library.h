#pragma once
// The fax driver's store library: where it is found, the binding a logon
// keeps to it, and one open address book for the length of one operation.

#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "pdx/types.h"
#include "platform/module.h"
#include "platform/system.h"
#include "vqconv.h"

namespace vqfax {

using namespace pdx;

constexpr const char* kLibraryName = "VQCONV.DLL";

// The folder the library is loaded from: the printer driver directory, then
// "2" on NT-family systems before version 5 and "3" on version 5.
std::string libraryFolder(const std::string& driverDirectory, const platform::OsVersion& version);
// The library file the folder and name give.
std::string libraryPath(const std::string& driverDirectory, const platform::OsVersion& version);
// Loads the library from where this system's printer driver directory says.
bool loadLibrary(platform::Module& module);

// The library's error words as status codes; an unknown word is 0 (the call
// counts as having succeeded).
HRESULT mapErrorWord(uint32_t word);

// Runs the library's conversion step when it has one; nothing is reported.
void runConverter();

class StoreBinding {
public:
    // Loads the library and finds its entry points; a missing library or entry
    // point gives E_OUTOFMEMORY. The binding comes with one reference.
    static HRESULT open(const char* filePath, StoreBinding** out);
    void addRef();
    void release();

    // Only the library's functions; used through OpenBook.
    struct Functions {
        vqconv::OpenAddressBookFn openBook = nullptr;
        vqconv::GetRecordIdFn getRecordId = nullptr;
        vqconv::CreateContactEntryFn createContact = nullptr;
        vqconv::CreateGroupEntryFn createGroup = nullptr;
        vqconv::GetPropsFn getProps = nullptr;
        vqconv::SetPropsFn setProps = nullptr;
        vqconv::CloseAddressBookFn closeBook = nullptr;
    };
    const Functions& functions() const { return fn_; }
    const char* filePath() const { return path_ ? path_->c_str() : nullptr; }
    // "DeleteProps" is looked up when a record is deleted.
    vqconv::DeletePropsFn deleteFunction() const;

private:
    StoreBinding() = default;
    platform::Module module_;
    std::optional<std::string> path_;
    Functions fn_;
    std::mutex lock_;
    ULONG refs_ = 1;
};

// The address book opened with OpenAddressBook and closed when this goes,
// whatever happened in between.
class OpenBook {
public:
    explicit OpenBook(const StoreBinding& binding);
    ~OpenBook();
    OpenBook(const OpenBook&) = delete;
    OpenBook& operator=(const OpenBook&) = delete;

    // The mapped error of a failed open, else 0.
    HRESULT status() const { return status_; }

    // GetProps without a buffer: the element count of a record.
    HRESULT elementCount(int32_t record, int32_t& count);
    // Every element of a record (none when it has none); `knownCount` is the
    // answer of an elementCount just made for it, saving the library a call.
    HRESULT readElements(int32_t record, std::vector<struct Element>& out, const int32_t* knownCount = nullptr);
    // The same as readElements in one call for a record of a few dozen
    // elements (the usual size); a larger one is read in the two steps.
    HRESULT readRecord(int32_t record, std::vector<struct Element>& out);
    HRESULT writeElements(int32_t record, const std::vector<struct Element>& elements);
    HRESULT createContact(int32_t& record);
    HRESULT createGroup(int32_t& record);
    HRESULT allRecords(std::vector<int32_t>& out);
    HRESULT deleteRecord(int32_t record);

private:
    const StoreBinding& binding_;
    vqconv::Handle handle_ = vqconv::kBadHandle;
    HRESULT status_ = 0;
    std::vector<uint8_t> firstRead_; // readRecord's buffer, kept for the next record
};

} // namespace vqfax
