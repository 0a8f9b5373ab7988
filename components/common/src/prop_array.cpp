#include "pdx_common/prop_array.h"

#include <algorithm>
#include <cstring>

#include "pdx/status.h"
#include "pdx/tags.h"

namespace pdx::common {

// Hands out 8-byte aligned pieces of one heap block kept by the array.
class PropArray::Arena final : public DataSink {
public:
    Arena(char* block, size_t size) : next_(block), end_(block + size) {}
    HRESULT allocate(size_t cb, void** out) override {
        const size_t need = (cb + 7) & ~size_t(7);
        if (size_t(end_ - next_) < need) return E_OUTOFMEMORY;
        *out = next_;
        next_ += need;
        return S_OK;
    }

private:
    char* next_;
    char* end_;
};

PropArray::PropArray(const PropArray& other) {
    values_.reserve(other.values_.size());
    for (const SPropValue& v : other.values_) set(v);
}

PropArray& PropArray::operator=(const PropArray& other) {
    if (this != &other) {
        PropArray copy(other);
        *this = std::move(copy);
    }
    return *this;
}

long PropArray::indexOfId(ULONG tag) const {
    for (size_t i = 0; i < values_.size(); ++i)
        if (PROP_ID(values_[i].ulPropTag) == PROP_ID(tag)) return long(i);
    return -1;
}

char* PropArray::room(size_t size) {
    if (size > left_) {
        // Small values share blocks, so an entry's properties take few allocations.
        const size_t block = std::max<size_t>(size, 512);
        blocks_.emplace_back(new char[block]);
        next_ = blocks_.back().get();
        left_ = block;
    }
    char* at = next_;
    next_ += size;
    left_ -= size;
    return at;
}

HRESULT PropArray::set(const SPropValue& value) {
    size_t size = 0;
    HRESULT h = dataSize(value, &size);
    if (FAILED(h)) return h;
    SPropValue copy{};
    if (size) {
        // dataSize rounds every piece to 8 bytes, so pieces stay aligned within a block.
        char* block = room(size);
        Arena arena(block, size);
        if (FAILED(h = copyValue(value, copy, arena))) return h;
    } else {
        copy = value;
    }
    const long at = indexOfId(value.ulPropTag);
    if (at >= 0)
        values_[size_t(at)] = copy;
    else
        values_.push_back(copy);
    return S_OK;
}

void PropArray::setString(ULONG tag, std::string_view text) {
    std::string s(text);
    SPropValue v{};
    v.ulPropTag = CHANGE_PROP_TYPE(tag, PT_STRING8);
    v.Value.lpszA = s.data();
    set(v);
}

void PropArray::setLong(ULONG tag, LONG value) {
    SPropValue v{};
    v.ulPropTag = tag;
    v.Value.l = value;
    set(v);
}

void PropArray::setBinary(ULONG tag, const void* bytes, ULONG cb) {
    SPropValue v{};
    v.ulPropTag = CHANGE_PROP_TYPE(tag, PT_BINARY);
    v.Value.bin.cb = cb;
    v.Value.bin.lpb = static_cast<BYTE*>(const_cast<void*>(bytes));
    set(v);
}

void PropArray::setError(ULONG tag, HRESULT error) {
    SPropValue v{};
    v.ulPropTag = CHANGE_PROP_TYPE(tag, PT_ERROR);
    v.Value.err = error;
    set(v);
}

bool PropArray::remove(ULONG tag) {
    const long at = indexOfId(tag);
    if (at < 0) return false;
    values_.erase(values_.begin() + at);
    return true;
}

const SPropValue* PropArray::find(ULONG tag) const { return findProp(values_.data(), size(), tag); }

std::string_view PropArray::string(ULONG tag) const {
    const SPropValue* v = find(CHANGE_PROP_TYPE(tag, PT_STRING8));
    return v && v->Value.lpszA ? std::string_view(v->Value.lpszA) : std::string_view();
}

} // namespace pdx::common
