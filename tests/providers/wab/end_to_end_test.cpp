// The contacts provider end to end: pdxadmin processes over a profile whose
// WAB service points at a vCard file, through vqcore, vqwabsp and wab32.

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>

#include "core_test_util.h"
#include "pdx/pdx.h"
#include "service_inf.h"
#include "test_environment.h"

namespace {

struct Result {
    int status;
    std::string out;
    std::string err;
};

Result pdxadmin(const std::string& args) {
    Result r;
    r.status = velmo::test::runCommand(velmo::test::binPath("pdxadmin") + " " + args, &r.out, &r.err);
    return r;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
        out.push_back(line.substr(start, tab - start));
    out.push_back(line.substr(start));
    return out;
}

// The contents columns: name, type, address type, e-mail, primary, business
// and home fax, company, department, entry identifier.
enum Column { kName, kType, kAddrType, kEmail, kFax, kBusinessFax, kHomeFax, kCompany, kDepartment, kEntryId };

const char* const kBook =
    "BEGIN:VCARD\r\n"
    "VERSION:3.0\r\n"
    "UID:urn:uuid:6d1c0f2e-0000-4000-8000-000000000001\r\n"
    "FN:林美華\r\n"
    "N:林;美華;;;\r\n"
    "ORG:Example Trading;Sales\r\n"
    "TEL;TYPE=fax,work:+886-2-5555-0101\r\n"
    "EMAIL;TYPE=internet,pref:meihua@example.tw\r\n"
    "END:VCARD\r\n"
    "BEGIN:VCARD\r\n"
    "VERSION:3.0\r\n"
    "UID:urn:uuid:6d1c0f2e-0000-4000-8000-000000000002\r\n"
    "FN:Tom Baker\r\n"
    "TEL;TYPE=fax,home:+44 20 5555 0199\r\n"
    "END:VCARD\r\n"
    "BEGIN:VCARD\r\n"
    "VERSION:4.0\r\n"
    "UID:urn:uuid:6d1c0f2e-0000-4000-8000-000000000003\r\n"
    "KIND:group\r\n"
    "FN:Board\r\n"
    "MEMBER:urn:uuid:6d1c0f2e-0000-4000-8000-000000000001\r\n"
    "MEMBER:urn:uuid:6d1c0f2e-0000-4000-8000-000000000002\r\n"
    "END:VCARD\r\n";

class WabEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        velmo::test::freshRegistry();
        dir_ = velmo::test::makeTempDir("e2e");
    }
    void TearDown() override { pdx::core::setServiceInfPath({}); }

    // "pdxadmin create P --default-services", then the WAB service named and
    // pointed at `vcf` with "pdxadmin configure".
    void makeProfile(const std::string& vcf) {
        Result created = pdxadmin("create P --default-services");
        ASSERT_EQ(created.status, 0) << created.err;
        Result services = pdxadmin("services P");
        ASSERT_EQ(services.status, 0) << services.err;
        const auto row = fields(lines(services.out).at(0));
        ASSERT_EQ(row.at(1), "WAB");
        uid_ = row.at(0);
        Result configured = pdxadmin("configure P " + uid_ + " 0x3001001E=Family 0x6600001E=" +
                                     velmo::test::shellQuote(vcf));
        ASSERT_EQ(configured.status, 0) << configured.err;
    }
    // The test provider over its standard fixture as a second service of the
    // profile; the identifier of its first container ("Customers").
    std::string addTestProvider() {
        pdx::core::setServiceInfPath(coretest::writeTestInf(dir_));
        const std::string fixture = dir_ + "/test.tsv";
        velmo::test::writeFile(fixture, coretest::standardFixture(kTestUid, "22222222222222222222222222222222"));
        coretest::addFixtureService("P", "TESTA", fixture);
        return "00000000" + std::string(kTestUid) + "01000000";
    }
    static constexpr const char* kTestUid = "11111111111111111111111111111111";
    // The identifier of the vCard file's container (named by the file), from the hierarchy.
    std::string container(const std::string& fileName) {
        Result h = pdxadmin("hierarchy P");
        EXPECT_EQ(h.status, 0) << h.err;
        for (const auto& line : lines(h.out))
            if (fields(line).at(1) == fileName) return fields(line).at(4);
        ADD_FAILURE() << h.out;
        return {};
    }
    std::vector<std::vector<std::string>> contents(const std::string& id) {
        Result r = pdxadmin("contents P " + id);
        EXPECT_EQ(r.status, 0) << r.err;
        std::vector<std::vector<std::string>> rows;
        for (const auto& line : lines(r.out)) rows.push_back(fields(line));
        return rows;
    }
    const std::vector<std::string>* find(const std::vector<std::vector<std::string>>& rows, const std::string& name) {
        for (const auto& row : rows)
            if (row.at(kName) == name) return &row;
        return nullptr;
    }

    std::string dir_;
    std::string uid_;
};

} // namespace

