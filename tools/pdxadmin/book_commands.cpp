#include "book_commands.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/codepage.h"

using namespace pdx;

namespace pdxadmin {
namespace {

using Id = std::vector<uint8_t>;

int failed(const char* what, HRESULT h) {
    const char* name = statusName(h);
    std::fprintf(stderr, "pdxadmin: %s failed: 0x%08x %s\n", what, static_cast<unsigned>(h), name ? name : "(unknown)");
    return 1;
}

std::string statusText(HRESULT h) {
    const char* name = statusName(h);
    char text[64];
    std::snprintf(text, sizeof text, "0x%08x %s", static_cast<unsigned>(h), name ? name : "(unknown)");
    return text;
}

std::string hex(const uint8_t* bytes, size_t count) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < count; ++i) {
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 0xF];
    }
    return out;
}

bool parseHex(const char* text, Id& out) {
    const size_t n = std::strlen(text);
    if (n == 0 || n % 2) return false;
    out.clear();
    for (size_t i = 0; i < n; i += 2) {
        int value = 0;
        for (size_t j = i; j < i + 2; ++j) {
            const char c = text[j];
            const int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
            if (d < 0) return false;
            value = value * 16 + d;
        }
        out.push_back(uint8_t(value));
    }
    return true;
}

ENTRYID* eid(Id& id) { return reinterpret_cast<ENTRYID*>(id.data()); }

// One printable column value; a missing one is empty.
std::string valueText(const SPropValue& v, ULONG tag) {
    if (v.ulPropTag != tag) return {};
    switch (PROP_TYPE(tag)) {
    case PT_STRING8: return v.Value.lpszA ? platform::systemToUtf8(v.Value.lpszA) : std::string();
    case PT_BINARY: return hex(v.Value.bin.lpb, v.Value.bin.cb);
    case PT_LONG: return std::to_string(v.Value.l);
    default: return {};
    }
}

const SPropValue* findValue(const SPropValue* values, ULONG count, ULONG tag) {
    for (ULONG i = 0; values && i < count; ++i)
        if (values[i].ulPropTag == tag) return &values[i];
    return nullptr;
}

class Book {
public:
    explicit Book(const CoreCalls& core) : core_(core) {}
    ~Book() {
        book_.reset();
        session_.reset();
    }

    HRESULT open(const char* profile) {
        const bool byDefault = std::strcmp(profile, "--default") == 0;
        return core_.open(0, byDefault ? nullptr : profile, byDefault ? MAPI_USE_DEFAULT : 0, 0, 0, 0, book_.out(),
                          session_.out());
    }
    IAddrBook* book() { return book_.get(); }
    IPDXSession* session() { return session_.get(); }
    const CoreCalls& core() const { return core_; }

    HRESULT openEntry(Id* id, object_ptr<IUnknown>& out, ULONG* type = nullptr) {
        ULONG t = 0;
        HRESULT h = id ? book_->OpenEntry(ULONG(id->size()), eid(*id), nullptr, 0, &t, out.out())
                       : book_->OpenEntry(0, nullptr, nullptr, 0, &t, out.out());
        if (type) *type = t;
        return h;
    }

    // Every row of the table in batches, columns as given.
    template <class Each>
    HRESULT eachRow(IMAPITable* table, const SPropTagArray* columns, Each each) {
        HRESULT h = columns ? table->SetColumns(columns, 0) : S_OK;
        if (SUCCEEDED(h)) h = table->SeekRow(BOOKMARK_BEGINNING, 0, nullptr);
        while (SUCCEEDED(h)) {
            rowset_ptr rows(core_.freeProws);
            h = table->QueryRows(100, 0, rows.out());
            if (FAILED(h) || rows->cRows == 0) break;
            for (ULONG i = 0; i < rows->cRows; ++i) each(rows->aRow[i]);
        }
        return FAILED(h) ? h : S_OK;
    }

private:
    const CoreCalls& core_;
    object_ptr<IPDXSession> session_;
    object_ptr<IAddrBook> book_;
};

int hierarchy(Book& b) {
    object_ptr<IUnknown> root;
    if (HRESULT h = b.openEntry(nullptr, root); FAILED(h)) return failed("OpenEntry", h);
    object_ptr<IMAPITable> table;
    if (HRESULT h = reinterpret_cast<IABContainer*>(root.get())->GetHierarchyTable(CONVENIENT_DEPTH, table.out());
        FAILED(h))
        return failed("GetHierarchyTable", h);
    struct { ULONG c; ULONG t[5]; } cols = {5, {PR_DEPTH, PR_DISPLAY_NAME, PR_OBJECT_TYPE, PR_CONTAINER_FLAGS, PR_ENTRYID}};
    HRESULT h = b.eachRow(table.get(), reinterpret_cast<SPropTagArray*>(&cols), [](const SRow& row) {
        const SPropValue* v = row.lpProps;
        char flags[16] = "";
        if (v[3].ulPropTag == PR_CONTAINER_FLAGS) std::snprintf(flags, sizeof flags, "0x%08x", v[3].Value.ul);
        std::printf("%s\t%s\t%s\t%s\t%s\n", valueText(v[0], PR_DEPTH).c_str(), valueText(v[1], PR_DISPLAY_NAME).c_str(),
                    valueText(v[2], PR_OBJECT_TYPE).c_str(), flags, valueText(v[4], PR_ENTRYID).c_str());
    });
    return FAILED(h) ? failed("QueryRows", h) : 0;
}

