#pragma once
// Opening the contacts component and reading it the way the PDX layer does.

#include <map>
#include <string>
#include <vector>

#include "pdx/pdx.h"

namespace wabtest {

// A copy of a corpus file in a fresh folder.
std::string corpusCopy(const std::string& name);

struct Wab {
    pdx::IAddrBook* ab = nullptr;
    pdx::IWABObject* wab = nullptr;
    Wab() = default;
    Wab(const Wab&) = delete;
    ~Wab() { close(); }
    pdx::HRESULT open(const std::string& path, pdx::ULONG flags = 0);
    void close();
};

// Values by tag: strings as they are, binaries as bytes, numbers as decimal
// text; error values are left out.
using Row = std::map<pdx::ULONG, std::string>;
Row toRow(const pdx::SPropValue* values, pdx::ULONG count);

// SetColumns, SeekRow to the beginning, then QueryRows(1) until no row is left.
std::vector<Row> readTable(pdx::IMAPITable* table, const std::vector<pdx::ULONG>& columns);
// The file's container, found through the root's hierarchy table.
pdx::IABContainer* openContainer(pdx::IAddrBook* ab);
std::vector<Row> contents(pdx::IAddrBook* ab, const std::vector<pdx::ULONG>& columns);
// The row whose display name is `name`.
Row rowNamed(const std::vector<Row>& rows, const std::string& name);

Row getProps(pdx::IMAPIProp* object, const std::vector<pdx::ULONG>& tags);
pdx::HRESULT setString(pdx::IMAPIProp* object, pdx::ULONG tag, const std::string& value);
// OpenEntry of an id given as bytes.
pdx::IUnknown* openId(pdx::IAddrBook* ab, const std::string& id, pdx::ULONG* type = nullptr);
pdx::ENTRYLIST* entryList(std::vector<std::string>& ids, std::vector<pdx::SBinary>& storage);

} // namespace wabtest
