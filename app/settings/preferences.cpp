#include "settings/preferences.h"

#include "platform/codepage.h"
#include "platform/registry.h"
#include "strings/strings.h"

#include <charconv>
#include <optional>

namespace lisotrex {
using namespace ids;

const std::vector<PreferenceInfo>& preferenceTable() {
    static const std::vector<PreferenceInfo> table = {
        {PrefSection::Import, IDS_KEY_ADDR_BOOK_PATH, true, 0},
        {PrefSection::Import, IDS_KEY_ADDR_BOOK_TYPE, false, 0},
        {PrefSection::Import, IDS_KEY_FAX, false, 1},
        {PrefSection::Import, IDS_KEY_EMAIL, false, 1},
        {PrefSection::Exchange, IDS_KEY_EXCHANGE_VERSION, false, 0},
        {PrefSection::Exchange, IDS_KEY_QUOTE, false, 1},
        {PrefSection::Exchange, IDS_KEY_GROUP_SYMBOL, false, 3},
        {PrefSection::Exchange, IDS_KEY_COLUMN, false, 0},
        {PrefSection::Notes, IDS_KEY_NOTES_VERSION, false, 1},
        {PrefSection::Notes, IDS_KEY_SECTION_CODE, false, 12},
        {PrefSection::Notes, IDS_KEY_OFFICE_FAX, false, 1},
        {PrefSection::Notes, IDS_KEY_HOME_FAX, false, 1},
        {PrefSection::Notes, IDS_KEY_EMAIL_FIELD, false, 0},
        {PrefSection::Conversion, IDS_KEY_NAME_SEQ, false, 2},
        {PrefSection::Conversion, IDS_KEY_OUTSIDE_WIRE_CODE, true, 0},
        {PrefSection::Conversion, IDS_KEY_FAX_CONVERT_TYPE, false, 1},
        {PrefSection::Conversion, IDS_KEY_EMAIL_CONVERT_TYPE, false, 1},
        {PrefSection::Conversion, IDS_KEY_DEPT_CONVERT_TYPE, false, 0},
        {PrefSection::Export, IDS_KEY_MAX_EXPORT, false, 1600},
        {PrefSection::Export, IDS_KEY_LDIF_FILE_PATH, true, 0},
        {PrefSection::Export, IDS_KEY_FAX, false, 1},
        {PrefSection::Export, IDS_KEY_EMAIL, false, 1},
        {PrefSection::Env, IDS_KEY_LOG_FILE_PATH, true, 0},
        {PrefSection::Env, IDS_KEY_ONE_TOUCH_NUMBER, false, 200},
    };
    return table;
}

std::string_view sectionEnglishName(PrefSection section) {
    switch (section) {
    case PrefSection::Import: return "Import";
    case PrefSection::Exchange: return "Exchange";
    case PrefSection::Notes: return "Notes";
    case PrefSection::Conversion: return "Conversion";
    case PrefSection::Export: return "Export";
    case PrefSection::Env: return "Env";
    }
    return {};
}

namespace {

// Sub-section names; only "Env" has a string of its own.
std::string subSectionName(PrefSection section) {
    switch (section) {
    case PrefSection::Import: return platform::utf8ToSystem("匯入");
    case PrefSection::Exchange: return "Exchange";
    case PrefSection::Notes: return platform::utf8ToSystem("註解");
    case PrefSection::Conversion: return platform::utf8ToSystem("轉換");
    case PrefSection::Export: return platform::utf8ToSystem("匯出");
    case PrefSection::Env: return systemText(IDS_SECTION_ENV);
    }
    return {};
}

} // namespace

std::string sectionKeyPath(PrefSection section) {
    return "Software\\" + systemText(IDS_REGISTRY_COMPANY) + "\\" + systemText(IDS_APP_TITLE) + "\\" +
           systemText(IDS_SECTION_SETTINGS) + "\\" + subSectionName(section);
}

int32_t* numberField(Preferences& p, const PreferenceInfo& info) {
    switch (info.section) {
    case PrefSection::Import:
        if (info.keyId == IDS_KEY_ADDR_BOOK_TYPE) return &p.import.source;
        if (info.keyId == IDS_KEY_FAX) return &p.import.fax;
        if (info.keyId == IDS_KEY_EMAIL) return &p.import.email;
        break;
    case PrefSection::Exchange:
        if (info.keyId == IDS_KEY_EXCHANGE_VERSION) return &p.exchange.version;
        if (info.keyId == IDS_KEY_QUOTE) return &p.exchange.quote;
        if (info.keyId == IDS_KEY_GROUP_SYMBOL) return &p.exchange.groupSymbol;
        if (info.keyId == IDS_KEY_COLUMN) return &p.exchange.column;
        break;
    case PrefSection::Notes:
        if (info.keyId == IDS_KEY_NOTES_VERSION) return &p.notes.version;
        if (info.keyId == IDS_KEY_SECTION_CODE) return &p.notes.sectionCode;
        if (info.keyId == IDS_KEY_OFFICE_FAX) return &p.notes.officeFax;
        if (info.keyId == IDS_KEY_HOME_FAX) return &p.notes.homeFax;
        if (info.keyId == IDS_KEY_EMAIL_FIELD) return &p.notes.emailField;
        break;
    case PrefSection::Conversion:
        if (info.keyId == IDS_KEY_NAME_SEQ) return &p.conversion.nameSeq;
        if (info.keyId == IDS_KEY_FAX_CONVERT_TYPE) return &p.conversion.faxConvertType;
        if (info.keyId == IDS_KEY_EMAIL_CONVERT_TYPE) return &p.conversion.emailConvertType;
        if (info.keyId == IDS_KEY_DEPT_CONVERT_TYPE) return &p.conversion.deptConvertType;
        break;
    case PrefSection::Export:
        if (info.keyId == IDS_KEY_MAX_EXPORT) return &p.exports.maxExport;
        if (info.keyId == IDS_KEY_FAX) return &p.exports.fax;
        if (info.keyId == IDS_KEY_EMAIL) return &p.exports.email;
        break;
    case PrefSection::Env:
        if (info.keyId == IDS_KEY_ONE_TOUCH_NUMBER) return &p.env.oneTouchNumber;
        break;
    }
    return nullptr;
}

std::string* textField(Preferences& p, const PreferenceInfo& info) {
    if (info.section == PrefSection::Import && info.keyId == IDS_KEY_ADDR_BOOK_PATH) return &p.import.path;
    if (info.section == PrefSection::Conversion && info.keyId == IDS_KEY_OUTSIDE_WIRE_CODE)
        return &p.conversion.outsideWireCode;
    if (info.section == PrefSection::Export && info.keyId == IDS_KEY_LDIF_FILE_PATH) return &p.exports.ldifFilePath;
    if (info.section == PrefSection::Env && info.keyId == IDS_KEY_LOG_FILE_PATH) return &p.env.logFilePath;
    return nullptr;
}

const int32_t* numberField(const Preferences& p, const PreferenceInfo& info) {
    return numberField(const_cast<Preferences&>(p), info);
}

const std::string* textField(const Preferences& p, const PreferenceInfo& info) {
    return textField(const_cast<Preferences&>(p), info);
}

const PreferenceInfo* findPreference(PrefSection section, int keyId) {
    for (const auto& info : preferenceTable())
        if (info.section == section && info.keyId == keyId) return &info;
    return nullptr;
}

Preferences loadPreferences() {
    // Every start reads all of them: one snapshot, not a lock and a key
    // lookup for each value.
    platform::RegReadSnapshot snapshot;
    Preferences p;
    PrefSection opened{};
    platform::RegKey key;
    bool haveKey = false;
    for (const auto& info : preferenceTable()) {
        if (!haveKey || opened != info.section) {
            opened = info.section;
            haveKey = platform::RegKey::open(platform::RegRoot::CurrentUser, sectionKeyPath(info.section), key) ==
                      platform::kRegOk;
        }
        std::string name = systemText(info.keyId);
        if (info.isText) {
            std::string value;
            if (haveKey && key.queryString(name, value) == platform::kRegOk) *textField(p, info) = value;
        } else {
            uint32_t value = 0;
            *numberField(p, info) = haveKey && key.queryDword(name, value) == platform::kRegOk
                                        ? static_cast<int32_t>(value)
                                        : info.defaultNumber;
        }
    }
    return p;
}

namespace {

// The registry already holds this value, with its type and bytes: writing it
// again would change nothing but cost a write transaction. `stored` is the
// section's key, when it exists.
bool alreadyStored(const Preferences& p, const platform::RegKey* stored, const PreferenceInfo& info) {
    if (!stored) return false;
    if (info.isText) {
        const std::string& text = *textField(p, info);
        return stored->holds(systemText(info.keyId), platform::REG_SZ, text.data(), text.size());
    }
    const auto v = static_cast<uint32_t>(*numberField(p, info));
    const uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                          static_cast<uint8_t>(v >> 24)};
    return stored->holds(systemText(info.keyId), platform::REG_DWORD, b, 4);
}

std::optional<platform::RegKey> storedSection(PrefSection section) {
    platform::RegKey key;
    if (platform::RegKey::open(platform::RegRoot::CurrentUser, sectionKeyPath(section), key) != platform::kRegOk)
        return std::nullopt;
    return key;
}

void storePreference(const Preferences& p, PrefSection section, const platform::RegKey* stored,
                     const PreferenceInfo& info) {
    if (alreadyStored(p, stored, info)) return;
    platform::RegKey key;
    if (platform::RegKey::create(platform::RegRoot::CurrentUser, sectionKeyPath(section), key) != platform::kRegOk)
        return;
    if (info.isText) key.setString(systemText(info.keyId), *textField(p, info));
    else key.setDword(systemText(info.keyId), static_cast<uint32_t>(*numberField(p, info)));
}

} // namespace