int contents(Book& b, Id id) {
    object_ptr<IUnknown> opened;
    if (HRESULT h = b.openEntry(&id, opened); FAILED(h)) return failed("OpenEntry", h);
    object_ptr<IMAPITable> table;
    if (HRESULT h = reinterpret_cast<IMAPIContainer*>(opened.get())->GetContentsTable(0, table.out()); FAILED(h))
        return failed("GetContentsTable", h);
    struct { ULONG c; ULONG t[10]; } cols = {
        10,
        {PR_DISPLAY_NAME, PR_OBJECT_TYPE, PR_ADDRTYPE, PR_EMAIL_ADDRESS, PR_PRIMARY_FAX_NUMBER, PR_BUSINESS_FAX_NUMBER,
         PR_HOME_FAX_NUMBER, PR_COMPANY_NAME, PR_DEPARTMENT_NAME, PR_ENTRYID}};
    HRESULT h = b.eachRow(table.get(), reinterpret_cast<SPropTagArray*>(&cols), [&](const SRow& row) {
        std::string line;
        for (ULONG i = 0; i < cols.c; ++i) {
            if (i) line += '\t';
            if (i < row.cValues) line += valueText(row.lpProps[i], cols.t[i]);
        }
        std::printf("%s\n", line.c_str());
    });
    return FAILED(h) ? failed("QueryRows", h) : 0;
}

int expand(Book& b, Id id) {
    // The list's own object type, as the caller of ExpandDistLists gives it.
    ULONG type = 0;
    {
        object_ptr<IUnknown> opened;
        if (HRESULT h = b.openEntry(&id, opened, &type); FAILED(h)) return failed("OpenEntry", h);
    }
    const CoreCalls& core = b.core();
    ADRLIST* list = nullptr;
    SPropValue* values = nullptr;
    void* bytes = nullptr;
    HRESULT h = core.allocateBuffer(ULONG(cbAdrList(1)), reinterpret_cast<void**>(&list));
    if (SUCCEEDED(h)) h = core.allocateBuffer(3 * sizeof(SPropValue), reinterpret_cast<void**>(&values));
    if (SUCCEEDED(h)) h = core.allocateMore(ULONG(id.size()), values, &bytes);
    if (FAILED(h)) {
        if (values) core.freeBuffer(values);
        if (list) core.freeBuffer(list);
        return failed("PDXAllocateBuffer", h);
    }
    std::memcpy(bytes, id.data(), id.size());
    values[0].ulPropTag = PR_ENTRYID;
    values[0].Value.bin = {ULONG(id.size()), static_cast<BYTE*>(bytes)};
    values[1].ulPropTag = PR_OBJECT_TYPE;
    values[1].Value.ul = type;
    values[2].ulPropTag = PR_RECIPIENT_TYPE;
    values[2].Value.ul = MAPI_TO;
    list->cEntries = 1;
    list->aEntries[0] = {0, 3, values};
    h = b.session()->ExpandDistLists(0, &list);
    adrlist_ptr owned(list, core.freePadrlist);
    if (FAILED(h)) return failed("ExpandDistLists", h);
    for (ULONG i = 0; i < list->cEntries; ++i) {
        const ADRENTRY& e = list->aEntries[i];
        const SPropValue* name = findValue(e.rgPropVals, e.cValues, PR_DISPLAY_NAME);
        const SPropValue* entry = findValue(e.rgPropVals, e.cValues, PR_ENTRYID);
        std::printf("%s\t%s\n", name ? valueText(*name, PR_DISPLAY_NAME).c_str() : "",
                    entry ? valueText(*entry, PR_ENTRYID).c_str() : "");
    }
    return 0;
}

int defaults(Book& b) {
    const CoreCalls& core = b.core();
    auto one = [&](const char* label, HRESULT (IAddrBook::*get)(ULONG*, ENTRYID**)) {
        ULONG n = 0;
        ENTRYID* id = nullptr;
        const HRESULT h = (b.book()->*get)(&n, &id);
        buffer_ptr<ENTRYID> owned(SUCCEEDED(h) ? id : nullptr, core.freeBuffer);
        std::printf("%s\t%s\n", label,
                    SUCCEEDED(h) ? hex(reinterpret_cast<uint8_t*>(id), n).c_str() : statusText(h).c_str());
    };
    one("pab", &IAddrBook::GetPAB);
    one("default-dir", &IAddrBook::GetDefaultDir);
    rowset_ptr path(core.freeProws);
    const HRESULT h = b.book()->GetSearchPath(0, path.out());
    std::string ids;
    if (SUCCEEDED(h)) {
        for (ULONG i = 0; i < path->cRows; ++i) {
            const SRow& row = path->aRow[i];
            if (i) ids += ',';
            if (row.cValues) ids += valueText(row.lpProps[0], PR_ENTRYID);
        }
    }
    std::printf("search-path\t%s\n", SUCCEEDED(h) ? ids.c_str() : statusText(h).c_str());
    return 0;
}

