// A process that writes records into a store the way the fax provider does
// (open, one call, close), for the tests that need a second process.
//
//   vqconv_writer STORE TAG ROUNDS     ROUNDS rounds of writing (0: until killed)
//   vqconv_writer STORE TAG --fill N   write large records with files limited to N bytes
//
// Prints "ready" once the store is open, then "done CONTACTS GROUPS DELETED"
// or "full FUNCTION WORD LASTGOOD" (--fill), or "error FUNCTION WORD".

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>

#include "store_library.h"

using namespace vqconv;
using namespace vqconv::test;

namespace {

[[noreturn]] void failed(const char* function, uint32_t word) {
    std::printf("error %s %u\n", function, word);
    std::fflush(stdout);
    std::_Exit(2);
}

int32_t create(const char* store, bool group) {
    OpenBook book(store);
    if (book.handle() == kBadHandle) failed("OpenAddressBook", book.openError());
    uint32_t word = 0;
    int32_t id = group ? library().createGroup(book.handle(), &word) : library().createContact(book.handle(), &word);
    if (id == (group ? kNewGroupId : kNewContactId)) failed(group ? "CreateGroupEntry" : "CreateContactEntry", word);
    return id;
}

void write(const char* store, int32_t id, const std::vector<TestElement>& elements) {
    OpenBook book(store);
    uint32_t word = 0;
    if (!book.write(id, elements, &word)) failed("SetProps", word);
}

int fill(const char* store, long limit) {
    std::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead of ending us
    rlimit r{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
    setrlimit(RLIMIT_FSIZE, &r);
    std::vector<TestElement> large;
    for (int i = 0; i < 200; ++i) large.push_back(field(8, std::string(255, static_cast<char>('a' + i % 26))));
    int32_t lastGood = 0;
    for (;;) {
        OpenBook book(store);
        if (book.handle() == kBadHandle) return std::printf("full OpenAddressBook %u %d\n", book.openError(), lastGood), 0;
        uint32_t word = 0;
        int32_t id = library().createContact(book.handle(), &word);
        if (id == kNewContactId) return std::printf("full CreateContactEntry %u %d\n", word, lastGood), 0;
        if (!book.write(id, large, &word)) return std::printf("full SetProps %u %d\n", word, lastGood), 0;
        lastGood = id;
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) return 64;
    const char* store = argv[1];
    std::string tag = argv[2];
    if (!library().open) return 65;
    {
        OpenBook book(store);
        if (book.handle() == kBadHandle) failed("OpenAddressBook", book.openError());
    }
    std::printf("ready\n");
    std::fflush(stdout);
    if (std::string(argv[3]) == "--fill") return argc == 5 ? fill(store, std::atol(argv[4])) : 64;

    long rounds = std::atol(argv[3]);
    std::vector<int32_t> alive;
    int groups = 0, deleted = 0;
    for (long r = 0; rounds == 0 || r < rounds; ++r) {
        int32_t id = create(store, false);
        write(store, id, writerContact(tag, id, 1 + static_cast<int>(r % 7)));
        alive.push_back(id);
        if (r % 4 == 3) {
            int32_t group = create(store, true);
            std::vector<TestElement> elements{writerGroupName(tag, group)};
            for (size_t i = alive.size() >= 3 ? alive.size() - 3 : 0; i < alive.size(); ++i)
                elements.push_back(writerMember(alive[i]));
            write(store, group, elements);
            ++groups;
        }
        if (r % 5 == 4 && alive.size() >= 2) {
            OpenBook book(store);
            uint32_t word = 0;
            if (!library().deleteProps(book.handle(), 0, &word, alive[alive.size() - 2])) failed("DeleteProps", word);
            alive.erase(alive.end() - 2);
            ++deleted;
        }
    }
    std::printf("done %ld %d %d\n", rounds, groups, deleted);
    return 0;
}
