#include "table_data.h"

#include <cstring>
#include <new>
#include <vector>

#include "fax_memory.h"
#include "pdx/guard.h"
#include "pdx/status.h"
#include "prop_value.h"
#include "table_view.h"

namespace vqfax {
namespace {

const SPropValue* findExact(const SRow& row, ULONG tag) {
    for (ULONG i = 0; i < row.cValues; ++i)
        if (row.lpProps[i].ulPropTag == tag) return &row.lpProps[i];
    return nullptr;
}

std::string keyOf(const SPropValue& v) {
    return v.Value.bin.cb ? std::string(reinterpret_cast<const char*>(v.Value.bin.lpb), v.Value.bin.cb) : std::string();
}

// Index comparison of tables, by the type's own rule.
bool sameIndex(const SPropValue& stored, const SPropValue& wanted) {
    PropValue mine;
    return SUCCEEDED(PropValue::make(stored, mine)) && mine.matches(wanted);
}

} // namespace

TableData* TableData::create(ULONG indexTag, const SPropTagArray* columns) {
    size_t index = 0;
    while (index < columns->cValues && columns->aulPropTag[index] != indexTag) ++index;
    if (index == columns->cValues) return nullptr;
    auto* data = new (std::nothrow) TableData(indexTag, columns);
    if (data) data->indexColumn_ = index;
    return data;
}

HRESULT TableData::QueryInterface(LPCIID iid, void** out) {
    if (!writableOut(out)) return E_INVALIDARG;
    if (!isIid(iid, IID_IUnknown) && !isIid(iid, IID_IMAPITableData)) {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    *out = static_cast<IMAPITableData*>(this);
    return S_OK;
}

ULONG TableData::AddRef() {
    std::lock_guard g(lock_);
    return ++refs_;
}

ULONG TableData::Release() {
    ULONG left;
    {
        std::lock_guard g(lock_);
        left = --refs_;
    }
    if (!left) delete this;
    return left;
}

HRESULT TableData::HrGetView(SSortOrderSet*, CallerReleaseFn, ULONG_PTR, IMAPITable** view) {
    return guarded([&]() -> HRESULT {
        if (!writableOut(view)) return E_INVALIDARG;
        *view = TableView::create(this);
        return *view ? S_OK : E_OUTOFMEMORY;
    });
}

HRESULT TableData::makeRow(const SRow& row, StoredRow::Ptr& out) const {
    if (!findExact(row, indexTag_)) return E_INVALIDARG;
    std::vector<SPropValue> values(columns_->cValues);
    for (ULONG c = 0; c < columns_->cValues; ++c) {
        const ULONG tag = columns_->aulPropTag[c];
        const SPropValue* found = findExact(row, tag);
        values[c] = found ? *found : missingValue(tag, MAPI_E_NOT_FOUND);
    }
    return StoredRow::make(row.ulAdrEntryPad, values.data(), values.size(), out);
}

void TableData::indexKeys() {
    if (!keysStale_) return;
    byKey_.clear();
    byKey_.reserve(rows_.size());
    for (const auto& row : rows_) byKey_[keyOf(indexOf(*row))] = row.get();
    keysStale_ = false;
}

long TableData::findRow(const SPropValue& index) {
    if (PROP_TYPE(indexTag_) == PT_BINARY) {
        indexKeys();
        auto it = byKey_.find(keyOf(index));
        if (it == byKey_.end()) return -1;
        for (size_t i = 0; i < rows_.size(); ++i)
            if (rows_[i].get() == it->second) return long(i);
        return -1;
    }
    for (size_t i = 0; i < rows_.size(); ++i)
        if (sameIndex(indexOf(*rows_[i]), index)) return long(i);
    return -1;
}

void TableData::addRow(StoredRow::Ptr row) {
    if (PROP_TYPE(indexTag_) == PT_BINARY) {
        indexKeys();
        byKey_[keyOf(indexOf(*row))] = row.get();
    }
    rows_.push_back(std::move(row));
}

void TableData::removeAt(size_t position) {
    if (PROP_TYPE(indexTag_) == PT_BINARY) {
        indexKeys();
        byKey_.erase(keyOf(indexOf(*rows_[position])));
    }
    rows_.erase(rows_.begin() + long(position));
}

HRESULT TableData::modifyRow(const SRow& row) {
    StoredRow::Ptr stored;
    if (HRESULT h = makeRow(row, stored); FAILED(h)) return h;
    std::lock_guard g(lock_);
    replaceOrAdd(std::move(stored));
    return S_OK;
}

void TableData::modifyOwnRow(StoredRow::Ptr row) {
    std::lock_guard g(lock_);
    replaceOrAdd(std::move(row));
}

void TableData::appendNewRow(StoredRow::Ptr row) {
    std::lock_guard g(lock_);
    rows_.push_back(std::move(row));
    if (PROP_TYPE(indexTag_) == PT_BINARY) keysStale_ = true;
}

void TableData::replaceOrAdd(StoredRow::Ptr stored) {
    // Replaced in place: same position, same index value.
    if (const long at = findRow(indexOf(*stored)); at >= 0) {
        StoredRow::Ptr& existing = rows_[size_t(at)];
        if (PROP_TYPE(indexTag_) == PT_BINARY) byKey_[keyOf(indexOf(*stored))] = stored.get();
        existing = std::move(stored);
    } else {
        addRow(std::move(stored));
    }
}

HRESULT TableData::deleteRow(const SPropValue& index) {
    if (index.ulPropTag != indexTag_) return E_INVALIDARG;
    std::lock_guard g(lock_);
    const long at = findRow(index);
    if (at >= 0) removeAt(size_t(at));
    return S_OK;
}

HRESULT TableData::HrModifyRow(SRow* row) {
    return guarded([&]() -> HRESULT { return row ? modifyRow(*row) : E_INVALIDARG; });
}

HRESULT TableData::HrDeleteRow(SPropValue* indexValue) {
    return guarded([&]() -> HRESULT { return indexValue ? deleteRow(*indexValue) : E_INVALIDARG; });
}

HRESULT TableData::copyRow(const StoredRow& row, SRow** out) const {
    // One allocation: the row, then its values, then their data.
    const size_t cb = sizeof(SRow) + sizeof(SPropValue) * row.size() + row.dataBytes();
    Owned<uint8_t> block;
    if (HRESULT h = allocate(cb, block.out()); FAILED(h)) return h;
    auto* copy = reinterpret_cast<SRow*>(block.get());
    auto* values = reinterpret_cast<SPropValue*>(block.get() + sizeof(SRow));
    copy->ulAdrEntryPad = row.reserved();
    copy->cValues = static_cast<ULONG>(row.size());
    copy->lpProps = values;
    auto* cursor = reinterpret_cast<uint8_t*>(values + row.size());
    for (size_t i = 0; i < row.size(); ++i) flatCopy(row[i], values[i], cursor);
    *out = reinterpret_cast<SRow*>(block.release());
    return S_OK;
}

HRESULT TableData::HrQueryRow(SPropValue* indexValue, SRow** row, ULONG* position) {
    return guarded([&]() -> HRESULT {
        if (!indexValue || indexValue->ulPropTag != indexTag_) return E_INVALIDARG;
        if (!writableOut(row)) return E_INVALIDARG;
        *row = nullptr;
        std::lock_guard g(lock_);
        const long at = findRow(*indexValue);
        if (at < 0) {
            if (position && writableOut(position)) *position = 0;
            return S_OK;
        }
        if (HRESULT h = copyRow(*rows_[size_t(at)], row); FAILED(h)) return h;
        if (position && writableOut(position)) *position = ULONG(at);
        return S_OK;
    });
}

HRESULT TableData::HrEnumRow(ULONG rowNumber, SRow** row) {
    return guarded([&]() -> HRESULT {
        if (!writableOut(row)) return E_INVALIDARG;
        *row = nullptr;
        std::lock_guard g(lock_);
        if (rowNumber >= rows_.size()) return S_OK;
        return copyRow(*rows_[rowNumber], row);
    });
}

HRESULT TableData::HrNotify(ULONG, ULONG, SPropValue*) { return MAPI_E_NO_SUPPORT; }

HRESULT TableData::HrInsertRow(ULONG, SRow* row) {
    return guarded([&]() -> HRESULT {
        if (!row) return E_INVALIDARG;
        StoredRow::Ptr stored;
        if (HRESULT h = makeRow(*row, stored); FAILED(h)) return h;
        std::lock_guard g(lock_);
        if (findRow(indexOf(*stored)) >= 0) return E_INVALIDARG;
        addRow(std::move(stored));
        return S_OK;
    });
}

HRESULT TableData::HrModifyRows(ULONG, SRowSet* rows) {
    return guarded([&]() -> HRESULT {
        if (!rows) return E_INVALIDARG;
        for (ULONG i = 0; i < rows->cRows; ++i)
            if (HRESULT h = modifyRow(rows->aRow[i]); FAILED(h)) return h;
        return S_OK;
    });
}

HRESULT TableData::HrDeleteRows(ULONG, SRowSet* rows, ULONG* deleted) {
    return guarded([&]() -> HRESULT {
        if (!rows) return E_INVALIDARG;
        ULONG count = 0;
        for (ULONG i = 0; i < rows->cRows; ++i) {
            const SPropValue* index = findExact(rows->aRow[i], indexTag_);
            if (!index) continue;
            std::lock_guard g(lock_);
            const long at = findRow(*index);
            if (at < 0) continue; // not found: ignored
            removeAt(size_t(at));
            ++count;
        }
        if (deleted && writableOut(deleted)) *deleted = count;
        return count ? S_OK : MAPI_E_NOT_FOUND;
    });
}

void TableData::reserve(size_t rows) {
    std::lock_guard g(lock_);
    rows_.reserve(rows);
    if (PROP_TYPE(indexTag_) == PT_BINARY) byKey_.reserve(rows);
}

ULONG TableData::rowCount() {
    std::lock_guard g(lock_);
    return static_cast<ULONG>(rows_.size());
}

HRESULT TableData::projectRow(ULONG n, const SPropTagArray* columns, SRow& out) {
    if (!columns) columns = columns_;
    std::lock_guard g(lock_);
    if (n >= rows_.size()) return MAPI_E_NOT_FOUND;
    const StoredRow& row = *rows_[n];
    // The row's value of each column (null: missing), then one buffer for
    // the values and their data.
    std::vector<const SPropValue*> found(columns->cValues, nullptr);
    size_t data = 0;
    for (ULONG c = 0; c < columns->cValues; ++c) {
        for (const SPropValue& v : row)
            if (v.ulPropTag == columns->aulPropTag[c]) {
                found[c] = &v;
                data += flatDataSize(v);
                break;
            }
    }
    Owned<SPropValue> values;
    const size_t cb = sizeof(SPropValue) * (columns->cValues ? columns->cValues : 1) + data;
    if (HRESULT h = allocate(cb, values.out()); FAILED(h)) return h;
    auto* cursor = reinterpret_cast<uint8_t*>(values.get() + (columns->cValues ? columns->cValues : 1));
    for (ULONG c = 0; c < columns->cValues; ++c) {
        if (found[c]) flatCopy(*found[c], values[c], cursor);
        else values[c] = missingValue(columns->aulPropTag[c], MAPI_E_NOT_FOUND);
    }
    out.ulAdrEntryPad = row.reserved();
    out.cValues = columns->cValues;
    out.lpProps = values.release();
    return S_OK;
}

} // namespace vqfax
