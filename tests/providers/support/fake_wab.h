#pragma once
// A scripted stand-in for the contacts component, built as a module that
// exports WABOpen and a file version, so the provider loads it exactly as it
// loads the real one. It keeps a tiny address book in memory, answers from
// its own tracked heap, logs every call with the identifiers it received,
// and counts its live objects. Tests reach it through fakeWab().
//
// The book: the root container (no identifier) lists the container
// "Contacts"; Contacts holds the mail users Alice and Bob and the list Team
// (whose member is Alice). Every identifier is 40 bytes.

#include <map>
#include <string>
#include <vector>

#include "pdx/pdx.h"
#include "tracked_heap.h"

namespace wabtest {

using Bytes = std::vector<pdx::BYTE>;

constexpr pdx::ULONG PR_WAB_DL_PARENTS = 0x800B1102;

struct FakeValue {
    pdx::ULONG tag = 0;
    pdx::LONG number = 0;
    std::string text;
    Bytes binary;
    std::vector<Bytes> binaries; // PT_MV_BINARY
};

struct FakeEntry {
    pdx::ULONG type = 0; // 4 container, 6 mail user, 8 list
    std::vector<FakeValue> props;
    std::vector<Bytes> members; // containers and lists: their contents, in order
    const FakeValue* find(pdx::ULONG tag) const;
    void set(const FakeValue& v);
    void setText(pdx::ULONG tag, const std::string& s);
    void setNumber(pdx::ULONG tag, pdx::LONG n);
    void setBinary(pdx::ULONG tag, const Bytes& b);
};

struct FakeWab {
    TrackedHeap heap;
    std::vector<std::string> calls;
    std::map<Bytes, FakeEntry> entries;
    FakeEntry root;
    Bytes contacts, alice, bob, team, mailUserTemplate, listTemplate;
    // The containers the root's hierarchy table lists (Contacts).
    std::vector<Bytes> hierarchy;

    // WABOpen's parameter block as it came.
    pdx::ULONG paramSize = 0;
    pdx::ULONG paramFlags = 0;
    bool fileGiven = false;
    std::string file;
    pdx::ULONG_PTR hwnd = 0;
    pdx::HRESULT openResult = pdx::S_OK;
    // Team's record of its containers; without it the list's parent is the PAB.
    bool listKnowsParent = true;
    // CreateEntry on a list fails for these templates.
    std::vector<Bytes> refusedMembers;

    int liveObjects = 0;
    int counter = 0;

    void reset();
    Bytes newId(char kind);
    // Whether some logged call starts with `prefix`.
    bool called(const std::string& prefix) const;
    FakeEntry* entry(const Bytes& id);
};

inline std::string hexOf(const Bytes& b) {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (pdx::BYTE c : b) {
        s += digits[c >> 4];
        s += digits[c & 15];
    }
    return s;
}

// ---- the book's data


inline const FakeValue* FakeEntry::find(pdx::ULONG tag) const {
    for (const auto& v : props)
        if (v.tag == tag) return &v;
    return nullptr;
}
inline void FakeEntry::set(const FakeValue& v) {
    for (auto& p : props)
        if (pdx::PROP_ID(p.tag) == pdx::PROP_ID(v.tag)) {
            p = v;
            return;
        }
    props.push_back(v);
}
inline void FakeEntry::setText(pdx::ULONG tag, const std::string& s) {
    FakeValue v;
    v.tag = tag;
    v.text = s;
    set(v);
}
inline void FakeEntry::setNumber(pdx::ULONG tag, pdx::LONG n) {
    FakeValue v;
    v.tag = tag;
    v.number = n;
    set(v);
}
inline void FakeEntry::setBinary(pdx::ULONG tag, const Bytes& b) {
    FakeValue v;
    v.tag = tag;
    v.binary = b;
    set(v);
}

inline Bytes FakeWab::newId(char kind) {
    Bytes id(40);
    id[0] = pdx::BYTE(kind);
    id[1] = pdx::BYTE(++counter);
    for (size_t i = 2; i < id.size(); ++i) id[i] = pdx::BYTE(0xA0 + i);
    return id;
}

inline FakeEntry* FakeWab::entry(const Bytes& id) {
    auto it = entries.find(id);
    return it == entries.end() ? nullptr : &it->second;
}

inline bool FakeWab::called(const std::string& prefix) const {
    for (const auto& c : calls)
        if (c.compare(0, prefix.size(), prefix) == 0) return true;
    return false;
}

inline void FakeWab::reset() {
    heap.clear();
    calls.clear();
    entries.clear();
    root = {};
    counter = 0;
    paramSize = paramFlags = 0;
    fileGiven = false;
    file.clear();
    hwnd = 0;
    openResult = pdx::S_OK;
    listKnowsParent = true;
    refusedMembers.clear();

    root.type = 4;
    root.setText(pdx::PR_DISPLAY_NAME, "WAB");
    contacts = newId('C');
    alice = newId('U');
    bob = newId('U');
    team = newId('L');
    mailUserTemplate = newId('T');
    listTemplate = newId('D');
    hierarchy = {contacts};

    FakeEntry c;
    c.type = 4;
    c.setText(pdx::PR_DISPLAY_NAME, "Contacts");
    c.setBinary(pdx::PR_ENTRYID, contacts);
    c.setNumber(pdx::PR_OBJECT_TYPE, 4);
    c.setNumber(pdx::PR_CONTAINER_FLAGS, 0x4); // AB_MODIFIABLE
    c.setNumber(pdx::PR_DEPTH, 0);
    c.setBinary(pdx::PR_DEF_CREATE_MAILUSER, mailUserTemplate);
    c.setBinary(pdx::PR_DEF_CREATE_DL, listTemplate);
    c.members = {alice, bob, team};
    entries[contacts] = c;

    for (auto [id, name] : {std::pair{alice, "Alice"}, std::pair{bob, "Bob"}}) {
        FakeEntry u;
        u.type = 6;
        u.setText(pdx::PR_DISPLAY_NAME, name);
        u.setBinary(pdx::PR_ENTRYID, id);
        u.setNumber(pdx::PR_OBJECT_TYPE, 6);
        u.setText(pdx::PR_EMAIL_ADDRESS, std::string(name) + "@example.org");
        entries[id] = u;
    }
    FakeEntry t;
    t.type = 8;
    t.setText(pdx::PR_DISPLAY_NAME, "Team");
    t.setBinary(pdx::PR_ENTRYID, team);
    t.setNumber(pdx::PR_OBJECT_TYPE, 8);
    FakeValue parents;
    parents.tag = PR_WAB_DL_PARENTS;
    parents.binaries = {contacts};
    t.set(parents);
    t.members = {alice};
    entries[team] = t;
}

} // namespace wabtest

using FakeWabFn = wabtest::FakeWab* (*)();