void savePreference(const Preferences& p, PrefSection section, int keyId) {
    const PreferenceInfo* info = findPreference(section, keyId);
    if (!info) return;
    const auto stored = storedSection(section);
    storePreference(p, section, stored ? &*stored : nullptr, *info);
}

void saveSection(const Preferences& p, PrefSection section) {
    // Mostly nothing has changed: the checks read from one snapshot, through
    // the section's key opened once (a write ends the snapshot; the key stays
    // valid, being found again by its path).
    platform::RegReadSnapshot snapshot;
    const auto stored = storedSection(section);
    for (const auto& info : preferenceTable())
        if (info.section == section) storePreference(p, section, stored ? &*stored : nullptr, info);
}

bool isPreferenceName(std::string_view sectionDotKey) {
    auto dot = sectionDotKey.find('.');
    if (dot == std::string_view::npos) return false;
    std::string_view section = sectionDotKey.substr(0, dot), key = sectionDotKey.substr(dot + 1);
    for (const auto& info : preferenceTable())
        if (sectionEnglishName(info.section) == section && text(info.keyId) == key) return true;
    return false;
}

bool overridePreference(Preferences& p, std::string_view sectionDotKey, std::string_view value) {
    auto dot = sectionDotKey.find('.');
    if (dot == std::string_view::npos) return false;
    std::string_view section = sectionDotKey.substr(0, dot), key = sectionDotKey.substr(dot + 1);
    for (const auto& info : preferenceTable()) {
        if (sectionEnglishName(info.section) != section || text(info.keyId) != key) continue;
        if (info.isText) {
            *textField(p, info) = platform::utf8ToSystem(value);
            return true;
        }
        int32_t n = 0;
        auto [ptr, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
        if (ec != std::errc() || ptr != value.data() + value.size()) return false;
        *numberField(p, info) = n;
        return true;
    }
    return false;
}

} // namespace lisotrex
