#include "selection/pdx_access.h"

#include <algorithm>

#include "pdx/status.h"
#include "pdx/tags.h"

namespace vqbridge {

using namespace pdx;

namespace {
constexpr ULONG kBatchLimit = 10000;
}

object_ptr<IUnknown> openEntry(const PdxAccess& pdx, const EntryId& id) {
    object_ptr<IUnknown> opened;
    ULONG type = 0;
    EntryId copy = id; // OpenEntry takes a non-const identifier
    ENTRYID* entry = copy.empty() ? nullptr : reinterpret_cast<ENTRYID*>(copy.data());
    if (FAILED(pdx.book->OpenEntry(ULONG(copy.size()), entry, nullptr, 0, &type, opened.out()))) opened.reset();
    return opened;
}

HRESULT readTable(const PdxAccess& pdx, IMAPITable& table, const SPropTagArray* columns,
                  const std::function<void(const SRow&)>& each) {
    HRESULT h = table.SetColumns(columns, 0);
    if (SUCCEEDED(h)) h = table.SeekRow(BOOKMARK_BEGINNING, 0, nullptr);
    ULONG count = 0;
    if (SUCCEEDED(h)) h = table.GetRowCount(0, &count);
    if (FAILED(h)) return h;
    const LONG batch = LONG(std::clamp<ULONG>(count, 1, kBatchLimit));
    for (;;) {
        rowset_ptr rows(pdx.api.freeProws);
        h = table.QueryRows(batch, 0, rows.out());
        if (FAILED(h) || !rows || rows->cRows == 0) break;
        for (ULONG i = 0; i < rows->cRows; ++i) each(rows->aRow[i]);
    }
    return h;
}

const SPropValue* PropView::find(ULONG tag) const {
    for (ULONG i = 0; i < count_; ++i)
        if (PROP_ID(values_[i].ulPropTag) == PROP_ID(tag)) {
            const ULONG type = PROP_TYPE(values_[i].ulPropTag);
            if (values_[i].ulPropTag == tag || type == PT_ERROR) return &values_[i];
        }
    return nullptr;
}

std::string PropView::text(ULONG tag) const {
    const SPropValue* v = find(tag);
    return v && v->ulPropTag == tag && v->Value.lpszA ? std::string(v->Value.lpszA) : std::string();
}

bool PropView::isError(ULONG tag) const {
    const SPropValue* v = find(tag);
    return v && PROP_TYPE(v->ulPropTag) == PT_ERROR;
}

long PropView::number(ULONG tag, long otherwise) const {
    const SPropValue* v = find(tag);
    return v && v->ulPropTag == tag ? long(v->Value.l) : otherwise;
}

EntryId PropView::binary(ULONG tag) const {
    const SPropValue* v = find(tag);
    if (!v || v->ulPropTag != tag || !v->Value.bin.lpb) return {};
    return EntryId(v->Value.bin.lpb, v->Value.bin.lpb + v->Value.bin.cb);
}

std::vector<std::string> PropView::texts(ULONG tag) const {
    std::vector<std::string> out;
    const SPropValue* v = find(tag);
    if (!v || v->ulPropTag != tag || !v->Value.MVszA.lppszA) return out;
    for (ULONG i = 0; i < v->Value.MVszA.cValues; ++i)
        out.emplace_back(v->Value.MVszA.lppszA[i] ? v->Value.MVszA.lppszA[i] : "");
    return out;
}

} // namespace vqbridge
