#pragma once
// vqconv.so loaded by name from the printer driver folder, as the fax
// provider finds it, with element helpers written from the call contract
// alone (not from the library's own code).

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/module.h"
#include "vqconv.h"

namespace vqconv::test {

struct StoreLibrary {
    platform::Module module;
    OpenAddressBookFn open = nullptr;
    CloseAddressBookFn close = nullptr;
    GetRecordIdFn getRecordId = nullptr;
    CreateContactEntryFn createContact = nullptr;
    CreateGroupEntryFn createGroup = nullptr;
    GetPropsFn getProps = nullptr;
    SetPropsFn setProps = nullptr;
    DeletePropsFn deleteProps = nullptr;
    CnvAddressBookFn convert = nullptr;
};
// Loaded once per process; every pointer is null when loading failed.
StoreLibrary& library();

struct TestElement {
    uint32_t code = 0;
    std::string text;
    int32_t member = 0;
    uint32_t flags = 0;
    std::array<uint8_t, 128> reserved{};
    bool operator==(const TestElement&) const = default;
};
TestElement field(uint32_t code, std::string text);
// A member whose 128 trailing bytes run fill, fill+1, ...
TestElement member(int32_t id, uint32_t flags, uint8_t fill);

// Elements back to back in a buffer sized as the provider sizes it (260
// bytes per element).
std::vector<uint8_t> pack(const std::vector<TestElement>& elements);
std::vector<TestElement> unpack(const uint8_t* bytes, size_t count);

// The records the writer program makes, so a reader can tell a whole record
// from a torn one: contact `id` with k fields "TAG:id:i/k"; a group with its
// name "TAG:g<id>" and members whose flags and trailing bytes follow from
// the member id.
std::vector<TestElement> writerContact(const std::string& tag, int32_t id, int k);
TestElement writerGroupName(const std::string& tag, int32_t id);
TestElement writerMember(int32_t id);

// An open book that is closed at the end of the scope.
class OpenBook {
public:
    explicit OpenBook(const char* path);
    explicit OpenBook(const std::string& path) : OpenBook(path.c_str()) {}
    ~OpenBook();
    OpenBook(const OpenBook&) = delete;
    OpenBook& operator=(const OpenBook&) = delete;
    Handle handle() const { return handle_; }
    uint32_t openError() const { return openError_; }

    // SetProps; false with `error` set on failure.
    bool write(int32_t id, const std::vector<TestElement>& elements, uint32_t* error = nullptr);
    // GetProps in its two steps; false with `error` set on failure.
    bool read(int32_t id, std::vector<TestElement>* elements, uint32_t* error = nullptr);
    // GetRecordId in its two steps; empty on failure.
    std::vector<int32_t> recordIds();

private:
    uint32_t openError_ = 0; // before handle_: the open writes it
    Handle handle_;
};

} // namespace vqconv::test
