// The scripted store library. Built three times: complete, without
// CloseAddressBook (FAKE_NO_CLOSE) and without DeleteProps (FAKE_NO_DELETE).

#include <cstring>

#include "fake_conv.h"
#include "vqconv.h"

#define FAKE_EXPORT extern "C" __attribute__((visibility("default")))

using namespace vqconv;

namespace {

fakeconv::State& state() {
    static fakeconv::State s;
    return s;
}

// Records the call; true when it is scripted to fail (the word is written).
bool called(const char* function, uint32_t* error) {
    auto& s = state();
    s.calls.push_back(function);
    auto it = s.failures.find(function);
    if (it == s.failures.end() || it->second.empty()) return false;
    *error = it->second.front();
    it->second.pop_front();
    return true;
}

size_t elementSize(const uint8_t* e) {
    uint32_t code;
    std::memcpy(&code, e, 4);
    return code == kMemberCode ? sizeof(MemberElement) : sizeof(FieldElement);
}

} // namespace

FAKE_EXPORT fakeconv::State* FakeConvState() { return &state(); }

FAKE_EXPORT Handle OpenAddressBook(const char* path, uint32_t* error) {
    std::lock_guard g(state().lock);
    state().openedPaths.push_back(path ? path : "(null)");
    return called("OpenAddressBook", error) ? kBadHandle : 7;
}

#ifndef FAKE_NO_CLOSE
FAKE_EXPORT void CloseAddressBook(Handle) {
    std::lock_guard g(state().lock);
    uint32_t ignored = 0;
    called("CloseAddressBook", &ignored);
}
#endif

FAKE_EXPORT int32_t GetRecordId(Handle, uint32_t selector, uint32_t* error, RecordIdList* list) {
    std::lock_guard g(state().lock);
    if (called("GetRecordId", error)) return -1;
    if (selector != kAllRecords || !list) {
        *error = kErrInvalidArg;
        return -1;
    }
    auto& records = state().records;
    if (!list->ids) {
        list->count = static_cast<uint32_t>(records.size());
        return 0;
    }
    uint32_t n = 0;
    for (const auto& [id, elements] : records) {
        if (n == list->count) break;
        list->ids[n++] = id;
    }
    list->count = n;
    return 0;
}

FAKE_EXPORT int32_t CreateContactEntry(Handle, uint32_t* error) {
    std::lock_guard g(state().lock);
    if (called("CreateContactEntry", error)) return 0;
    const int32_t id = state().nextContact++;
    state().records[id];
    return id;
}

FAKE_EXPORT int32_t CreateGroupEntry(Handle, uint32_t* error) {
    std::lock_guard g(state().lock);
    if (called("CreateGroupEntry", error)) return INT32_MIN;
    const int32_t id = static_cast<int32_t>(0x80000000u | uint32_t(state().nextGroup++));
    state().records[id];
    return id;
}

FAKE_EXPORT int32_t GetProps(Handle, int32_t record, uint32_t* error, ElementBuffer* buffer) {
    std::lock_guard g(state().lock);
    if (called("GetProps", error)) return -1;
    if (auto raw = state().raw.find(record); raw != state().raw.end()) {
        if (!buffer) return raw->second.count;
        const size_t room = size_t(buffer->count) * kElementSlot;
        if (!raw->second.bytes.empty())
            std::memcpy(buffer->elements, raw->second.bytes.data(), std::min(room, raw->second.bytes.size()));
        return raw->second.written;
    }
    auto it = state().records.find(record);
    if (it == state().records.end()) {
        *error = kErrNotFound;
        return -1;
    }
    if (!buffer) return static_cast<int32_t>(it->second.size());
    size_t at = 0;
    int32_t written = 0;
    for (const auto& e : it->second) {
        if (written == int32_t(buffer->count)) break;
        std::memcpy(buffer->elements + at, e.data(), e.size());
        at += e.size();
        ++written;
    }
    return written;
}

FAKE_EXPORT int32_t SetProps(Handle, int32_t record, uint32_t* error, ElementBuffer* buffer) {
    std::lock_guard g(state().lock);
    if (called("SetProps", error)) return 0;
    auto it = state().records.find(record);
    if (it == state().records.end() || !buffer) {
        *error = kErrNotFound;
        return 0;
    }
    std::vector<std::vector<uint8_t>> elements;
    size_t at = 0;
    for (uint32_t i = 0; i < buffer->count; ++i) {
        const size_t n = elementSize(buffer->elements + at);
        elements.emplace_back(buffer->elements + at, buffer->elements + at + n);
        at += n;
    }
    it->second = std::move(elements);
    return 1;
}

#ifndef FAKE_NO_DELETE
FAKE_EXPORT int32_t DeleteProps(Handle, uint32_t, uint32_t* error, int32_t record) {
    std::lock_guard g(state().lock);
    if (called("DeleteProps", error)) return 0;
    if (!state().records.erase(record)) {
        *error = kErrNotFound;
        return 0;
    }
    return 1;
}
#endif

FAKE_EXPORT int32_t CnvAddressBook(uint32_t* error) {
    std::lock_guard g(state().lock);
    if (called("CnvAddressBook", error)) return 0;
    return 1;
}