TEST_F(WabEndToEnd, HierarchyContentsExpandAndDefaultsOfAVCardFile) {
    const std::string vcf = dir_ + "/family.vcf";
    velmo::test::writeFile(vcf, kBook);
    makeProfile(vcf);
    const std::string own = "00000000" + uid_;

    Result h = pdxadmin("hierarchy P");
    ASSERT_EQ(h.status, 0) << h.err;
    const auto rows = lines(h.out);
    ASSERT_EQ(rows.size(), 2u) << h.out;
    EXPECT_EQ(rows[0], "0\tFamily\t4\t0x0000000a\t" + own + "00");
    const auto book = fields(rows[1]);
    EXPECT_EQ(book.at(1), "family.vcf");
    EXPECT_EQ(book.at(3), "0x00000005") << "modifiable, holding recipients";
    EXPECT_EQ(book.at(4).substr(0, 40), own);

    const auto entries = contents(book.at(4));
    ASSERT_EQ(entries.size(), 3u);
    const auto* mei = find(entries, "林美華");
    ASSERT_NE(mei, nullptr);
    EXPECT_EQ(mei->at(kType), "6");
    EXPECT_EQ(mei->at(kAddrType), "SMTP");
    EXPECT_EQ(mei->at(kEmail), "meihua@example.tw");
    EXPECT_EQ(mei->at(kBusinessFax), "+886-2-5555-0101");
    EXPECT_EQ(mei->at(kCompany), "Example Trading");
    EXPECT_EQ(mei->at(kDepartment), "Sales");
    EXPECT_EQ(mei->at(kEntryId).substr(0, 40), own);
    const auto* tom = find(entries, "Tom Baker");
    ASSERT_NE(tom, nullptr);
    EXPECT_EQ(tom->at(kHomeFax), "+44 20 5555 0199");
    const auto* board = find(entries, "Board");
    ASSERT_NE(board, nullptr);
    EXPECT_EQ(board->at(kType), "8");

    Result members = pdxadmin("expand P " + board->at(kEntryId));
    ASSERT_EQ(members.status, 0) << members.err;
    EXPECT_EQ(members.out, "林美華\t" + mei->at(kEntryId) + "\nTom Baker\t" + tom->at(kEntryId) + "\n");

    Result defaults = pdxadmin("defaults P");
    ASSERT_EQ(defaults.status, 0) << defaults.err;
    EXPECT_EQ(lines(defaults.out).at(0), "pab\t" + book.at(4));
    EXPECT_EQ(lines(defaults.out).at(2), "search-path\t" + book.at(4));

    // The identifiers stay valid for the next session.
    EXPECT_EQ(contents(book.at(4)).size(), 3u);
    EXPECT_EQ(velmo::test::readFile(vcf), kBook) << "reading changes nothing";
}

