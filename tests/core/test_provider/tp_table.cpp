#include "tp_table.h"

#include <algorithm>


namespace testprovider {

using Lock = std::lock_guard<std::recursive_mutex>;

HRESULT Table::copyRow(size_t i, const SPropTagArray* columns, SRow& row) {
    if (records_.empty()) return copyProps(store_->alloc, rows_[i], columns, &row.cValues, &row.lpProps);
    PropRef refs[kMaxRecordProps];
    uint8_t id[kEntryIdSize], templ[kEntryIdSize];
    Lock g(store_->lock);
    const size_t n = store_->rowRefs(records_[i], refs, id, templ);
    return copyRefs(store_->alloc, refs, n, columns, &row.cValues, &row.lpProps);
}

HRESULT Table::QueryInterface(LPCIID iid, void** out) {
    if (!out) return E_INVALIDARG;
    if (!isIid(iid, IID_IUnknown) && !isIid(iid, IID_IMAPITable)) {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    *out = static_cast<IMAPITable*>(this);
    return S_OK;
}

ULONG Table::Release() {
    const ULONG left = --refs_;
    if (!left) delete this;
    return left;
}

HRESULT Table::GetStatus(ULONG* status, ULONG* type) {
    if (!status || !type) return E_INVALIDARG;
    *status = *type = 0;
    return S_OK;
}

HRESULT Table::SetColumns(const SPropTagArray* columns, ULONG) {
    if (!columns || columns->cValues == 0) return E_INVALIDARG;
    std::lock_guard g(lock_);
    columns_.assign(columns->aulPropTag, columns->aulPropTag + columns->cValues);
    hasColumns_ = true;
    return S_OK;
}

HRESULT Table::QueryColumns(ULONG, SPropTagArray** columns) {
    if (!columns) return E_INVALIDARG;
    std::lock_guard g(lock_);
    if (hasColumns_) return copyTags(store_->alloc, columns_, columns);
    if (size_ == 0) return MAPI_E_TABLE_EMPTY;
    std::vector<ULONG> tags;
    Lock g2(store_->lock);
    for (const auto& p : records_.empty() ? rows_.front() : store_->props(records_.front())) tags.push_back(p.tag);
    return copyTags(store_->alloc, tags, columns);
}

HRESULT Table::GetRowCount(ULONG, ULONG* count) {
    if (!count) return E_INVALIDARG;
    std::lock_guard g(lock_);
    *count = ULONG(size_);
    return S_OK;
}

HRESULT Table::SeekRow(BOOKMARK origin, LONG rowCount, LONG* rowsSought) {
    std::lock_guard g(lock_);
    const long long size = (long long)size_;
    long long start;
    switch (origin) {
    case BOOKMARK_BEGINNING: start = 0; break;
    case BOOKMARK_CURRENT: start = (long long)cursor_; break;
    case BOOKMARK_END: start = size; break;
    default: return MAPI_E_INVALID_BOOKMARK;
    }
    const long long end = std::clamp(start + rowCount, 0LL, size);
    cursor_ = size_t(end);
    if (rowsSought) *rowsSought = LONG(end - start);
    return S_OK;
}

HRESULT Table::SeekRowApprox(ULONG numerator, ULONG denominator) {
    if (!denominator) return E_INVALIDARG;
    std::lock_guard g(lock_);
    cursor_ = numerator >= denominator ? size_ : size_t(uint64_t(size_) * numerator / denominator);
    return S_OK;
}

HRESULT Table::QueryPosition(ULONG* row, ULONG* numerator, ULONG* denominator) {
    if (!row || !numerator || !denominator) return E_INVALIDARG;
    std::lock_guard g(lock_);
    *row = *numerator = ULONG(cursor_);
    *denominator = ULONG(size_);
    return S_OK;
}

HRESULT Table::QueryRows(LONG rowCount, ULONG flags, SRowSet** rows) {
    if (!rows || rowCount <= 0) return E_INVALIDARG;
    std::lock_guard g(lock_);
    const size_t n = std::min(size_t(rowCount), size_ - cursor_);
    const Allocator& alloc = store_->alloc;
    SRowSet* set = nullptr;
    HRESULT h = alloc.allocate(ULONG(cbRowSet(ULONG(std::max<size_t>(n, 1)))), reinterpret_cast<void**>(&set));
    if (FAILED(h)) return h;
    std::vector<ULONG> buffer(columns_.size() + 1);
    buffer[0] = ULONG(columns_.size());
    std::copy(columns_.begin(), columns_.end(), buffer.begin() + 1);
    const auto* columns = hasColumns_ ? reinterpret_cast<const SPropTagArray*>(buffer.data()) : nullptr;
    for (size_t i = 0; i < n; ++i) {
        SRow& row = set->aRow[i];
        h = copyRow(cursor_ + i, columns, row);
        if (FAILED(h)) {
            for (size_t j = 0; j < i; ++j) alloc.free(set->aRow[j].lpProps);
            alloc.free(set);
            return h;
        }
    }
    set->cRows = ULONG(n);
    if (!(flags & TBL_NOADVANCE)) cursor_ += n;
    *rows = set;
    return S_OK;
}

} // namespace testprovider