int copyEntries(Book& b, Id from, Id to) {
    object_ptr<IUnknown> source, dest;
    if (HRESULT h = b.openEntry(&from, source); FAILED(h)) return failed("OpenEntry", h);
    if (HRESULT h = b.openEntry(&to, dest); FAILED(h)) return failed("OpenEntry", h);
    buffer_ptr<SPropProblemArray> problems(b.core().freeBuffer);
    HRESULT h = reinterpret_cast<IABContainer*>(source.get())
                    ->CopyTo(0, nullptr, nullptr, 0, nullptr, &IID_IABContainer, dest.get(), 0, problems.out());
    if (FAILED(h)) return failed("CopyTo", h);
    object_ptr<IMAPITable> table;
    if (h = reinterpret_cast<IABContainer*>(dest.get())->GetContentsTable(0, table.out()); FAILED(h))
        return failed("GetContentsTable", h);
    ULONG count = 0;
    if (h = table->GetRowCount(0, &count); FAILED(h)) return failed("GetRowCount", h);
    std::printf("%u\n", count);
    return 0;
}

int deleteEntries(Book& b, std::vector<Id> ids) {
    object_ptr<IUnknown> root;
    if (HRESULT h = b.openEntry(nullptr, root); FAILED(h)) return failed("OpenEntry", h);
    std::vector<SBinary> bins;
    for (auto& id : ids) bins.push_back({ULONG(id.size()), id.data()});
    ENTRYLIST list{ULONG(bins.size()), bins.data()};
    HRESULT h = reinterpret_cast<IABContainer*>(root.get())->DeleteEntries(&list, 0);
    return FAILED(h) ? failed("DeleteEntries", h) : 0;
}

// The provider's dialog for a new entry in the container; the new entry's
// identifier is printed when the dialog saved one.
int newEntry(Book& b, Id container) {
    ULONG cb = 0;
    ENTRYID* made = nullptr;
    HRESULT h = b.book()->NewEntry(0, 0, ULONG(container.size()), eid(container), 0, nullptr, &cb, &made);
    buffer_ptr<ENTRYID> owned(SUCCEEDED(h) ? made : nullptr, b.core().freeBuffer);
    if (FAILED(h)) return failed("NewEntry", h);
    if (made && cb) std::printf("%s\n", hex(reinterpret_cast<uint8_t*>(made), cb).c_str());
    return 0;
}

// The provider's dialog for an existing entry.
int details(Book& b, Id id) {
    ULONG_PTR window = 0;
    HRESULT h = b.book()->Details(&window, nullptr, nullptr, ULONG(id.size()), eid(id), nullptr, nullptr, nullptr, 0);
    return FAILED(h) ? failed("Details", h) : 0;
}

} // namespace

bool isBookCommand(const char* command) {
    for (const char* known : {"hierarchy", "contents", "expand", "defaults", "copy-entries", "delete-entries",
                              "new-entry", "details"})
        if (std::strcmp(command, known) == 0) return true;
    return false;
}

bool isDialogCommand(const char* command) {
    return std::strcmp(command, "new-entry") == 0 || std::strcmp(command, "details") == 0;
}

int runBookCommand(const CoreCalls& core, int argc, char** argv) {
    const std::string cmd = argv[0];
    std::vector<Id> ids;
    for (int i = 2; i < argc; ++i) {
        Id id;
        if (!parseHex(argv[i], id)) return 2;
        ids.push_back(std::move(id));
    }
    const bool shapeOk = ((cmd == "hierarchy" || cmd == "defaults") && argc == 2) ||
                         ((cmd == "contents" || cmd == "expand" || cmd == "new-entry" || cmd == "details") &&
                          argc == 3) ||
                         (cmd == "copy-entries" && argc == 4) || (cmd == "delete-entries" && argc >= 3);
    if (!shapeOk) return 2;
    Book book(core);
    if (HRESULT h = book.open(argv[1]); FAILED(h)) return failed("PDXOpen", h);
    if (cmd == "hierarchy") return hierarchy(book);
    if (cmd == "contents") return contents(book, ids[0]);
    if (cmd == "expand") return expand(book, ids[0]);
    if (cmd == "defaults") return defaults(book);
    if (cmd == "copy-entries") return copyEntries(book, ids[0], ids[1]);
    if (cmd == "new-entry") return newEntry(book, ids[0]);
    if (cmd == "details") return details(book, ids[0]);
    return deleteEntries(book, std::move(ids));
}

} // namespace pdxadmin
