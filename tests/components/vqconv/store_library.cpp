#include "store_library.h"

#include <cstring>

#include "platform/system.h"

namespace vqconv::test {

StoreLibrary& library() {
    static StoreLibrary lib = [] {
        StoreLibrary l;
        if (!l.module.load("VQCONV.DLL", platform::printerDriverDirectory())) return l;
        l.open = l.module.function<OpenAddressBookFn>("OpenAddressBook");
        l.close = l.module.function<CloseAddressBookFn>("CloseAddressBook");
        l.getRecordId = l.module.function<GetRecordIdFn>("GetRecordId");
        l.createContact = l.module.function<CreateContactEntryFn>("CreateContactEntry");
        l.createGroup = l.module.function<CreateGroupEntryFn>("CreateGroupEntry");
        l.getProps = l.module.function<GetPropsFn>("GetProps");
        l.setProps = l.module.function<SetPropsFn>("SetProps");
        l.deleteProps = l.module.function<DeletePropsFn>("DeleteProps");
        l.convert = l.module.function<CnvAddressBookFn>("CnvAddressBook");
        return l;
    }();
    return lib;
}

TestElement field(uint32_t code, std::string text) {
    TestElement e;
    e.code = code;
    e.text = std::move(text);
    return e;
}

TestElement member(int32_t id, uint32_t flags, uint8_t fill) {
    TestElement e;
    e.code = kMemberCode;
    e.member = id;
    e.flags = flags;
    for (size_t i = 0; i < e.reserved.size(); ++i) e.reserved[i] = static_cast<uint8_t>(fill + i);
    return e;
}

std::vector<TestElement> writerContact(const std::string& tag, int32_t id, int k) {
    static constexpr uint32_t kCodes[] = {1, 2, 3, 5, 8, 272, 512, 528};
    std::vector<TestElement> elements;
    for (int i = 0; i < k; ++i)
        elements.push_back(field(kCodes[i % 8], tag + ":" + std::to_string(id) + ":" + std::to_string(i) + "/" +
                                                    std::to_string(k)));
    return elements;
}

TestElement writerGroupName(const std::string& tag, int32_t id) { return field(1, tag + ":g" + std::to_string(id)); }

TestElement writerMember(int32_t id) { return member(id, static_cast<uint32_t>(id) % 4, static_cast<uint8_t>(id * 7)); }

std::vector<uint8_t> pack(const std::vector<TestElement>& elements) {
    std::vector<uint8_t> bytes(elements.size() * kElementSlot);
    uint8_t* p = bytes.data();
    for (const TestElement& e : elements) {
        if (e.code == kMemberCode) {
            MemberElement m{kMemberCode, e.member, e.flags, {}};
            std::memcpy(m.reserved, e.reserved.data(), sizeof m.reserved);
            std::memcpy(p, &m, sizeof m);
            p += sizeof m;
        } else {
            FieldElement f{e.code, {}};
            std::memcpy(f.text, e.text.data(), std::min(e.text.size(), sizeof f.text));
            std::memcpy(p, &f, sizeof f);
            p += sizeof f;
        }
    }
    return bytes;
}

std::vector<TestElement> unpack(const uint8_t* p, size_t count) {
    std::vector<TestElement> elements;
    for (size_t i = 0; i < count; ++i) {
        TestElement e;
        std::memcpy(&e.code, p, 4);
        if (e.code == kMemberCode) {
            MemberElement m;
            std::memcpy(&m, p, sizeof m);
            e.member = m.recordId;
            e.flags = m.flags;
            std::memcpy(e.reserved.data(), m.reserved, sizeof m.reserved);
            p += sizeof m;
        } else {
            FieldElement f;
            std::memcpy(&f, p, sizeof f);
            e.text.assign(f.text, strnlen(f.text, sizeof f.text));
            p += sizeof f;
        }
        elements.push_back(std::move(e));
    }
    return elements;
}

OpenBook::OpenBook(const char* path) : handle_(library().open(path, &openError_)) {}

OpenBook::~OpenBook() {
    if (handle_ != kBadHandle) library().close(handle_);
}

bool OpenBook::write(int32_t id, const std::vector<TestElement>& elements, uint32_t* error) {
    std::vector<uint8_t> bytes = pack(elements);
    ElementBuffer buffer{static_cast<uint32_t>(elements.size()), bytes.data()};
    uint32_t word = 0;
    bool ok = library().setProps(handle_, id, &word, &buffer) != 0;
    if (error) *error = word;
    return ok;
}

bool OpenBook::read(int32_t id, std::vector<TestElement>* elements, uint32_t* error) {
    uint32_t word = 0;
    int32_t n = library().getProps(handle_, id, &word, nullptr);
    if (n >= 0) {
        std::vector<uint8_t> bytes(static_cast<size_t>(n) * kElementSlot);
        ElementBuffer buffer{static_cast<uint32_t>(n), bytes.data()};
        n = library().getProps(handle_, id, &word, &buffer);
        if (n >= 0) *elements = unpack(bytes.data(), static_cast<size_t>(n));
    }
    if (error) *error = word;
    return n >= 0;
}

std::vector<int32_t> OpenBook::recordIds() {
    uint32_t word = 0;
    RecordIdList list{0, nullptr};
    if (library().getRecordId(handle_, kAllRecords, &word, &list) < 0) return {};
    std::vector<int32_t> ids(list.count);
    list.ids = ids.data();
    if (library().getRecordId(handle_, kAllRecords, &word, &list) < 0) return {};
    ids.resize(list.count);
    return ids;
}

} // namespace vqconv::test
