#include "convert/bridge_library.h"

#include "model/prompter.h"
#include "strings/strings.h"
#include "vqbridge.h"

#include <cstring>
#include <new>

namespace lisotrex {

namespace {

constexpr int32_t kProfileMissing = int32_t(0x80040111);
constexpr size_t kServiceNameBuffer = 64;

// The wait cursor, when there is someone to show it.
class Busy {
public:
    explicit Busy(Prompter* p) : p_(p) {
        if (p_) p_->setBusy(true);
    }
    ~Busy() {
        if (p_) p_->setBusy(false);
    }

private:
    Prompter* p_;
};

template <size_t N>
std::string field(const char (&f)[N], size_t atMost) {
    return std::string(f, strnlen(f, std::min(N, atMost)));
}

} // namespace

ImportRecord importRecordOf(const void* recipientRecord) {
    const auto& r = *static_cast<const vqbridge::RecipientRecord*>(recipientRecord);
    ImportRecord rec;
    rec.givenName.assign(field(r.givenName, 44));
    rec.surname.assign(field(r.surname, 44));
    rec.displayName.assign(field(r.displayName, 88));
    rec.company.assign(field(r.company, 44));
    rec.department.assign(field(r.department, 44));
    if (r.kind != vqbridge::kFaxRecipient) rec.email.assign(field(r.address, 48));
    else rec.fax1.assign(field(r.address, 48));
    return rec;
}

BridgeClient::BridgeClient(Prompter* busy, std::string folder) : busy_(busy), folder_(std::move(folder)) {}

BridgeClient::~BridgeClient() { unload(); }

template <class F>
F BridgeClient::exportOf(const char* name) const {
    return module_.function<F>(name);
}

std::string BridgeClient::profileName() const { return systemText(ids::IDS_PDX_PROFILE_NAME); }

bool BridgeClient::load() {
    if (module_.loaded()) return true;
    Busy busy(busy_);
    return module_.load(systemText(ids::IDS_BRIDGE_LIBRARY), folder_);
}

int BridgeClient::createProfile() {
    if (!load()) return 0;
    Busy busy(busy_);
    auto create = exportOf<vqbridge::CreateProfileFn>(vqbridge::kCreateProfile);
    if (!create) return 0;
    vqbridge::ServiceDescriptor wab{};
    std::strncpy(wab.serviceName, "WAB", sizeof wab.serviceName - 1);
    wab.flags = 1;
    return create(profileName().c_str(), 1, &wab);
}

int BridgeClient::configureProfile(uintptr_t window) {
    if (!load()) return 0;
    Busy busy(busy_);
    auto configure = exportOf<vqbridge::DisplayAdminProfilesFn>(vqbridge::kDisplayAdminProfiles);
    return configure ? configure(window, profileName().c_str()) : 0;
}

int32_t BridgeClient::lastError() {
    if (!load()) return 0;
    Busy busy(busy_);
    auto last = exportOf<vqbridge::GetLastPDXErrorFn>(vqbridge::kGetLastPDXError);
    return last ? last(book_) : 0;
}

bool BridgeClient::open(uintptr_t window, const std::string& profile) {
    if (!load()) return false;
    Busy busy(busy_);
    // An open address book keeps the name of the service it was opened
    // without, so close can still put that service back.
    if (book_) return true;
    removedService_.clear();
    auto openBook = exportOf<vqbridge::OpenAddressBookFn>(vqbridge::kOpenAddressBook);
    auto removeFax = exportOf<vqbridge::DeleteVABServiceFn>(vqbridge::kDeleteVABService);
    auto addFax = exportOf<vqbridge::AddVABServiceFn>(vqbridge::kAddVABService);
    if (!openBook || !removeFax || !addFax) return false;
    const std::string name = profile.empty() ? profileName() : profile;
    book_ = openBook(window, name.c_str(), vqbridge::kOpenProgramProfile);
    if (book_) {
        profile_ = name;
        return true;
    }
    // A profile the fax driver's provider keeps from opening opens without it.
    char removed[kServiceNameBuffer] = "";
    const int32_t h = removeFax(nullptr, window, name.c_str(), vqbridge::kOpenProgramProfile, removed);
    if (h >= 0 && removed[0]) {
        removedService_ = removed;
        book_ = openBook(window, name.c_str(), vqbridge::kOpenProgramProfile);
        if (!book_) {
            addFax(nullptr, window, name.c_str(), vqbridge::kOpenProgramProfile, removedService_.c_str());
            removedService_.clear();
        } else {
            profile_ = name;
        }
    }
    lastError();
    return book_ != nullptr;
}

bool BridgeClient::openWithProfileCreation(uintptr_t window) {
    if (open(window)) return true;
    if (lastError() != kProfileMissing) return false;
    createProfile();
    if (open(window)) return true;
    lastError();
    return false;
}

int BridgeClient::select(std::vector<ImportRecord>& list, uint32_t capacity, uintptr_t window) {
    if (!load()) return 0;
    if (!book_) return 1;
    Busy busy(busy_);
    auto run = exportOf<vqbridge::DisplayRecipSelectFn>(vqbridge::kDisplayRecipSelect);
    if (!run) return 1;
    try {
        std::vector<vqbridge::RecipientRecord> records(capacity);
        std::vector<uint8_t> block(vqbridge::recipientArraySize(capacity));
        auto* array = reinterpret_cast<vqbridge::RecipientArray*>(block.data());
        array->capacity = capacity;
        for (uint32_t i = 0; i < capacity; ++i) array->records[i] = &records[i];
        uint32_t count = 0;
        run(book_, window, &count, array);
        for (uint32_t i = 0; i < count && i < capacity; ++i) list.push_back(importRecordOf(&records[i]));
    } catch (const std::bad_alloc&) {
        // Out of memory: nothing to convert, and no message.
        list.clear();
    }
    return 1;
}

int32_t BridgeClient::selectContainer(std::vector<ImportRecord>& list, uint32_t capacity,
                                      const std::string& containerPath) {
    if (!load()) return int32_t(0x80004005);
    if (!book_) return int32_t(0x80070057);
    Busy busy(busy_);
    auto run = exportOf<vqbridge::SelectRecipientsFn>(vqbridge::kSelectRecipients);
    if (!run) return int32_t(0x80004005);
    std::vector<vqbridge::RecipientRecord> records(capacity);
    std::vector<uint8_t> block(vqbridge::recipientArraySize(capacity));
    auto* array = reinterpret_cast<vqbridge::RecipientArray*>(block.data());
    array->capacity = capacity;
    for (uint32_t i = 0; i < capacity; ++i) array->records[i] = &records[i];
    uint32_t count = 0;
    const int32_t h = run(book_, containerPath.empty() ? nullptr : containerPath.c_str(), &count, array);
    for (uint32_t i = 0; i < count && i < capacity; ++i) list.push_back(importRecordOf(&records[i]));
    return h;
}

int BridgeClient::close(uintptr_t window) {
    if (!module_.loaded()) return 1;
    Busy busy(busy_);
    if (!removedService_.empty() && book_)
        if (auto addFax = exportOf<vqbridge::AddVABServiceFn>(vqbridge::kAddVABService))
            addFax(book_, window, profile_.c_str(), vqbridge::kOpenProgramProfile, removedService_.c_str());
    removedService_.clear();
    if (book_) {
        if (auto closeBook = exportOf<vqbridge::CloseAddressBookFn>(vqbridge::kCloseAddressBook)) closeBook(book_);
        book_ = nullptr;
    }
    return 1;
}

int BridgeClient::unload() {
    if (!module_.loaded()) return 0;
    close(0);
    module_.unload();
    return 1;
}

} // namespace lisotrex
