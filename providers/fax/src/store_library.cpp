#include "store_library.h"

#include <algorithm>
#include <memory>
#include <new>

#include "pdx/status.h"
#include "store_elements.h"

namespace vqfax {
namespace {

// Bounds on what a library answer may make us allocate: a fax store record
// holds a few dozen elements and a store at most some ten thousand records.
constexpr int32_t kMaxElements = 1 << 16;
constexpr uint32_t kMaxRecords = 1 << 22;

} // namespace

std::string libraryFolder(const std::string& driverDirectory, const platform::OsVersion& version) {
    std::string folder = driverDirectory;
    while (!folder.empty() && folder.back() == '/') folder.pop_back();
    if (version.platformId == platform::kPlatformWin32Nt) {
        if (version.major < 5) folder += "/2";
        else if (version.major == 5) folder += "/3";
    }
    return folder + "/";
}

std::string libraryPath(const std::string& driverDirectory, const platform::OsVersion& version) {
    return libraryFolder(driverDirectory, version) + platform::mapModuleName(kLibraryName);
}

bool loadLibrary(platform::Module& module) {
    return module.load(kLibraryName, libraryFolder(platform::printerDriverDirectory(), platform::osVersion()));
}

HRESULT mapErrorWord(uint32_t word) {
    switch (word) {
    case 1: return E_INVALIDARG;
    case 2:
    case 3: return MAPI_E_DISK_ERROR;
    case 4:
    case 5: return MAPI_E_NOT_FOUND;
    case 6: return MAPI_E_NOT_ENOUGH_DISK;
    default: return S_OK;
    }
}

void runConverter() {
    platform::Module module;
    if (!loadLibrary(module)) return;
    if (auto convert = module.function<vqconv::CnvAddressBookFn>("CnvAddressBook")) {
        uint32_t error = 0;
        convert(&error);
    }
}

// ---- binding

HRESULT StoreBinding::open(const char* filePath, StoreBinding** out) {
    *out = nullptr;
    auto* binding = new (std::nothrow) StoreBinding;
    if (!binding) return E_OUTOFMEMORY;
    std::unique_ptr<StoreBinding, void (*)(StoreBinding*)> guard(binding, [](StoreBinding* b) { b->release(); });
    if (!loadLibrary(binding->module_)) return E_OUTOFMEMORY;
    if (filePath && *filePath) binding->path_ = filePath;
    Functions& f = binding->fn_;
    const platform::Module& m = binding->module_;
    if (!(f.openBook = m.function<vqconv::OpenAddressBookFn>("OpenAddressBook")) ||
        !(f.getRecordId = m.function<vqconv::GetRecordIdFn>("GetRecordId")) ||
        !(f.createContact = m.function<vqconv::CreateContactEntryFn>("CreateContactEntry")) ||
        !(f.createGroup = m.function<vqconv::CreateGroupEntryFn>("CreateGroupEntry")) ||
        !(f.getProps = m.function<vqconv::GetPropsFn>("GetProps")) ||
        !(f.setProps = m.function<vqconv::SetPropsFn>("SetProps")) ||
        !(f.closeBook = m.function<vqconv::CloseAddressBookFn>("CloseAddressBook")))
        return E_OUTOFMEMORY;
    *out = guard.release();
    return S_OK;
}

void StoreBinding::addRef() {
    std::lock_guard g(lock_);
    ++refs_;
}

void StoreBinding::release() {
    ULONG left;
    {
        std::lock_guard g(lock_);
        left = --refs_;
    }
    if (!left) delete this;
}

vqconv::DeletePropsFn StoreBinding::deleteFunction() const {
    return module_.function<vqconv::DeletePropsFn>("DeleteProps");
}

// ---- one open book

OpenBook::OpenBook(const StoreBinding& binding) : binding_(binding) {
    uint32_t error = 0;
    handle_ = binding.functions().openBook(binding.filePath(), &error);
    if (handle_ == vqconv::kBadHandle) status_ = mapErrorWord(error);
}

OpenBook::~OpenBook() {
    if (handle_ != vqconv::kBadHandle) binding_.functions().closeBook(handle_);
}

HRESULT OpenBook::elementCount(int32_t record, int32_t& count) {
    uint32_t error = 0;
    count = binding_.functions().getProps(handle_, record, &error, nullptr);
    if (count == -1) {
        count = 0;
        return mapErrorWord(error);
    }
    if (count < 0) count = 0;
    return S_OK;
}

HRESULT OpenBook::readElements(int32_t record, std::vector<Element>& out, const int32_t* knownCount) {
    out.clear();
    int32_t n = 0;
    if (knownCount) n = *knownCount;
    else if (HRESULT h = elementCount(record, n); FAILED(h)) return h;
    if (n == 0) return S_OK;
    if (n > kMaxElements) return E_OUTOFMEMORY;
    std::vector<uint8_t> buffer(size_t(n) * vqconv::kElementSlot, 0);
    vqconv::ElementBuffer descriptor{static_cast<uint32_t>(n), buffer.data()};
    uint32_t error = 0;
    const int32_t written = binding_.functions().getProps(handle_, record, &error, &descriptor);
    if (written == -1) return mapErrorWord(error);
    if (written <= 0) return S_OK;
    out = parseElements(buffer.data(), buffer.size(), std::min<size_t>(size_t(written), size_t(n)));
    return S_OK;
}

HRESULT OpenBook::readRecord(int32_t record, std::vector<Element>& out) {
    constexpr uint32_t kFirstRead = 32;
    out.clear();
    std::vector<uint8_t>& buffer = firstRead_;
    buffer.assign(size_t(kFirstRead) * vqconv::kElementSlot, 0);
    vqconv::ElementBuffer descriptor{kFirstRead, buffer.data()};
    uint32_t error = 0;
    const int32_t written = binding_.functions().getProps(handle_, record, &error, &descriptor);
    if (written == -1) return mapErrorWord(error);
    if (written >= int32_t(kFirstRead)) return readElements(record, out); // it may hold more
    if (written > 0) out = parseElements(buffer.data(), buffer.size(), size_t(written));
    return S_OK;
}

HRESULT OpenBook::writeElements(int32_t record, const std::vector<Element>& elements) {
    std::vector<uint8_t> buffer = serializeElements(elements);
    vqconv::ElementBuffer descriptor{static_cast<uint32_t>(elements.size()), buffer.data()};
    uint32_t error = 0;
    if (binding_.functions().setProps(handle_, record, &error, &descriptor) == 0) return mapErrorWord(error);
    return S_OK;
}

HRESULT OpenBook::createContact(int32_t& record) {
    uint32_t error = 0;
    record = binding_.functions().createContact(handle_, &error);
    return record == 0 ? mapErrorWord(error) : S_OK;
}

HRESULT OpenBook::createGroup(int32_t& record) {
    uint32_t error = 0;
    record = binding_.functions().createGroup(handle_, &error);
    return record == INT32_MIN ? mapErrorWord(error) : S_OK;
}

HRESULT OpenBook::allRecords(std::vector<int32_t>& out) {
    out.clear();
    uint32_t error = 0;
    vqconv::RecordIdList list{0, nullptr};
    if (binding_.functions().getRecordId(handle_, vqconv::kAllRecords, &error, &list) == -1) return mapErrorWord(error);
    if (list.count == 0) return S_OK;
    if (list.count > kMaxRecords) return E_OUTOFMEMORY;
    std::vector<int32_t> ids(list.count, 0);
    const uint32_t asked = list.count;
    list.ids = ids.data();
    error = 0;
    if (binding_.functions().getRecordId(handle_, vqconv::kAllRecords, &error, &list) == -1) return mapErrorWord(error);
    ids.resize(std::min(asked, list.count));
    out = std::move(ids);
    return S_OK;
}

HRESULT OpenBook::deleteRecord(int32_t record) {
    vqconv::DeletePropsFn remove = binding_.deleteFunction();
    if (!remove) return E_OUTOFMEMORY;
    uint32_t error = 0;
    if (remove(handle_, 0, &error, record) == 0) return mapErrorWord(error);
    return S_OK;
}

} // namespace vqfax
