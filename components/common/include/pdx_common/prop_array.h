#pragma once
// A property array that owns its values' data: the in-process form of an
// entry's properties and of a table row.

#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "pdx/types.h"
#include "pdx_common/prop_copy.h"

namespace pdx::common {

class PropArray {
public:
    PropArray() = default;
    PropArray(const PropArray& other);
    PropArray& operator=(const PropArray& other);
    PropArray(PropArray&& other) noexcept { *this = std::move(other); }
    PropArray& operator=(PropArray&& other) noexcept {
        values_ = std::move(other.values_);
        blocks_ = std::move(other.blocks_);
        next_ = std::exchange(other.next_, nullptr);
        left_ = std::exchange(other.left_, 0);
        return *this;
    }

    // A deep copy of `value`, replacing a value with the same identifier (of
    // any type) or appended at the end.
    HRESULT set(const SPropValue& value);
    void setString(ULONG tag, std::string_view text);
    void setLong(ULONG tag, LONG value);
    void setBinary(ULONG tag, const void* bytes, ULONG cb);
    void setError(ULONG tag, HRESULT error);
    // Removes the value with the tag's identifier; false when there was none.
    bool remove(ULONG tag);

    // By MAPI's find rule (PT_UNSPECIFIED matches any type).
    const SPropValue* find(ULONG tag) const;
    // The value's string, or empty when absent or not PT_STRING8.
    std::string_view string(ULONG tag) const;

    const SPropValue* data() const { return values_.data(); }
    ULONG size() const { return ULONG(values_.size()); }
    bool empty() const { return values_.empty(); }

private:
    class Arena;
    long indexOfId(ULONG tag) const;

    // Room for `size` bytes of value data, from the current block when it fits.
    char* room(size_t size);

    std::vector<SPropValue> values_;
    std::vector<std::unique_ptr<char[]>> blocks_;
    char* next_ = nullptr;
    size_t left_ = 0;
};

} // namespace pdx::common
