// The export file and the log, each written by a child that is killed at
// random points: the export file is the old or the new one, never torn; the
// log keeps what it held, and only the line being written can be cut short.

#include "files/abk_export.h"
#include "files/log_file.h"
#include "model/document.h"
#include "platform/registry.h"
#include "recording_prompter.h"
#include "settings/preferences.h"
#include "strings/string_ids.h"
#include "strings/strings.h"
#include "crash_kill.h"
#include "test_environment.h"

#include <gtest/gtest.h>
#include <unistd.h>

using namespace lisotrex;
using lisotrex::test::RecordingPrompter;
using velmo::test::makeTempDir;
using velmo::test::readFile;
using velmo::test::writeFile;
namespace I = lisotrex::ids;

namespace {

// A book of `count` fax and e-mail entries whose texts carry `tag`.
void fill(CLisotrexDoc& doc, size_t count, const std::string& tag) {
    for (size_t i = 0; i < count; ++i) {
        std::string n = std::to_string(i);
        doc.m_list.push_back(i % 3 ? std::make_unique<CAddrUserDataObj>(kEntryFax, tag + " Name " + n, "", "02-" + n, tag,
                                                                         int32_t(i % 50), 0, false)
                                   : std::make_unique<CAddrUserDataObj>(kEntryEmail, tag + " Mail " + n, "",
                                                                         "m" + n + "@example.com", tag, 0, 0, false));
    }
}

ExportResult exportTo(const CLisotrexDoc& doc, Preferences& prefs, const std::string& path) {
    RecordingPrompter quiet;
    quiet.exportDialogs.push_back(ExportDialogValues{path, 1, 1});
    quiet.answers = {Answer::Yes};
    Log noLog(quiet, "");
    return exportBook(doc, prefs, noLog, quiet, /*storeChoices*/ false);
}

} // namespace

TEST(WriterKill, KilledExportLeavesOldOrNewFile) {
    const std::string dir = makeTempDir("kill-abk");
    RecordingPrompter ui;
    Preferences prefs;
    prefs.exports.maxExport = 9999;
    MemoryClipboard clip;
    CLisotrexDoc older(ui, prefs, clip), newer(ui, prefs, clip);
    fill(older, 2500, "Old");
    fill(newer, 3000, "New");
    ASSERT_EQ(exportTo(older, prefs, dir + "/old.abk"), ExportResult::Written);
    ASSERT_EQ(exportTo(newer, prefs, dir + "/new.abk"), ExportResult::Written);
    const std::string oldBytes = readFile(dir + "/old.abk"), newBytes = readFile(dir + "/new.abk");
    const std::string target = dir + "/out.abk";

    velmo::test::KillRun run;
    run.prepare = [&](int) {
        platform::closeRegistry(); // a child must not share the parent's store connection
        writeFile(target, oldBytes);
    };
    run.write = [&](int, int i) {
        if (exportTo(i % 2 ? older : newer, prefs, target) != ExportResult::Written) _exit(3);
    };
    run.check = [&](int) {
        std::string now = readFile(target);
        EXPECT_TRUE(now == oldBytes || now == newBytes) << now.size() << " bytes";
    };
    velmo::test::killAtRandomPoints(velmo::test::killPoints(), run);
}

// A kill can cut short only the line being written (the kernel may stop a
// write at a page boundary); everything before it stays, and the next run
// starts on a line of its own.
TEST(WriterKill, KilledLogWriterKeepsEveryWholeLine) {
    const std::string path = makeTempDir("kill-log") + "/run.log";
    const std::string file = "/out/book.abk";
    auto writeRun = [&](int lines) {
        RecordingPrompter quiet;
        Log log(quiet, path);
        if (!log.start(LogOperation::Export, file)) return false;
        for (int k = 0; k < lines; ++k)
            if (!log.writeLine(k, k % 2 ? I::IDS_LOG_READ_LIMIT : I::IDS_LOG_NO_DESTINATION)) return false;
        log.end();
        return true;
    };
    ASSERT_TRUE(writeRun(3));
    const std::string oldBytes = readFile(path);

    // Every record text the runs write, with line breaks as on disk.
    auto onDisk = [](const std::string& text) {
        std::string out;
        for (char c : text) {
            if (c == '\n') out.push_back('\r');
            out.push_back(c);
        }
        return out + "\r\n";
    };
    const std::string texts[] = {onDisk(systemText(I::IDS_LOG_NO_DESTINATION)), onDisk(systemText(I::IDS_LOG_READ_LIMIT))};
    const std::string headerTail = " | " + systemText(I::IDS_LOG_OP_EXPORT) + " | " + file + "\r\n";

    // Whole lines from `pos`: header or record; returns where they stop.
    auto wholeLines = [&](const std::string& s, size_t pos) {
        while (pos < s.size()) {
            size_t colon = s.find(": ", pos);
            if (colon != std::string::npos && colon - pos >= 4 && s.find_first_not_of("0123456789", pos) == colon) {
                size_t start = colon + 2;
                const std::string* whole = nullptr;
                for (const std::string& t : texts)
                    if (s.compare(start, t.size(), t) == 0) whole = &t;
                if (!whole) return pos;
                pos = start + whole->size();
            } else {
                size_t end = s.find("\r\n", pos);
                if (end == std::string::npos || end + 2 - pos < headerTail.size() ||
                    s.compare(end + 2 - headerTail.size(), headerTail.size(), headerTail) != 0)
                    return pos;
                pos = end + 2;
            }
        }
        return pos;
    };
    // What may follow the whole lines: the front of one record or header line.
    auto cutShort = [&](const std::string& rest) {
        size_t colon = rest.find(": ");
        if (colon != std::string::npos && colon >= 4 && rest.find_first_not_of("0123456789") == colon) {
            std::string text = rest.substr(colon + 2);
            for (const std::string& t : texts)
                if (t.compare(0, text.size(), text) == 0) return true;
            return false;
        }
        return rest.find('\n') == std::string::npos;
    };

    velmo::test::KillRun run;
    run.prepare = [&](int) { writeFile(path, oldBytes); };
    run.write = [&](int, int) {
        if (!writeRun(40)) _exit(3);
    };
    run.check = [&](int) {
        const std::string now = readFile(path);
        ASSERT_EQ(now.compare(0, oldBytes.size(), oldBytes), 0) << "the log lost what it held";
        size_t whole = wholeLines(now, oldBytes.size());
        ASSERT_TRUE(cutShort(now.substr(whole))) << "a line torn before the last one, at byte " << whole;
        // The next run starts on a new line and writes whole lines.
        ASSERT_TRUE(writeRun(1));
        const std::string next = readFile(path);
        size_t from = now.size();
        if (whole < now.size()) {
            ASSERT_EQ(next.compare(from, 2, "\r\n"), 0) << "the next run went on in the cut line";
            from += 2;
        }
        EXPECT_EQ(wholeLines(next, from), next.size());
    };
    velmo::test::killAtRandomPoints(velmo::test::killPoints(), run);
}
