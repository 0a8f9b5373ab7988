// The fax driver's store library (vqconv) through its exported calls: the
// element stepping of SetProps and GetProps, and the opening of a store file.
// Elements written to a record come back the same (a field's text ends at its
// first NUL or after 255 bytes), a smaller buffer gets exactly the elements
// that fit, and a file that is not a whole store of ours is refused and left
// as it was, with nothing made beside it.
//
// Input: one option byte. Bit 0 clear: bits 1-4 the element count, bit 5 a
// group (else a contact), then the elements. Bit 0 set: the store file.

#include "../support/fuzz_support.h"

#include "vqconv.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace velmo::fuzz;
using namespace vqconv;

extern "C" {
Handle OpenAddressBook(const char* path, uint32_t* error);
void CloseAddressBook(Handle book);
int32_t GetRecordId(Handle book, uint32_t selector, uint32_t* error, RecordIdList* list);
int32_t CreateContactEntry(Handle book, uint32_t* error);
int32_t CreateGroupEntry(Handle book, uint32_t* error);
int32_t GetProps(Handle book, int32_t recordId, uint32_t* error, ElementBuffer* buffer);
int32_t SetProps(Handle book, int32_t recordId, uint32_t* error, ElementBuffer* buffer);
int32_t DeleteProps(Handle book, uint32_t reserved, uint32_t* error, int32_t recordId);
}

namespace {

// The elements of a buffer as the call contract lays them out: a member
// (code 48) is 140 bytes, anything else a 260-byte field.
std::vector<std::string> elementsOf(const uint8_t* p, size_t count) {
    std::vector<std::string> out;
    for (size_t i = 0; i < count; ++i) {
        uint32_t code;
        std::memcpy(&code, p, 4);
        if (code == kMemberCode) {
            out.emplace_back(reinterpret_cast<const char*>(p), sizeof(MemberElement));
            p += sizeof(MemberElement);
        } else {
            const char* text = reinterpret_cast<const char*>(p) + 4;
            out.push_back(std::string(reinterpret_cast<const char*>(p), 4) + std::string(text, strnlen(text, 255)));
            p += sizeof(FieldElement);
        }
    }
    return out;
}

bool exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

void elementStepping(uint8_t options, std::string_view rest) {
    static const std::string path = sandbox() + "/faxab.sqlite3";
    uint32_t error = 0;
    Handle book = OpenAddressBook(path.c_str(), &error);
    FUZZ_CHECK(book != kBadHandle, "the store cannot be opened: " + std::to_string(error));
    // One contact that members may name, made once.
    static const int32_t member = CreateContactEntry(book, &error);
    FUZZ_CHECK(member > 0, "no contact");

    const bool group = options & 0x20;
    const int32_t id = group ? CreateGroupEntry(book, &error) : CreateContactEntry(book, &error);
    FUZZ_CHECK(error == kErrNone, "no new record");
    const size_t count = (options >> 1) & 15;
    std::vector<uint8_t> in(count * kElementSlot, 0);
    if (!rest.empty() && !in.empty()) std::memcpy(in.data(), rest.data(), std::min(rest.size(), in.size()));
    const std::vector<std::string> wanted = elementsOf(in.data(), count);

    ElementBuffer given{uint32_t(count), in.data()};
    const bool taken = SetProps(book, id, &error, &given) == 1;
    FUZZ_CHECK(taken == (error == kErrNone), "SetProps answer and error word disagree");
    if (!taken)
        FUZZ_CHECK(error == kErrInvalidArg || error == kErrNotAvailable, "SetProps refused with " + std::to_string(error));
    FUZZ_CHECK(GetProps(book, id, &error, nullptr) == int32_t(taken ? count : 0), "element count");

    for (size_t capacity : {count, count ? count - 1 : 0}) {
        // Exactly the caller's buffer, so a write past it is caught.
        std::unique_ptr<uint8_t[]> out(new uint8_t[capacity * kElementSlot + 1]);
        ElementBuffer buffer{uint32_t(capacity), out.get()};
        const int32_t n = GetProps(book, id, &error, &buffer);
        const size_t expected = taken ? std::min(capacity, count) : 0;
        FUZZ_CHECK(n == int32_t(expected), "GetProps gave " + std::to_string(n) + " elements, not " + std::to_string(expected));
        std::vector<std::string> got = elementsOf(out.get(), expected);
        for (size_t i = 0; i < expected; ++i)
            FUZZ_CHECK(got[i] == wanted[i], "element " + std::to_string(i) + " came back as " + escaped(got[i]) +
                                                ", written " + escaped(wanted[i]));
    }
    FUZZ_CHECK(DeleteProps(book, 0, &error, id) == 1, "the record could not be deleted");
    CloseAddressBook(book);
}

void storeFile(std::string_view bytes) {
    const std::string path = sandbox() + "/given.sqlite3";
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) ::unlink((path + suffix).c_str());
    writeFile("given.sqlite3", bytes);
    uint32_t error = 0;
    Handle book = OpenAddressBook(path.c_str(), &error);
    if (book == kBadHandle) {
        FUZZ_CHECK(error == kErrDiskRead, "a refused store gave error " + std::to_string(error));
        FUZZ_CHECK(readFile(path) == bytes, "a refused store file was changed");
        for (const char* suffix : {"-wal", "-shm", "-journal"})
            FUZZ_CHECK(!exists(path + suffix), std::string("a refused store got a ") + suffix + " file");
        return;
    }
    RecordIdList list{0, nullptr};
    const int32_t count = GetRecordId(book, kAllRecords, &error, &list);
    if (count > 0) {
        std::vector<int32_t> ids(static_cast<size_t>(count));
        list = {uint32_t(count), ids.data()};
        const int32_t listed = GetRecordId(book, kAllRecords, &error, &list);
        FUZZ_CHECK(listed <= count, "more ids than room");
        for (int32_t i = 0; i < std::max(listed, 0); ++i) {
            const int32_t n = GetProps(book, ids[size_t(i)], &error, nullptr);
            if (n <= 0) continue;
            std::unique_ptr<uint8_t[]> out(new uint8_t[size_t(n) * kElementSlot]);
            ElementBuffer buffer{uint32_t(n), out.get()};
            FUZZ_CHECK(GetProps(book, ids[size_t(i)], &error, &buffer) <= n, "more elements than room");
        }
    }
    CloseAddressBook(book);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in(data, size);
    const uint8_t options = in.byte();
    if (options & 1) storeFile(in.rest());
    else elementStepping(options, in.rest());
    return 0;
}
