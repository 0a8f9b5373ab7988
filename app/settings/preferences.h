#pragma once
// The user's preferences, kept in the registry under
// HKEY_CURRENT_USER\Software\Velmo\Kavrelo\設定\<section> and read once at start-up.
// Texts are bytes in the system code page.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace lisotrex {

struct ImportSettings {
    std::string path;        // AddrBookPath: last import file
    int32_t source = 0;      // AddrBookType: 0 Exchange, 1 Notes, 2 native book, 3 PDX
    int32_t fax = 1;         // FAX
    int32_t email = 1;       // Email
};

struct ExchangeSettings {
    int32_t version = 0;     // ExchangeVersion: 0 = 5.x, 1 = 2000
    int32_t quote = 1;       // Quote: 0 = "'", 1 = double quote
    int32_t groupSymbol = 3; // 內容: index into ! # $ % & * @ ^
    int32_t column = 0;      // Column: index into , tab space ;
};

struct NotesSettings {
    int32_t version = 1;      // NotesVersion: 0 = 4.x, 1 = 5.x
    int32_t sectionCode = 12; // SectionCode: document separator character
    int32_t officeFax = 1;    // OfficeFax
    int32_t homeFax = 1;      // HomeFax
    int32_t emailField = 0;   // EmailField: 0 mail address, 1 internet address
};

struct ConversionSettings {
    int32_t nameSeq = 2;          // NameSeq
    std::string outsideWireCode;  // OutsideWireCode
    int32_t faxConvertType = 1;   // FaxConvertType: 0 off, 1 build, 2 extract
    int32_t emailConvertType = 1; // EmailConvertType: 0 off, 1 format check
    int32_t deptConvertType = 0;  // DeptConvertType
};

struct ExportSettings {
    int32_t maxExport = 1600;  // MaxExport
    std::string ldifFilePath;  // LdifFilePath
    int32_t fax = 1;           // FAX
    int32_t email = 1;         // Email
};

struct EnvSettings {
    std::string logFilePath;      // LogFilePath: empty = no log
    int32_t oneTouchNumber = 200; // OneTouchNumber
};

struct Preferences {
    ImportSettings import;
    ExchangeSettings exchange;
    NotesSettings notes;
    ConversionSettings conversion;
    ExportSettings exports;
    EnvSettings env;
};

enum class PrefSection { Import, Exchange, Notes, Conversion, Export, Env };

// One preference: where it lives and what it holds.
struct PreferenceInfo {
    PrefSection section;
    int keyId;           // string id of the registry key name
    bool isText;
    int32_t defaultNumber;
};

// The 24 preferences in their documented order.
const std::vector<PreferenceInfo>& preferenceTable();

// English name of a section ("Import", "Exchange", "Notes", "Conversion", "Export", "Env").
std::string_view sectionEnglishName(PrefSection section);
// Registry path of a section below HKEY_CURRENT_USER, in the system code page.
std::string sectionKeyPath(PrefSection section);

// Access to one preference's field.
int32_t* numberField(Preferences& p, const PreferenceInfo& info);
std::string* textField(Preferences& p, const PreferenceInfo& info);
const int32_t* numberField(const Preferences& p, const PreferenceInfo& info);
const std::string* textField(const Preferences& p, const PreferenceInfo& info);
const PreferenceInfo* findPreference(PrefSection section, int keyId);

// Start-up: every key with its default for anything missing; no range checks.
Preferences loadPreferences();

// Writes; registry failures are ignored, as the program always did.
void savePreference(const Preferences& p, PrefSection section, int keyId);
void saveSection(const Preferences& p, PrefSection section);
// The import dialog's OK stores its four keys together.
inline void saveImportSettings(const Preferences& p) { saveSection(p, PrefSection::Import); }

// "--set Section.Key=value" of the headless tool: Section as sectionEnglishName,
// Key the registry key name (UTF-8). Texts are given in UTF-8. False when the
// name is unknown or a number does not parse.
bool overridePreference(Preferences& p, std::string_view sectionDotKey, std::string_view value);
// True when "Section.Key" names a setting overridePreference knows.
bool isPreferenceName(std::string_view sectionDotKey);

} // namespace lisotrex
