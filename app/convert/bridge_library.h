#pragma once
// The program's client of the address book bridge (vqbridge): the library is
// loaded for one import or one press of the address book button, each export
// is looked up by name when it is called, and an address book is never left
// open between operations.

#include "convert/import_record.h"

#include <cstdint>
#include <string>
#include <vector>

#include "platform/module.h"

namespace lisotrex {

class Prompter;

class BridgeClient {
public:
    // `busy` (may be null) shows the wait cursor around each operation;
    // `folder` is where the library is looked for (empty: the program's folder).
    explicit BridgeClient(Prompter* busy, std::string folder = {});
    ~BridgeClient();
    BridgeClient(const BridgeClient&) = delete;
    BridgeClient& operator=(const BridgeClient&) = delete;

    bool load();
    // The program's profile with the "WAB" service.
    int createProfile();
    int configureProfile(uintptr_t window);
    // Opens the profile (the program's own unless named); when it cannot be
    // opened, once more without the fax driver's service, which close puts back.
    bool open(uintptr_t window, const std::string& profile = {});
    // Open, creating the program's profile when it does not exist.
    bool openWithProfileCreation(uintptr_t window);
    int32_t lastError();
    // The recipient selection dialog; the chosen recipients are appended to
    // `list` as import records. 1 unless the bridge cannot be loaded.
    int select(std::vector<ImportRecord>& list, uint32_t capacity, uintptr_t window);
    // The same without a window: every row of the container named by
    // `containerPath` (empty: the default directory). The bridge's status.
    int32_t selectContainer(std::vector<ImportRecord>& list, uint32_t capacity, const std::string& containerPath);
    int close(uintptr_t window);
    // Closes an open address book and frees the library; 0 when nothing was loaded.
    int unload();

    bool isOpen() const { return book_ != nullptr; }
    // The fax service's display name while it is out of the profile.
    const std::string& removedService() const { return removedService_; }

private:
    template <class F>
    F exportOf(const char* name) const;
    std::string profileName() const;

    Prompter* busy_;
    std::string folder_;
    platform::Module module_;
    void* book_ = nullptr;
    std::string profile_; // the profile an open address book is on
    std::string removedService_;
};

// An import record from a recipient record (the texts cut as the record
// fields hold them; fax field 2 and the fax texts are not used).
ImportRecord importRecordOf(const void* recipientRecord);

} // namespace lisotrex
