// Every file, log and message of the headless tool, byte for byte, over a
// corpus of generated exports and books: books of several sizes in two code
// pages, plain and one-touch books, imports in every mode with duplicate
// names, every importer, conversion settings and log outputs. Outputs are
// compared with digests recorded from a known-good build
// (tests/data/output_corpus.txt), so a faster reader or writer cannot change
// a byte unnoticed.
//
// VELMO_RECORD_CORPUS=1 rewrites the recorded digests (only after a change of
// behaviour that is meant); VELMO_CORPUS_KEEP=DIR keeps every output there
// for comparing two builds by hand.

#include "platform/codepage.h"
#include "test_environment.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

using velmo::test::binPath;
using velmo::test::makeTempDir;
using velmo::test::readFile;
using velmo::test::runCommand;
using velmo::test::shellQuote;
using velmo::test::writeFile;

namespace fs = std::filesystem;

namespace {

const std::string kTool = binPath("lisotrex-convert");
const std::string kManifest = std::string(VELMO_SOURCE_DIR) + "/tests/data/output_corpus.txt";

// Deterministic draws, the same on every machine.
class Draw {
public:
    explicit Draw(uint64_t seed) : s_(seed * 2654435761u + 1) {}
    uint32_t next() {
        s_ = s_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<uint32_t>(s_ >> 33);
    }
    uint32_t below(uint32_t n) { return next() % n; }
    bool chance(uint32_t percent) { return below(100) < percent; }
    template <class T> const T& pick(const std::vector<T>& v) { return v[below(static_cast<uint32_t>(v.size()))]; }

private:
    uint64_t s_;
};

std::string repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

// Texts are written in UTF-8 and turned into the run's code page.
struct CodePage {
    std::string name; // VELMO_CODEPAGE
    std::string bytes(const std::string& utf8) const {
        return name == "UTF-8" ? utf8 : platform::convertCodePage(utf8, "UTF-8", name, '?');
    }
};

const std::vector<std::string> kGiven = {"Wei",  "Mei-Ling", "志明", "美玲", "O'Neil", "Ann \"Bud\"",
                                         "",     "家豪",     "Ｊｕｎ", "Yu Ting", repeat("名", 30), "Kai"};
const std::vector<std::string> kSurname = {"Chen", "林", "黃", "Smith, Jr.", "", "Tsai", repeat("Lin", 25), "王"};
const std::vector<std::string> kCompany = {"Velmo", "Northwind, Ltd.", "", "台北 \"海港\" 公司", repeat("Co ", 100),
                                           "A%B"};
const std::vector<std::string> kDepartment = {"Sales", "", "研發部", "R&D, Lab 2", repeat("部", 100), "Back\\Office"};
const std::vector<std::string> kFax = {"+886 (2) 2345-6789 ext.12", "02-555 1234", "", "p12#34*r", "FAX ONLY",
                                       repeat("1-2", 100), "(03) 9876", "886-2-1111"};
const std::vector<std::string> kMailCell = {
    "SMTP:wei@example.com%X400:c=TW;a= ;p=Velmo;",
    "X400:c=TW;a= ;%SMTP:mei@corp.example",
    "SMTP:no-at-sign.example",
    "smtp:lower@example.com",
    "",
    "SMTP:名@例.example",
    "SMTP:a b@c.d",
    "SMTP:" + repeat("x", 300) + "@long.example",
    "X400:only;",
    "SMTP:first@x.example%SMTP:second@y.example",
};

// A cell as an export writes it: enclosed when it holds the delimiter or the
// quote, quotes doubled.
std::string cell(const std::string& text) {
    if (text.find(',') == std::string::npos && text.find('"') == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

std::string exchange5(int rows, uint64_t seed, const CodePage& cp) {
    Draw d(seed);
    std::string out = "Obj-Class,First Name,Last name,Display Name,Company,Department,Fax number,E-mail Addresses,Phone\r\n";
    std::vector<std::pair<std::string, std::string>> earlier;
    for (int i = 0; i < rows; ++i) {
        std::string given = d.pick(kGiven), surname = d.pick(kSurname);
        if (!earlier.empty() && d.chance(8)) std::tie(given, surname) = earlier[d.below(static_cast<uint32_t>(earlier.size()))];
        else earlier.emplace_back(given, surname);
        std::string display = d.chance(80) ? given + " " + surname + std::to_string(i % 7) : "";
        std::string fax = d.chance(60) ? d.pick(kFax) : "";
        std::string mail = d.chance(55) ? d.pick(kMailCell) : "";
        std::vector<std::string> cells = {"mailbox", given, surname, display, d.pick(kCompany), d.pick(kDepartment),
                                          fax, mail, "+886 2 " + std::to_string(1000 + i)};
        std::string line;
        for (size_t c = 0; c < cells.size(); ++c) line += (c ? "," : "") + cell(cp.bytes(cells[c]));
        out += line + "\r\n";
    }
    return out;
}

// Every row with a fax number and an address: two entries a row.
std::string exchange5Both(int rows) {
    std::string out = "First Name,Last name,Display Name,Fax number,E-mail Addresses,Company,Department\r\n";
    for (int i = 0; i < rows; ++i)
        out += "G" + std::to_string(i) + ",S" + std::to_string(i % 5000) + ",,02-" + std::to_string(1000 + i) +
               ",SMTP:g" + std::to_string(i) + "@x.example%X400:c=TW;,\"Co, " + std::to_string(i % 9) + "\",D\r\n";
    return out;
}

// Hand-made rows around the reader's rules.
std::string exchange5Edges() {
    std::string s = "First Name,Last name,Display Name,Fax number,E-mail Addresses,Company,Department\r\n";
    s += "A,B,,02-1,SMTP:a@b.c,Co,Dep\r\n";
    s += "Back\\,slash,Q,,\\\"03\\\",SMTP:q@x.y,,\r\n";               // escaped delimiter and quotes
    s += "\"Open,Quote\",Z,,04,SMTP:z@x.y,\"Co\"tail,Dep\r\n";          // text after a closing quote
    s += ",,Display Only,05,,,\r\n";                                      // display name used
    s += ",,,06,SMTP:nobody@x.y,,\r\n";                                   // no name at all
    s += "Pct%Name,Sur%name,,07%8,%SMTP:g@x.y,C%o,D\r\n";               // group symbols elsewhere
    s += "Long," + repeat("L", 800) + ",,08," + "SMTP:" + repeat("m", 900) + "@x.y,,\r\n";
    s += "Ctl\tTab,Cr\rMid,,09,SMTP:ctl@x.y,,\r\n";
    s += "Nul" + std::string(1, '\0') + "Cut,After,,10,SMTP:n@x.y,,\r\n";
    s += "LF only,Row,,11,SMTP:lf@x.y,,\n";
    s += "Short,Row\r\n";                                                 // fewer columns
    s += "Extra,Cols,,12,SMTP:e@x.y,Co,Dep,more,fields\r\n";
    s += "Quoted\"\"Mid,X,,13,SMTP:m@x.y,,\r\n";
    s += "Esc\\\r\nEnd,Y,,14,SMTP:y@x.y,,\r\n";                          // backslash before the line end
    s += "\r\n";                                                          // an empty line ends the data
    s += "After,Empty,,15,SMTP:after@x.y,,\r\n";
    return s;
}

std::string hexUtf8(const std::string& utf8) {
    static const char* digits = "0123456789ABCDEF";
    std::string out = "X'";
    for (unsigned char c : utf8) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out + "'";
}

std::string exchange2000() {
    std::string s = "displayName,givenName,sn,company,department,facsimileTelephoneNumber,mail\r\n";
    s += hexUtf8("陳 志明") + "," + hexUtf8("志明") + "," + hexUtf8("陳") + ",Velmo,Sales,02-2345,chen@x.example\r\n";
    s += hexUtf8("Emoji 😀 and あ") + ",,,X'4G',X'E9',03-1,\r\n"; // 4-byte, no CP950 form, bad hex, cut short
    s += "Plain,Given,Sur,\"Co, Ltd\",Dep,,plain@x.example\r\n";
    s += "X'E999B3E69DB1,,,,,04-2,\r\n";                                 // no closing quote
    s += ",,,,,05-3,nobody@x.example\r\n";
    s += hexUtf8(repeat("長", 80)) + ",,,,,06-4,\r\n";
    return s;
}

std::string notes(const CodePage& cp, int documents, uint64_t seed) {
    Draw d(seed);
    std::string ff(1, '\f');
    std::string s;
    for (int i = 0; i < documents; ++i) {
        if (d.chance(85)) s += "FirstName:  " + cp.bytes(d.pick(kGiven)) + "\r\n";
        if (d.chance(85)) s += "LastName:  " + cp.bytes(d.pick(kSurname)) + "\r\n";
        if (d.chance(20)) s += "AltFullNameSort:  Alt " + std::to_string(i) + "\r\n";
        if (d.chance(60)) s += "OfficeFAXPhoneNumber:  " + d.pick(kFax) + "\r\n";
        if (d.chance(40)) s += "HomeFAXPhoneNumber:  " + d.pick(kFax) + "\r\n";
        if (d.chance(50)) s += "MailAddress:  user" + std::to_string(i) + "@mail.example\r\n";
        if (d.chance(50)) s += "InternetAddress:  net" + std::to_string(i) + "@net.example\r\n";
        if (d.chance(10)) s += "MailAddress:no-blanks@x.example\r\n";
        if (d.chance(50)) s += "CompanyName:  " + cp.bytes(d.pick(kCompany)) + "\r\n";
        if (d.chance(50)) s += "Department:  " + cp.bytes(d.pick(kDepartment)) + "\r\n";
        if (d.chance(10)) s += "Department:  " + repeat("D", 400) + "\r\n";
        if (d.chance(30)) s += "Unrelated:  field\r\n\r\n";
        if (i + 1 < documents || d.chance(50)) s += ff + "\r\n";
        if (d.chance(5)) s += ff + "\n";
    }
    return s;
}

// A native book; one-touch books carry numbers with gaps, repeats and none.
std::string book(bool oneTouch, int entries, uint64_t seed, const CodePage& cp, int maxOneTouch = 200) {
    Draw d(seed);
    std::string s = std::string(oneTouch ? "1" : "0") + ",Velmo.Lisotrex.Document," + std::to_string(maxOneTouch) +
                    ",1600,1,1," + (d.chance(50) ? "" : "\"C:\\fax, books\\out.abk\"") + "\r\n";
    auto field = [](const std::string& t) {
        std::string out;
        for (char c : t) out += c == '"' ? std::string("\"\"") : std::string(1, c);
        return t.find(',') != std::string::npos ? "\"" + out + "\"" : out;
    };
    for (int i = 0; i < entries; ++i) {
        bool mail = d.chance(40);
        std::string name = d.pick(kGiven) + " " + d.pick(kSurname) + (d.chance(85) ? std::to_string(i) : "");
        std::string dest = mail ? (d.chance(90) ? "u" + std::to_string(i) + "@b.example" : "bad address")
                                : (d.chance(95) ? d.pick(kFax) : "");
        s += std::string(mail ? "1" : "0") + "," + field(cp.bytes(name)) + "," + (d.chance(10) ? "reading" : "") + "," +
             field(dest) + "," + field(cp.bytes(d.pick(kDepartment)));
        if (d.chance(95)) {
            s += "," + std::to_string(d.chance(70) ? 0 : static_cast<int>(d.below(9999999)));
            if (oneTouch) s += "," + (d.chance(80) ? std::to_string(1 + d.below(260)) : std::string());
            if (d.chance(3)) s += ",extra";
        }
        s += d.chance(97) ? "\r\n" : "\n";
    }
    return s;
}

uint64_t fnv1a(const std::string& bytes) {
    uint64_t h = 1469598103934665603ULL;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 1099511628211ULL;
    }
    return h;
}

// The start time in a log's header lines is the one thing that differs
// from run to run.
std::string maskLogTimes(const std::string& log) {
    std::string out;
    size_t pos = 0;
    while (pos < log.size()) {
        size_t end = log.find('\n', pos);
        end = end == std::string::npos ? log.size() : end + 1;
        std::string line = log.substr(pos, end - pos);
        bool numbered = line.size() > 5 && std::isdigit(static_cast<unsigned char>(line[0])) &&
                        line.find(": ") != std::string::npos && line.find(": ") <= 10;
        size_t bar = line.find(" | ");
        if (!numbered && bar != std::string::npos) line = "<when>" + line.substr(bar);
        out += line;
        pos = end;
    }
    return out;
}

struct Scenario {
    std::string name;
    std::string codePage;                       // VELMO_CODEPAGE of the runs
    std::vector<std::string> commands;          // arguments after the tool, run in order
    std::vector<std::string> outputs;           // files compared afterwards
};

class Corpus {
public:
    explicit Corpus(std::string root) : root_(std::move(root)) {}

    // Runs every command in the scenario's own folder (inputs copied in) with
    // its own registry; records status, stdout and stderr of each, then each output.
    void run(const Scenario& sc, const std::map<std::string, std::string>& inputs) {
        std::string dir = root_ + "/" + sc.name;
        fs::create_directories(dir);
        for (const auto& [name, bytes] : inputs) writeFile(dir + "/" + name, bytes);
        int n = 0;
        for (const auto& args : sc.commands) {
            std::string out, err;
            std::string cmd = "cd " + shellQuote(dir) + " && VELMO_REGISTRY=" + shellQuote(dir + "/registry.sqlite3") +
                              " VELMO_CODEPAGE=" + sc.codePage + " " + kTool + " " + args;
            int status = runCommand(cmd, &out, &err);
            std::string step = "run" + std::to_string(++n);
            put(sc.name, step + ".status", std::to_string(status));
            put(sc.name, step + ".stdout", out);
            put(sc.name, step + ".stderr", err);
        }
        for (const auto& file : sc.outputs) {
            std::string path = dir + "/" + file;
            std::string bytes = fs::exists(path) ? readFile(path) : "<missing>";
            put(sc.name, file, file.ends_with(".log") ? maskLogTimes(bytes) : bytes);
        }
    }

    // "scenario output size digest" lines, sorted.
    std::map<std::string, std::string> digests() const { return digests_; }

private:
    void put(const std::string& scenario, const std::string& output, const std::string& bytes) {
        char line[64];
        std::snprintf(line, sizeof line, "%zu %016llx", bytes.size(), static_cast<unsigned long long>(fnv1a(bytes)));
        digests_[scenario + " " + output] = line;
        if (const char* keep = std::getenv("VELMO_CORPUS_KEEP"); keep && *keep) {
            fs::create_directories(std::string(keep) + "/" + scenario);
            writeFile(std::string(keep) + "/" + scenario + "/" + output, bytes);
        }
    }

    std::string root_;
    std::map<std::string, std::string> digests_;
};

std::map<std::string, std::string> readManifest() {
    std::map<std::string, std::string> m;
    std::istringstream in(readFile(kManifest));
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        // "scenario output size digest"
        size_t second = line.find(' ', line.find(' ') + 1);
        m[line.substr(0, second)] = line.substr(second + 1);
    }
    return m;
}

void runAll(Corpus& c) {
    const CodePage utf8{"UTF-8"}, big5{"CP950"};
    const std::string log = " --set Env.LogFilePath=run.log";

    // Exchange 5.x of several sizes, both code pages, with the log.
    for (const CodePage* cp : {&utf8, &big5}) {
        for (int rows : {0, 40, 1500, 9998}) {
            std::string tag = (cp == &utf8 ? "u8-" : "950-") + std::to_string(rows);
            std::map<std::string, std::string> in = {{"in.csv", exchange5(rows, rows + 7, *cp)}};
            c.run({"ex5-" + tag, cp->name,
                   {"--import exchange5:in.csv --export out.abk --save out.abu" + log},
                   {"out.abk", "out.abu", "run.log"}},
                  in);
            if (rows == 1500)
                c.run({"ex5-onetouch-" + tag, cp->name,
                       {"--new onetouch --import exchange5:in.csv --types fax --export out.abk --save out.abu" + log},
                       {"out.abk", "out.abu", "run.log"}},
                      in);
        }
    }
    // Conversion settings.
    std::map<std::string, std::string> mid = {{"in.csv", exchange5(300, 99, utf8)}};
    const std::vector<std::string> settings = {
        "--set Conversion.NameSeq=0 --set Conversion.FaxConvertType=0 --set Conversion.EmailConvertType=0",
        "--set Conversion.NameSeq=1 --set Conversion.FaxConvertType=2 --set Conversion.OutsideWireCode=0,"
        " --set Conversion.DeptConvertType=1",
        "--set Conversion.DeptConvertType=2 --set Conversion.OutsideWireCode=" + repeat("9", 254),
        "--set Conversion.DeptConvertType=3 --types email",
        "--set Conversion.FaxConvertType=1 --set Conversion.OutsideWireCode=8 --types fax --export-types fax",
    };
    for (size_t i = 0; i < settings.size(); ++i)
        c.run({"settings-" + std::to_string(i), "UTF-8",
               {"--import exchange5:in.csv --export out.abk --save out.abu " + settings[i] + log},
               {"out.abk", "out.abu", "run.log"}},
              mid);
    // Reader characters, edge rows, missing columns, 2000 and Notes.
    c.run({"ex5-edges", "UTF-8", {"--import exchange5:in.csv --save out.abu --export out.abk" + log},
           {"out.abu", "out.abk", "run.log"}},
          {{"in.csv", exchange5Edges()}});
    std::string tabbed = exchange5(200, 5, utf8);
    for (char& ch : tabbed)
        if (ch == ',') ch = '\t';
    c.run({"ex5-tab", "UTF-8",
           {"--import exchange5:in.csv --save out.abu --set Exchange.Column=1 --set Exchange.Quote=0"
            " --set Exchange.內容=0" + log},
           {"out.abu", "run.log"}},
          {{"in.csv", tabbed}});
    c.run({"ex5-missing", "UTF-8", {"--import exchange5:in.csv --save out.abu" + log}, {"out.abu", "run.log"}},
          {{"in.csv", "First Name,Last name,E-mail Addresses\r\nA,B,SMTP:a@b.c\r\n"}});
    for (const CodePage* cp : {&utf8, &big5})
        c.run({std::string("ex2000-") + (cp == &utf8 ? "u8" : "950"), cp->name,
               {"--import exchange2000:in.csv --export out.abk --save out.abu" + log},
               {"out.abk", "out.abu", "run.log"}},
              {{"in.csv", exchange2000()}});
    for (const CodePage* cp : {&utf8, &big5}) {
        std::string tag = cp == &utf8 ? "u8" : "950";
        c.run({"notes-" + tag, cp->name,
               {"--import notes:in.txt --export out.abk --save out.abu" + log,
                "--book out.abu --import notes:in.txt --mode update --save again.abu --set Notes.EmailField=1" + log,
                "--import notes:in.txt --save home.abu --set Notes.OfficeFax=0 --set Notes.NotesVersion=0"
                " --set Notes.EmailField=1" + log},
               {"out.abk", "out.abu", "again.abu", "home.abu", "run.log"}},
              {{"in.txt", notes(*cp, 400, 3)}});
    }
    c.run({"notes-empty", "UTF-8", {"--import notes:in.txt --save out.abu" + log}, {"out.abu", "run.log"}},
          {{"in.txt", "nothing: here\r\n\r\n"}});
    c.run({"notes-sep0", "UTF-8", {"--import notes:in.txt --save out.abu --set Notes.SectionCode=0" + log},
           {"out.abu", "run.log"}},
          {{"in.txt", notes(utf8, 60, 11)}});

    // Books: open, save, export, in both kinds and code pages.
    for (const CodePage* cp : {&utf8, &big5}) {
        std::string tag = cp == &utf8 ? "u8" : "950";
        for (int n : {0, 50, 9999}) {
            c.run({"plain-" + tag + "-" + std::to_string(n), cp->name,
                   {"--book in.abu --save out.abu --export out.abk" + log,
                    "--book in.abu --export mail.abk --export-types email --set Export.MaxExport=0" + log},
                   {"out.abu", "out.abk", "mail.abk", "run.log"}},
                  {{"in.abu", book(false, n, n + 1, *cp)}});
        }
        c.run({"onetouch-" + tag, cp->name,
               {"--book in.abu --save out.abu --export out.abk" + log,
                "--book in.abu --import abu:other.abu --mode add-all --save added.abu --export added.abk" + log},
               {"out.abu", "out.abk", "added.abu", "added.abk", "run.log"}},
              {{"in.abu", book(true, 300, 17, *cp, 280)}, {"other.abu", book(false, 120, 18, *cp)}});
    }
    c.run({"book-bad", "UTF-8",
           {"--book full.abu --save out1.abu", "--book bad.abu --save out2.abu", "--book missing.abu",
            "--book sig.abu --export out3.abk"},
           {"out1.abu", "out2.abu", "out3.abk"}},
          {{"full.abu", book(false, 10000, 4, utf8)},
           {"bad.abu", "0,Velmo.Lisotrex.Document,200,1600,1,1,\r\n0,A,,1,,0\r\n2,B,,2,,0\r\n"},
           {"sig.abu", "0,velmo.lisotrex.document,200,1600,1,1,\r\n"}});

    // Imports into books that hold the same names: every mode and answer.
    std::map<std::string, std::string> merge = {{"in.abu", book(false, 400, 21, utf8)},
                                                {"more.csv", exchange5(600, 21, utf8)},
                                                {"same.abu", book(false, 400, 21, utf8)},
                                                {"ot.abu", book(true, 250, 22, utf8)}};
    for (std::string mode : {"update", "update-add", "add-all"}) {
        for (std::string dup : {"match", "skip", "add"}) {
            c.run({"merge-" + mode + "-" + dup, "UTF-8",
                   {"--book in.abu --import exchange5:more.csv --import abu:same.abu --mode " + mode +
                        " --duplicates " + dup + " --save out.abu --export out.abk" + log,
                    "--book ot.abu --import abu:same.abu --import exchange5:more.csv --mode " + mode +
                        " --duplicates " + dup + " --save ot-out.abu --export ot-out.abk" + log},
                   {"out.abu", "out.abk", "ot-out.abu", "ot-out.abk", "run.log"}},
                  merge);
        }
    }
    // Room and book limits: 6015 when an import is cut, 6001 when the book fills.
    c.run({"limits", "UTF-8",
           {"--import exchange5:big.csv --save room.abu" + log,
            "--book nearly.abu --import exchange5:big.csv --mode add-all --save full.abu" + log,
            "--book nearly.abu --import abu:room.abu --save full2.abu" + log},
           {"room.abu", "full.abu", "full2.abu", "run.log"}},
          {{"big.csv", exchange5(9998, 1, utf8)}, {"nearly.abu", book(false, 9000, 2, utf8)}});
    c.run({"room", "UTF-8",
           {"--import exchange5:both.csv --export out.abk --save out.abu" + log,
            "--book out.abu --import exchange5:both.csv --mode update --save again.abu --export again.abk" + log},
           {"out.abk", "out.abu", "again.abu", "again.abk", "run.log"}},
          {{"both.csv", exchange5Both(9998)}});
    c.run({"show-settings", "CP950", {"--show-settings", "--show-settings --set Conversion.OutsideWireCode=9,"}, {}},
          {});
}

} // namespace

TEST(OutputCorpus, EveryFileLogAndMessageAsRecorded) {
    Corpus corpus(makeTempDir("corpus"));
    runAll(corpus);
    auto actual = corpus.digests();
    if (const char* rec = std::getenv("VELMO_RECORD_CORPUS"); rec && *rec == '1') {
        std::string text = "# lisotrex-convert outputs over the generated corpus: scenario, output, size, FNV-1a 64\n";
        for (const auto& [key, value] : actual) text += key + " " + value + "\n";
        writeFile(kManifest, text);
        GTEST_SKIP() << "recorded " << actual.size() << " outputs in " << kManifest;
    }
    auto expected = readManifest();
    ASSERT_FALSE(expected.empty()) << kManifest;
    int differing = 0;
    for (const auto& [key, value] : expected) {
        auto it = actual.find(key);
        if (it == actual.end()) ADD_FAILURE() << key << ": not produced";
        else if (it->second != value && ++differing <= 40)
            ADD_FAILURE() << key << ": " << it->second << ", recorded " << value;
    }
    for (const auto& [key, value] : actual)
        if (!expected.count(key)) ADD_FAILURE() << key << ": not recorded";
    EXPECT_EQ(differing, 0);
}