TEST_F(WabEndToEnd, AThousandContactsCopiedIntoAnotherProviderKeepEveryNameAndNumber) {
    std::string cards;
    std::set<std::pair<std::string, std::string>> expected;
    for (int i = 1; i <= 1000; ++i) {
        char name[32], fax[32];
        std::snprintf(name, sizeof name, "Contact %04d", i);
        std::snprintf(fax, sizeof fax, "+886-2-5555-%04d", i);
        cards += "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:c" + std::to_string(i) + "\r\nFN:" + name +
                 "\r\nTEL;TYPE=fax,work:" + fax + "\r\nEND:VCARD\r\n";
        expected.insert({name, fax});
    }
    const std::string vcf = dir_ + "/many.vcf";
    velmo::test::writeFile(vcf, cards);
    makeProfile(vcf);
    // A second provider in the same profile: the test provider over its fixture.
    const std::string customers = addTestProvider();
    const std::string archive = "00000000" + std::string(kTestUid) + "03000000";
    const std::string wab = container("many.vcf");

    Result copied = pdxadmin("copy-entries P " + wab + " " + archive);
    ASSERT_EQ(copied.status, 0) << copied.err;
    EXPECT_EQ(copied.out, "1000\n");
    std::set<std::pair<std::string, std::string>> got;
    for (const auto& row : contents(archive)) got.insert({row.at(kName), row.at(kBusinessFax)});
    EXPECT_EQ(got, expected);

    // And the other way: the test provider's customers into the vCard file.
    Result back = pdxadmin("copy-entries P " + customers + " " + wab);
    ASSERT_EQ(back.status, 0) << back.err;
    const auto rows = contents(wab);
    const auto* alice = find(rows, "Alice");
    ASSERT_NE(alice, nullptr) << back.out;
    EXPECT_EQ(alice->at(kEmail), "alice@example.com");
    EXPECT_EQ(alice->at(kCompany), "Acme");
    const auto* bob = find(rows, "Bob");
    ASSERT_NE(bob, nullptr);
    EXPECT_EQ(bob->at(kBusinessFax), "02-1111-2222");
    // Lists arrive as vCard groups holding the copied members; the nested list
    // arrives too, and expanding the outer one reaches its members.
    const auto* team = find(rows, "Team");
    ASSERT_NE(team, nullptr);
    EXPECT_EQ(team->at(kType), "8");
    Result teamMembers = pdxadmin("expand P " + team->at(kEntryId));
    ASSERT_EQ(teamMembers.status, 0) << teamMembers.err;
    std::set<std::string> names;
    for (const auto& line : lines(teamMembers.out)) names.insert(fields(line).at(0));
    EXPECT_EQ(names, (std::set<std::string>{"Alice", "Bob", "Carol"})) << teamMembers.out;
    const auto* inner = find(rows, "Inner");
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(inner->at(kType), "8");
    const std::string file = velmo::test::readFile(vcf);
    EXPECT_NE(file.find("FN:Alice"), std::string::npos);
    EXPECT_EQ(file.substr(0, cards.size()), cards) << "the cards that were there stay as they were";
}

// The program's import over the same profile: every recipient of the file's
// container comes into a book, and the file itself is left as it was.
TEST_F(WabEndToEnd, TheProgramsImportReadsTheVCardFileIntoABook) {
    const std::string vcf = dir_ + "/family.vcf";
    velmo::test::writeFile(vcf, kBook);
    makeProfile(vcf);
    const std::string book = dir_ + "/family.abu";
    std::string out, err;
    ASSERT_EQ(velmo::test::runCommand(velmo::test::binPath("lisotrex-convert") +
                                          " --set Env.LogFilePath=" + velmo::test::shellQuote(dir_ + "/run.log") +
                                          " --import pdx:P --container Family/family.vcf --save " +
                                          velmo::test::shellQuote(book) + " --export " +
                                          velmo::test::shellQuote(dir_ + "/family.abk"),
                                      &out, &err),
              0)
        << err;
    const std::string saved = velmo::test::readFile(book);
    // One entry per fax number and e-mail address; the list's members are the
    // same people and come in once.
    EXPECT_EQ(saved.substr(saved.find("\r\n") + 2), "0,Tom Baker,,442055550199,,0\r\n"
                                                     "0,美華 林,,886255550101,Example Trading Sales,0\r\n"
                                                     "1,美華 林,,meihua@example.tw,Example Trading Sales,0\r\n");
    const std::string abk = velmo::test::readFile(dir_ + "/family.abk");
    EXPECT_NE(abk.find("cn: Tom Baker\r\ncnread: Tom Baker\r\nprotocol: t30\r\ndialdata: 442055550199\r\n"),
              std::string::npos)
        << abk;
    EXPECT_NE(abk.find("protocol: smtp\r\nmailaddress: meihua@example.tw\r\n"), std::string::npos) << abk;
    const std::string log = std::regex_replace(velmo::test::readFile(dir_ + "/run.log"),
                                               std::regex("^[^|\\r\\n]* \\| ", std::regex::multiline), "<time> | ");
    EXPECT_EQ(log, "<time> | 匯入 | \r\n"
                   "0001: 無法取得 e-mail 資料。\r\n0002: 無法取得 e-mail 資料。\r\n0003: 無法取得傳真號碼 (1) 資料。\r\n"
                   "<time> | 匯出 | " + dir_ + "/family.abk\r\n");
    EXPECT_EQ(velmo::test::readFile(vcf), kBook);
}

