// The bridge's recipient records, as a caller hands them to the headless
// selection: records whose fields need not end inside them, a count larger
// than the capacity, records the caller left out. The bridge reads them as the
// preselected recipients, adds a container's rows and writes the result back.
// Whatever comes in, every record written holds its texts within their limits
// and ends each field with a terminator, records the result does not use are
// cleared or left alone as the call contract says, a refused call writes
// nothing, and a second call over the result adds nothing and changes nothing.
//
// Input: capacity byte (0-15), count byte, option byte (bits 0-2 the
// container, bits 3-7 records left out, one bit per record from the first),
// then the records' bytes, 364 per record, zero where the input ends.

#include "../support/fuzz_support.h"

#include "pdx/pdx.h"
#include "platform/module.h"
#include "vqbridge.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <vector>

using namespace velmo::fuzz;
using namespace vqbridge;

namespace {

constexpr char kServiceInf[] =
    "[Services]\n"
    "WAB=Fuzz contacts\n"
    "[Default Services]\n"
    "WAB=Fuzz contacts\n"
    "[WAB]\n"
    "PR_DISPLAY_NAME=Fuzz contacts\n"
    "PR_SERVICE_DLL_NAME=pdxtestsp.dll\n"
    "PR_SERVICE_ENTRY_NAME=TestServiceEntry\n"
    "PR_SERVICE_SUPPORT_FILES=pdxtestsp.dll\n";

constexpr char kSettings[] =
    "[PDX C_IF]\n"
    "FaxNumberPrimary=[Main fax]\nFaxNumberHome=[Home fax]\nFaxNumberBusiness=[Office fax]\n"
    "EmailAddress=[Mail]\nCompFaxNumberHome=(home)\nCompFaxNumberBusiness=(office)\n"
    "CompFaxNumberOther=(other)\nCompEmailAddress=(mail)\n";

// Names and addresses at and over the record limits, in the system code page
// (Big5 here: two-byte characters that must not be cut in half).
constexpr char kBook[] =
    "uid\t46555a5a424f4f4b0000000000000007\n"
    "root\tname=Book\n"
    "container\tkey=people\tname=People\tflags=5\n"
    "container\tkey=inner\tin=people\tname=Inner\tflags=5\n"
    "user\tkey=a\tin=people\tname=Amy Long Name Amy Long Name Amy Long Name Amy Long Name Amy Long Name Amy Long\t"
    "fax=02-1234-5678-9012-3456-7890-1234-5678-9012-3456\tbfax=02-2222\t5802001E=Office text one is long\t"
    "5803001E=Two\temail=amy@example.com\tcompany=A company whose name runs past forty bytes\tdept=Sales\n"
    "user\tkey=b\tin=people\tname=\xa4\xa4\xa4\xe5\xa6\x57\xa6\x72\xa4\xa4\xa4\xe5\xa6\x57\xa6\x72\xa4\xa4\xa4\xe5"
    "\xa6\x57\xa6\x72\xa4\xa4\xa4\xe5\xa6\x57\xa6\x72\xa4\xa4\xa4\xe5\xa6\x57\xa6\x72\xa4\xa4\xa4\xe5\xa6\x57"
    "\xa6\x72\xa4\xa4\xa4\xe5\xa6\x57\xa6\x72\xa4\xa4\xa4\xe5\xa6\x57\xa6\x72\xa4\xa4\xa4\xe5\xa6\x57\xa6\x72"
    "\xa4\xa4\xa4\xe5\xa6\x57\xa6\x72\xa4\xa4\xa4\xe5\xa6\x57\xa6\x72\t"
    "hfax=03-3333\t5805001E=\xa6\xed\xa6\x76\xa6\xed\xa6\x76\xa6\xed\xa6\x76\xa6\xed\xa6\x76\xa6\xed\xa6\x76"
    "\xa6\xed\t3A06001E=Given\t3A11001E=Sur\n"
    "user\tkey=c\tin=inner\tname=Cy\temail=cy@example.com\n"
    "user\tkey=d\tin=inner\tname=Di\taddrtype=FAX\temail=Di@+1-555-0100\n"
    "list\tkey=l\tin=people\tname=Both\tmembers=c,d,a\n";

// Container paths the option byte picks from; null is the default directory.
const char* const kPaths[] = {nullptr, "", "Book/People", "Book/People/Inner", "Book", "Book/Nowhere",
                              "People", "Book/People/Inner/Deeper"};

struct Bridge {
    platform::Module module;
    SelectRecipientsFn select = nullptr;
    void* handle = nullptr;
};

Bridge& bridge() {
    static Bridge* b = [] {
        namespace fs = std::filesystem;
        auto* made = new Bridge;
        const std::string dir = sandbox() + "/install/";
        fs::create_directories(dir);
        for (const char* file : {"vqbridge.so", "vqcore.so", "pdxtestsp.so"})
            fs::copy_file(fs::path(VELMO_BIN_DIR) / file, fs::path(dir) / file, fs::copy_options::overwrite_existing);
        writeFile("install/VQSVC.inf", kServiceInf);
        writeFile("install/Lisotrex.inf", kSettings);
        setenv("PDXTEST_FILE_WAB", writeFile("book.fixture", kBook).c_str(), 1);
        setenv("VELMO_CODEPAGE", "CP950", 1);
        FUZZ_CHECK(made->module.load("vqbridge.dll", dir), made->module.error());
        auto create = made->module.function<CreateProfileFn>(kCreateProfile);
        auto open = made->module.function<OpenAddressBookFn>(kOpenAddressBook);
        made->select = made->module.function<SelectRecipientsFn>(kSelectRecipients);
        FUZZ_CHECK(create && open && made->select, "the bridge lacks an export");
        ServiceDescriptor wab{};
        std::strcpy(wab.serviceName, "WAB");
        FUZZ_CHECK(create("Fuzz", 1, &wab) == 1, "the profile could not be made");
        made->handle = open(0, "Fuzz", 0);
        FUZZ_CHECK(made->handle, "the address book did not open");
        return made;
    }();
    return *b;
}

// The caller's side: the pointer block and the records it points at, each
// record in a block of its own so a write past one is caught.
struct CallerRecords {
    std::vector<std::vector<RecipientRecord>> records;
    std::vector<uint8_t> block;
    CallerRecords(uint32_t capacity, uint32_t leftOut, std::string_view bytes)
        : records(capacity), block(recipientArraySize(capacity)) {
        auto* a = array();
        a->capacity = capacity;
        for (uint32_t i = 0; i < capacity; ++i) {
            a->records[i] = nullptr;
            if (i < 5 && (leftOut >> i & 1)) continue;
            records[i].resize(1);
            std::memset(&records[i][0], 0, sizeof(RecipientRecord));
            const size_t from = size_t(i) * sizeof(RecipientRecord);
            if (from < bytes.size())
                std::memcpy(&records[i][0], bytes.data() + from, std::min(sizeof(RecipientRecord), bytes.size() - from));
            a->records[i] = &records[i][0];
        }
    }
    RecipientArray* array() { return reinterpret_cast<RecipientArray*>(block.data()); }
    bool present(uint32_t i) const { return !records[i].empty(); }
    std::string bytesOf(uint32_t i) const {
        return present(i) ? std::string(reinterpret_cast<const char*>(&records[i][0]), sizeof(RecipientRecord))
                          : std::string();
    }
    std::vector<std::string> snapshot() const {
        std::vector<std::string> all;
        for (uint32_t i = 0; i < records.size(); ++i) all.push_back(bytesOf(i));
        return all;
    }
};

template <size_t N>
void checkField(const char (&field)[N], size_t limit, uint32_t record, const char* name) {
    const size_t length = strnlen(field, N);
    FUZZ_CHECK(length <= limit, std::string("record ") + std::to_string(record) + " " + name + " holds " +
                                    std::to_string(length) + " bytes");
    for (size_t i = length; i < N; ++i)
        FUZZ_CHECK(field[i] == 0, std::string("record ") + std::to_string(record) + " " + name + " is not NUL-padded");
}

void checkWritten(const RecipientRecord& r, uint32_t i) {
    checkField(r.displayName, kDisplayNameLimit, i, "displayName");
    checkField(r.address, kAddressLimit, i, "address");
    checkField(r.company, kCompanyLimit, i, "company");
    checkField(r.department, kCompanyLimit, i, "department");
    checkField(r.faxText1, kFaxTextLimit, i, "faxText1");
    checkField(r.faxText2, kFaxTextLimit, i, "faxText2");
    checkField(r.givenName, kCompanyLimit, i, "givenName");
    checkField(r.surname, kCompanyLimit, i, "surname");
    // The kind is the caller's own for a recipient it handed in, whatever it holds.
    if (r.kind != kFaxRecipient) FUZZ_CHECK(!r.faxText1[0] && !r.faxText2[0], "a record that is no fax carries fax texts");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Bridge& b = bridge();
    Input in(data, size);
    const uint32_t capacity = in.byte() & 15;
    const uint32_t given = in.byte();
    const uint8_t options = in.byte();
    const char* path = kPaths[options & 7];

    CallerRecords caller(capacity, options >> 3, in.rest());
    const std::vector<std::string> before = caller.snapshot();
    uint32_t count = given;
    const HRESULT status = b.select(b.handle, path, &count, caller.array());

    if (status != 0) {
        FUZZ_CHECK(status == pdx::MAPI_E_NOT_FOUND || status == pdx::MAPI_E_TABLE_TOO_BIG ||
                       status == pdx::E_INVALIDARG,
                   "unexpected status " + std::to_string(status));
        FUZZ_CHECK(count == given && caller.snapshot() == before, "a refused selection wrote records");
        return 0;
    }
    // Nothing added: the caller's records and count stay as they were, whatever they hold.
    if (count == given && caller.snapshot() == before) return 0;
    FUZZ_CHECK(count <= capacity, std::to_string(count) + " records written into " + std::to_string(capacity));
    const uint32_t filled = std::min(given, capacity);
    for (uint32_t i = 0; i < capacity; ++i) {
        if (!caller.present(i)) continue;
        const RecipientRecord& r = caller.records[i][0];
        if (i < count)
            checkWritten(r, i);
        else if (i < filled && count != given)
            FUZZ_CHECK(caller.bytesOf(i) == std::string(sizeof(RecipientRecord), '\0'),
                       "record " + std::to_string(i) + " filled on input was not cleared");
        else if (count == given && i >= filled)
            FUZZ_CHECK(caller.bytesOf(i) == before[i], "record " + std::to_string(i) + " past the result changed");
    }
    for (uint32_t i = 0; i < count; ++i)
        FUZZ_CHECK(caller.present(i), "a result record was counted where the caller gave none");

    // What came back is a selection of its own: the same container again adds
    // nothing. OK writes the list again, so the records may come back in
    // another order (names cut to their fields sort otherwise than whole),
    // but they are the same records, and from then on they stay as they are.
    const std::vector<std::string> result = caller.snapshot();
    uint32_t again = count;
    FUZZ_CHECK(b.select(b.handle, path, &again, caller.array()) == 0, "the second selection failed");
    const std::vector<std::string> second = caller.snapshot();
    auto sorted = [](std::vector<std::string> v) {
        std::sort(v.begin(), v.end());
        return v;
    };
    FUZZ_CHECK(again == count && sorted(second) == sorted(result),
               "the second selection changed the records: " + std::to_string(count) + " then " + std::to_string(again));
    uint32_t third = again;
    FUZZ_CHECK(b.select(b.handle, path, &third, caller.array()) == 0, "the third selection failed");
    size_t differs = 0;
    const std::vector<std::string> last = caller.snapshot();
    while (differs < last.size() && last[differs] == second[differs]) ++differs;
    FUZZ_CHECK(third == again && last == second,
               "the third selection changed the records: record " + std::to_string(differs) + ": " +
                   (differs < second.size() ? escaped(second[differs]) : "-") + " became " +
                   (differs < last.size() ? escaped(last[differs]) : "-"));
    return 0;
}
