#include "selection/record_io.h"

#include <algorithm>
#include <cstring>

#include "platform/codepage.h"
#include "platform/system.h"

namespace vqbridge {

namespace {

template <size_t N>
void put(char (&field)[N], const std::string& text, size_t limit) {
    std::memset(field, 0, N);
    const std::string cut = boundedText(text, std::min(limit, N - 1));
    std::memcpy(field, cut.data(), cut.size());
}

template <size_t N>
std::string get(const char (&field)[N]) {
    return std::string(field, strnlen(field, N));
}

bool recordWritable(RecipientRecord* record) { return platform::isWritable(record, sizeof(RecipientRecord)); }

} // namespace

std::string boundedText(const std::string& text, size_t limit) {
    if (text.size() <= limit) return text;
    const std::string codePage = platform::systemCodePage();
    bool whole = false;
    platform::convertCodePage(text, codePage, "UTF-8", 0, &whole);
    if (whole) {
        // A character is at most four bytes long in any code page we meet.
        for (size_t n = limit; n + 4 > limit && n > 0; --n) {
            bool ok = false;
            platform::convertCodePage(std::string_view(text).substr(0, n), codePage, "UTF-8", 0, &ok);
            if (ok) return text.substr(0, n);
        }
    }
    return text.substr(0, limit);
}

void fillRecord(RecipientRecord& record, const Recipient& r) {
    std::memset(&record, 0, sizeof record);
    put(record.displayName, r.displayName, kDisplayNameLimit);
    put(record.address, r.address, kAddressLimit);
    put(record.company, r.company, kCompanyLimit);
    put(record.department, r.department, kCompanyLimit);
    const bool fax = r.kind == kFaxRecipient;
    put(record.faxText1, fax ? r.faxText1 : std::string(), kFaxTextLimit);
    put(record.faxText2, fax ? r.faxText2 : std::string(), kFaxTextLimit);
    record.kind = r.kind;
    put(record.givenName, r.givenName, kCompanyLimit);
    put(record.surname, r.surname, kCompanyLimit);
}

Recipient recipientOfRecord(const RecipientRecord& record) {
    Recipient r;
    r.displayName = get(record.displayName);
    r.address = get(record.address);
    r.company = get(record.company);
    r.department = get(record.department);
    r.faxText1 = get(record.faxText1);
    r.faxText2 = get(record.faxText2);
    r.kind = record.kind;
    r.givenName = get(record.givenName);
    r.surname = get(record.surname);
    return r;
}

bool arrayUsable(const RecipientArray* array) {
    if (!platform::isReadable(array, sizeof(uint32_t))) return false;
    return platform::isReadable(array, recipientArraySize(array->capacity));
}

std::vector<Recipient> readRecords(const RecipientArray& array, uint32_t count) {
    std::vector<Recipient> out;
    const uint32_t n = std::min(count, array.capacity);
    for (uint32_t i = 0; i < n; ++i)
        if (platform::isReadable(array.records[i], sizeof(RecipientRecord)))
            out.push_back(recipientOfRecord(*array.records[i]));
    return out;
}

void writeRecords(RecipientArray& array, uint32_t& count, uint32_t filledOnInput, const std::vector<Recipient>& list) {
    const uint32_t cleared = std::min(filledOnInput, array.capacity);
    for (uint32_t i = 0; i < cleared; ++i)
        if (recordWritable(array.records[i])) std::memset(array.records[i], 0, sizeof(RecipientRecord));
    count = 0;
    for (const Recipient& r : list) {
        if (count >= array.capacity) break;
        RecipientRecord* record = array.records[count];
        // A record the caller did not give us ends the writing.
        if (!recordWritable(record)) break;
        fillRecord(*record, r);
        ++count;
    }
}

} // namespace vqbridge
