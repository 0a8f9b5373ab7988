#include "tp_store.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <unordered_map>

namespace testprovider {
namespace {

struct TextField {
    const char* name;
    ULONG tag;
};
constexpr TextField kTextFields[] = {
    {"name", PR_DISPLAY_NAME},           {"addrtype", PR_ADDRTYPE},          {"email", PR_EMAIL_ADDRESS},
    {"fax", PR_PRIMARY_FAX_NUMBER},      {"bfax", PR_BUSINESS_FAX_NUMBER}, {"hfax", PR_HOME_FAX_NUMBER},
    {"company", PR_COMPANY_NAME},        {"dept", PR_DEPARTMENT_NAME},
};

std::vector<std::string_view> split(std::string_view s, char sep) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (;;) {
        size_t end = s.find(sep, start);
        parts.push_back(s.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

bool parseUid(std::string_view hex, MAPIUID& uid) {
    if (hex.size() != 32) return false;
    for (size_t i = 0; i < 16; ++i) {
        char* end = nullptr;
        const std::string pair(hex.substr(2 * i, 2));
        uid.ab[i] = BYTE(std::strtoul(pair.c_str(), &end, 16));
        if (*end) return false;
    }
    return true;
}

// A property tag written as 8 hex digits, or 0.
ULONG tagOf(std::string_view hex) {
    if (hex.size() != 8) return 0;
    char* end = nullptr;
    const std::string digits(hex);
    const ULONG tag = ULONG(std::strtoul(digits.c_str(), &end, 16));
    return *end ? 0 : tag;
}

std::string hexOf(ULONG tag) {
    char digits[9];
    std::snprintf(digits, sizeof digits, "%08X", unsigned(tag));
    return digits;
}

bool isNamedField(ULONG tag) {
    for (const auto& f : kTextFields)
        if (f.tag == tag) return true;
    return false;
}

std::string hexOf(const MAPIUID& uid) {
    std::string out;
    char two[3];
    for (BYTE b : uid.ab) {
        std::snprintf(two, sizeof two, "%02x", b);
        out += two;
    }
    return out;
}


} // namespace

HRESULT Store::load(const std::string& path) {
    path_ = path;
    // Read whole and parsed in place: the benchmarks load fixtures of ten
    // thousand entries in every session they open.
    std::string content;
    {
        std::ifstream in(path, std::ios::binary | std::ios::ate);
        if (!in) return MAPI_E_NOT_FOUND;
        const std::streamoff size = in.tellg();
        if (size > 0 && in.seekg(0)) {
            content.resize(size_t(size));
            in.read(content.data(), size);
            content.resize(size_t(in.gcount()));
        }
    }
    records.assign(1, Record{Kind::Root, "root", -1, 0, AB_SUBCONTAINERS, {}, {}, false});
    records.reserve(size_t(std::count(content.begin(), content.end(), '\n')) + 2);
    // Views into `content`, resolved once every key is known.
    std::vector<std::pair<int, std::string_view>> pendingParents, pendingMembers;
    std::string_view rest = content;
    while (!rest.empty()) {
        const size_t eol = rest.find('\n');
        std::string_view line = rest.substr(0, eol);
        rest = eol == std::string_view::npos ? std::string_view() : rest.substr(eol + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line[0] == '#') continue;
        const size_t tab = line.find('\t');
        const std::string_view kind = line.substr(0, tab);
        std::string_view fields = tab == std::string_view::npos ? std::string_view() : line.substr(tab + 1);
        const bool hasFields = tab != std::string_view::npos;
        if (kind == "uid" || kind == "fail") {
            if (!hasFields || fields.find('\t') != std::string_view::npos) return MAPI_E_CORRUPT_DATA;
            if (kind == "fail") {
                openStatus = HRESULT(std::strtoul(std::string(fields).c_str(), nullptr, 16));
                continue;
            }
            MAPIUID uid;
            if (!parseUid(fields, uid)) return MAPI_E_CORRUPT_DATA;
            uids.push_back(uid);
            continue;
        }
        Record r;
        if (kind == "root") r.kind = Kind::Root;
        else if (kind == "container") r.kind = Kind::Container;
        else if (kind == "user") r.kind = Kind::MailUser;
        else if (kind == "list") r.kind = Kind::DistList;
        else return MAPI_E_CORRUPT_DATA;
        std::string_view parent, members;
        while (hasFields) {
            const size_t next = fields.find('\t');
            const std::string_view field = fields.substr(0, next);
            const size_t eq = field.find('=');
            if (eq == std::string_view::npos) return MAPI_E_CORRUPT_DATA;
            const std::string_view name = field.substr(0, eq), value = field.substr(eq + 1);
            bool known = false;
            for (const auto& f : kTextFields)
                if (name == f.name) {
                    r.texts[f.tag] = std::string(value);
                    known = true;
                }
            if (!known) {
                const ULONG tag = tagOf(name);
                if (tag && (PROP_TYPE(tag) == PT_STRING8 || PROP_TYPE(tag) == PT_MV_STRING8)) {
                    r.texts[tag] = std::string(value);
                } else if (name == "notinrows") {
                    for (const auto& hex : split(value, ','))
                        if (const ULONG t = tagOf(hex)) r.notInRows.push_back(t);
                        else return MAPI_E_CORRUPT_DATA;
                } else if (name == "key") r.key = value;
                else if (name == "in") parent = value;
                else if (name == "flags") r.containerFlags = ULONG(std::strtoul(std::string(value).c_str(), nullptr, 10));
                else if (name == "uid") r.uidIndex = std::atoi(std::string(value).c_str());
                else if (name == "members") members = value;
                else return MAPI_E_CORRUPT_DATA;
            }
            if (next == std::string_view::npos) break;
            fields.remove_prefix(next + 1);
        }
        if (r.kind == Kind::Root) {
            records[0].texts = r.texts;
            continue;
        }
        const int index = int(records.size());
        if (!parent.empty()) pendingParents.emplace_back(index, parent);
        if (!members.empty()) pendingMembers.emplace_back(index, members);
        records.push_back(std::move(r));
    }
    std::unordered_map<std::string_view, int> byKey; // views into the records' keys
    byKey.reserve(records.size());
    for (size_t i = 1; i < records.size(); ++i)
        if (!records[i].key.empty()) byKey[records[i].key] = int(i);
    for (const auto& [index, key] : pendingParents) {
        auto it = byKey.find(key);
        if (it == byKey.end()) return MAPI_E_CORRUPT_DATA;
        records[size_t(index)].parent = it->second;
    }
    for (const auto& [index, keys] : pendingMembers)
        for (const auto& key : split(keys, ',')) {
            auto it = byKey.find(key);
            if (it == byKey.end()) return MAPI_E_CORRUPT_DATA;
            records[size_t(index)].members.push_back(it->second);
        }
    if (uids.empty()) return MAPI_E_CORRUPT_DATA;
    return S_OK;
}

HRESULT Store::save() {
    std::ostringstream out;
    for (const auto& uid : uids) out << "uid\t" << hexOf(uid) << '\n';
    if (openStatus) {
        char status[9];
        std::snprintf(status, sizeof status, "%08x", unsigned(openStatus));
        out << "fail\t" << status << '\n';
    }
    auto texts = [&](const Record& r) {
        for (const auto& f : kTextFields)
            if (const std::string* text = r.texts.get(f.tag)) out << '\t' << f.name << '=' << *text;
        for (const auto& [tag, text] : r.texts)
            if (!isNamedField(tag)) out << '\t' << hexOf(tag) << '=' << text;
        for (size_t i = 0; i < r.notInRows.size(); ++i)
            out << (i ? "," : "\tnotinrows=") << hexOf(r.notInRows[i]);
    };
    out << "root";
    texts(records[0]);
    out << '\n';
    for (size_t i = 1; i < records.size(); ++i) {
        const Record& r = records[i];
        if (r.deleted) continue;
        static const char* const kinds[] = {"root", "container", "user", "list"};
        out << kinds[int(r.kind)] << "\tkey=" << r.key;
        if (r.parent > 0 && !records[size_t(r.parent)].deleted) out << "\tin=" << records[size_t(r.parent)].key;
        if (r.kind == Kind::Container) out << "\tflags=" << r.containerFlags;
        if (r.uidIndex) out << "\tuid=" << r.uidIndex;
        texts(r);
        if (r.kind == Kind::DistList) {
            std::string keys;
            for (int m : r.members)
                if (!records[size_t(m)].deleted) keys += (keys.empty() ? "" : ",") + records[size_t(m)].key;
            if (!keys.empty()) out << "\tmembers=" << keys;
        }
        out << '\n';
    }
    const std::string temp = path_ + ".new";
    {
        std::ofstream file(temp, std::ios::trunc);
        file << out.str();
        if (!file.flush()) return MAPI_E_DISK_ERROR;
    }
    return std::rename(temp.c_str(), path_.c_str()) == 0 ? S_OK : MAPI_E_DISK_ERROR;
}

std::vector<uint8_t> Store::entryId(int index) const {
    std::vector<uint8_t> id(kEntryIdSize, 0);
    const int u = records[size_t(index)].uidIndex;
    const MAPIUID& uid = uids[size_t(u) < uids.size() ? size_t(u) : 0];
    std::memcpy(id.data() + 4, uid.ab, 16);
    const ULONG i = ULONG(index);
    std::memcpy(id.data() + 20, &i, 4);
    return id;
}

std::vector<uint8_t> Store::templateId(ULONG objectType) const {
    std::vector<uint8_t> id(kEntryIdSize, 0);
    std::memcpy(id.data() + 4, uids[0].ab, 16);
    const ULONG marker = kTemplateBase | objectType;
    std::memcpy(id.data() + 20, &marker, 4);
    return id;
}

int Store::decode(ULONG cb, const ENTRYID* id, ULONG* templ) const {
    if (templ) *templ = 0;
    if (!id || cb != kEntryIdSize) return -1;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(id);
    bool ours = false;
    for (const auto& uid : uids) ours = ours || std::memcmp(uid.ab, bytes + 4, 16) == 0;
    if (!ours) return -1;
    ULONG index;
    std::memcpy(&index, bytes + 20, 4);
    if ((index & 0xFFFF0000u) == kTemplateBase) {
        if (templ) *templ = index & 0xFFFF;
        return -1;
    }
    if (index >= records.size() || records[index].deleted) return -1;
    return int(index);
}

size_t Store::refs(int index, PropRef (&out)[kMaxRecordProps], uint8_t (&id)[kEntryIdSize],
                   uint8_t (&templ)[kEntryIdSize]) const {
    const Record& r = records[size_t(index)];
    size_t n = 0;
    auto number = [&](ULONG tag, ULONG value) { out[n++] = PropRef{tag, value, {}, nullptr, 0}; };
    auto binary = [&](ULONG tag, const uint8_t* bytes) { out[n++] = PropRef{tag, 0, {}, bytes, kEntryIdSize}; };
    const std::string* name = r.texts.get(PR_DISPLAY_NAME);
    out[n++] = PropRef{PR_DISPLAY_NAME, 0, name ? std::string_view(*name) : std::string_view(), nullptr, 0};
    const std::vector<uint8_t> own = entryId(index);
    std::copy(own.begin(), own.end(), id);
    binary(PR_ENTRYID, id);
    if (r.kind == Kind::Container || r.kind == Kind::DistList) {
        const std::vector<uint8_t> t = templateId(MAPI_MAILUSER);
        std::copy(t.begin(), t.end(), templ);
    }
    switch (r.kind) {
    case Kind::Root:
        number(PR_OBJECT_TYPE, MAPI_ABCONT);
        number(PR_CONTAINER_FLAGS, AB_SUBCONTAINERS);
        number(PR_DEPTH, 0);
        break;
    case Kind::Container:
        number(PR_OBJECT_TYPE, MAPI_ABCONT);
        number(PR_CONTAINER_FLAGS, r.containerFlags);
        binary(PR_DEF_CREATE_MAILUSER, templ);
        break;
    case Kind::MailUser:
        number(PR_OBJECT_TYPE, MAPI_MAILUSER);
        number(PR_DISPLAY_TYPE, 0);
        break;
    case Kind::DistList:
        number(PR_OBJECT_TYPE, MAPI_DISTLIST);
        number(PR_DISPLAY_TYPE, 1);
        out[n++] = PropRef{PR_ADDRTYPE, 0, "MAPIPDL", nullptr, 0};
        binary(PR_DEF_CREATE_MAILUSER, templ);
        break;
    }
    for (const auto& [tag, value] : r.texts) {
        if (n == kMaxRecordProps) break;
        if (tag != PR_DISPLAY_NAME && !(r.kind == Kind::DistList && tag == PR_ADDRTYPE))
            out[n++] = PropRef{tag, 0, value, nullptr, 0};
    }
    return n;
}

size_t Store::rowRefs(int index, PropRef (&out)[kMaxRecordProps], uint8_t (&id)[kEntryIdSize],
                      uint8_t (&templ)[kEntryIdSize]) const {
    const std::vector<ULONG>& left = records[size_t(index)].notInRows;
    const size_t n = refs(index, out, id, templ);
    size_t kept = 0;
    for (size_t i = 0; i < n; ++i)
        if (std::find(left.begin(), left.end(), out[i].tag) == left.end()) out[kept++] = out[i];
    return kept;
}

Props Store::props(int index) const {
    PropRef refs[kMaxRecordProps];
    uint8_t id[kEntryIdSize], templ[kEntryIdSize];
    const size_t n = this->refs(index, refs, id, templ);
    Props p;
    p.reserve(n + 1); // room for the object type an object adds
    for (size_t i = 0; i < n; ++i)
        p.push_back(Prop{refs[i].tag, refs[i].number, std::string(refs[i].text),
                         refs[i].bytes ? std::vector<uint8_t>(refs[i].bytes, refs[i].bytes + refs[i].size)
                                       : std::vector<uint8_t>()});
    return p;
}

std::vector<ULONG> Store::propTags(int index) const {
    std::vector<ULONG> tags;
    for (const auto& p : props(index)) tags.push_back(p.tag);
    const Kind kind = records[size_t(index)].kind;
    if (kind != Kind::MailUser) tags.push_back(PR_CONTAINER_CONTENTS);
    if (kind == Kind::Root || kind == Kind::Container) tags.push_back(PR_CONTAINER_HIERARCHY);
    if (kind == Kind::Container || kind == Kind::DistList) tags.push_back(PR_CREATE_TEMPLATES);
    return tags;
}

int Store::add(Record record) {
    if (record.key.empty()) {
        char key[24];
        std::snprintf(key, sizeof key, "n%zu", records.size());
        record.key = std::string(key);
    }
    records.push_back(std::move(record));
    return int(records.size() - 1);
}

void Store::remove(int index) {
    records[size_t(index)].deleted = true;
    for (auto& r : records) std::erase(r.members, index);
}

std::string Store::name(int index) const {
    const std::string* name = records[size_t(index)].texts.get(PR_DISPLAY_NAME);
    return name ? *name : std::string();
}

HRESULT copyProps(const Allocator& alloc, const Props& props, const SPropTagArray* tags, ULONG* count,
                  SPropValue** out) {
    std::vector<PropRef> refs;
    refs.reserve(props.size());
    for (const auto& p : props)
        refs.push_back(PropRef{p.tag, p.number, p.text, p.bytes.data(), p.bytes.size()});
    return copyRefs(alloc, refs.data(), refs.size(), tags, count, out);
}

HRESULT copyRefs(const Allocator& alloc, const PropRef* props, size_t n, const SPropTagArray* tags, ULONG* count,
                 SPropValue** out) {
    const size_t wanted = tags ? tags->cValues : n;
    SPropValue* values = nullptr;
    HRESULT h = alloc.allocate(ULONG(sizeof(SPropValue) * std::max<size_t>(wanted, 1)), reinterpret_cast<void**>(&values));
    if (FAILED(h)) return h;
    bool missing = false;
    for (size_t i = 0; i < wanted; ++i) {
        SPropValue& v = values[i];
        const PropRef* p = nullptr;
        if (!tags) {
            p = &props[i];
        } else {
            const ULONG tag = tags->aulPropTag[i];
            for (size_t j = 0; j < n && !p; ++j)
                if (PROP_ID(props[j].tag) == PROP_ID(tag) &&
                    (PROP_TYPE(tag) == PT_UNSPECIFIED || PROP_TYPE(tag) == PROP_TYPE(props[j].tag)))
                    p = &props[j];
            if (!p) {
                if (PROP_TYPE(tag) == PT_NULL) {
                    v.ulPropTag = tag;
                } else {
                    v.ulPropTag = CHANGE_PROP_TYPE(tag, PT_ERROR);
                    v.Value.err = MAPI_E_NOT_FOUND;
                    missing = true;
                }
                continue;
            }
        }
        v.ulPropTag = p->tag;
        switch (PROP_TYPE(p->tag)) {
        case PT_STRING8: {
            char* s = nullptr;
            h = alloc.more(ULONG(p->text.size() + 1), values, reinterpret_cast<void**>(&s));
            if (FAILED(h)) break;
            if (!p->text.empty()) std::memcpy(s, p->text.data(), p->text.size());
            s[p->text.size()] = 0;
            v.Value.lpszA = s;
            break;
        }
        case PT_MV_STRING8: {
            const std::vector<std::string_view> items = split(p->text, '|');
            char** list = nullptr;
            h = alloc.more(ULONG(sizeof(char*) * items.size()), values, reinterpret_cast<void**>(&list));
            for (size_t k = 0; SUCCEEDED(h) && k < items.size(); ++k) {
                h = alloc.more(ULONG(items[k].size() + 1), values, reinterpret_cast<void**>(&list[k]));
                if (FAILED(h)) break;
                if (!items[k].empty()) std::memcpy(list[k], items[k].data(), items[k].size());
                list[k][items[k].size()] = 0;
            }
            if (SUCCEEDED(h)) v.Value.MVszA = {ULONG(items.size()), list};
            break;
        }
        case PT_BINARY: {
            BYTE* b = nullptr;
            h = alloc.more(ULONG(p->size), values, reinterpret_cast<void**>(&b));
            if (FAILED(h)) break;
            if (p->size) std::memcpy(b, p->bytes, p->size);
            v.Value.bin = {ULONG(p->size), b};
            break;
        }
        default:
            v.Value.ul = p->number;
        }
        if (FAILED(h)) {
            alloc.free(values);
            return h;
        }
    }
    *count = ULONG(wanted);
    *out = values;
    return missing ? MAPI_W_ERRORS_RETURNED : S_OK;
}

HRESULT copyTags(const Allocator& alloc, const std::vector<ULONG>& tags, SPropTagArray** out) {
    SPropTagArray* array = nullptr;
    HRESULT h = alloc.allocate(ULONG(cbTagArray(ULONG(tags.size()))), reinterpret_cast<void**>(&array));
    if (FAILED(h)) return h;
    array->cValues = ULONG(tags.size());
    std::copy(tags.begin(), tags.end(), array->aulPropTag);
    *out = array;
    return S_OK;
}

HRESULT copyBytesOut(const Allocator& alloc, const std::vector<uint8_t>& bytes, ULONG* cb, ENTRYID** out) {
    void* copy = nullptr;
    HRESULT h = alloc.allocate(ULONG(bytes.size()), &copy);
    if (FAILED(h)) return h;
    std::memcpy(copy, bytes.data(), bytes.size());
    *cb = ULONG(bytes.size());
    *out = static_cast<ENTRYID*>(copy);
    return S_OK;
}

void logEvent(const std::string& line) {
    static std::mutex lock;
    const char* path = std::getenv("PDXTEST_LOG");
    if (!path) return;
    std::lock_guard g(lock);
    if (FILE* f = std::fopen(path, "a")) {
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
}

} // namespace testprovider