namespace {

// The cards of a vCard file as written here (one property a line): each
// card's FN, UID and MEMBER values.
struct Card {
    std::string name, uid;
    std::vector<std::string> members;
};
std::vector<Card> cardsOf(const std::string& file) {
    std::vector<Card> cards;
    for (std::string line : lines(file)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        auto value = [&](const char* prop) -> std::optional<std::string> {
            const std::string p = prop;
            if (line.rfind(p + ":", 0) == 0) return line.substr(p.size() + 1);
            if (line.rfind(p + ";", 0) == 0) return line.substr(line.find(':') + 1);
            return std::nullopt;
        };
        if (line == "BEGIN:VCARD") cards.emplace_back();
        else if (cards.empty()) continue;
        else if (auto fn = value("FN")) cards.back().name = *fn;
        else if (auto uid = value("UID")) cards.back().uid = *uid;
        else if (auto member = value("MEMBER")) cards.back().members.push_back(*member);
        else if (auto old = value("X-ADDRESSBOOKSERVER-MEMBER")) cards.back().members.push_back(*old);
    }
    return cards;
}
// The name of the card a MEMBER value points at ("" when none).
std::string memberName(const std::vector<Card>& cards, const std::string& member) {
    for (const Card& c : cards)
        if (!c.uid.empty() && (member == c.uid || member == "urn:uuid:" + c.uid)) return c.name;
    return {};
}

} // namespace

// Lists copied with their members: every contact arrives once, and the lists'
// MEMBER lines name those same cards, however many lists hold a contact and
// whether the list or the contact comes first.
TEST_F(WabEndToEnd, ACopiedListAndItsMembersArriveOnceEach) {
    const std::string vcf = dir_ + "/family.vcf";
    velmo::test::writeFile(vcf, "");
    makeProfile(vcf);
    // Customers: Alice, Bob, Team {Alice, Inner, Team}, Inner {Bob, Carol, Alice};
    // Carol lives in another container and comes in only as a member.
    const std::string customers = addTestProvider();
    const std::string wab = container("family.vcf");

    Result copied = pdxadmin("copy-entries P " + customers + " " + wab);
    ASSERT_EQ(copied.status, 0) << copied.err;
    EXPECT_EQ(copied.out, "5\n");
    const std::vector<Card> cards = cardsOf(velmo::test::readFile(vcf));
    std::multiset<std::string> names;
    for (const Card& c : cards) names.insert(c.name);
    EXPECT_EQ(names, (std::multiset<std::string>{"Alice", "Bob", "Carol", "Inner", "Team"}));
    std::map<std::string, std::vector<std::string>> members;
    for (const Card& c : cards)
        for (const std::string& m : c.members) members[c.name].push_back(memberName(cards, m));
    EXPECT_EQ(members["Team"], (std::vector<std::string>{"Alice", "Inner"}));
    EXPECT_EQ(members["Inner"], (std::vector<std::string>{"Bob", "Carol", "Alice"}));
    EXPECT_EQ(members.size(), 2u);

    // Read back through the provider: the list's members are the container's entries.
    const auto rows = contents(wab);
    ASSERT_EQ(rows.size(), 5u);
    const auto* team = find(rows, "Team");
    ASSERT_NE(team, nullptr);
    Result expanded = pdxadmin("expand P " + team->at(kEntryId));
    ASSERT_EQ(expanded.status, 0) << expanded.err;
    std::set<std::string> ids;
    for (const auto& line : lines(expanded.out)) ids.insert(fields(line).at(1));
    std::set<std::string> expected;
    for (const char* name : {"Alice", "Bob", "Carol"}) expected.insert(find(rows, name)->at(kEntryId));
    EXPECT_EQ(ids, expected) << expanded.out;

    // The same copy once more adds a second set, still one card per source entry.
    ASSERT_EQ(pdxadmin("copy-entries P " + customers + " " + wab).status, 0);
    EXPECT_EQ(cardsOf(velmo::test::readFile(vcf)).size(), 10u);
}
