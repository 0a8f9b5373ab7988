// The nine functions of the call contract. Each one answers its failure value
// with an error word instead of letting anything escape to the caller.

#include <algorithm>
#include <climits>
#include <new>

#include "books.h"
#include "element_codec.h"
#include "store_error.h"
#include "vqconv.h"

#define VQCONV_EXPORT extern "C" __attribute__((visibility("default")))

using namespace vqconv;

namespace {

// Runs `body`; on success clears the error word, on failure writes the word
// and answers `failure`. Anything unexpected (even running out of memory)
// reports `unexpectedWord`, so a caller never mistakes it for success.
template <class R, class Body>
R answer(uint32_t* error, R failure, ErrorWord unexpectedWord, Body&& body) noexcept {
    ErrorWord word = unexpectedWord;
    try {
        R result = body();
        if (error) *error = kErrNone;
        return result;
    } catch (const StoreError& e) {
        word = e.word;
    } catch (...) {
    }
    if (error) *error = word;
    return failure;
}

int32_t countAnswer(size_t n) {
    if (n > INT32_MAX) fail(kErrDiskRead);
    return static_cast<int32_t>(n);
}

} // namespace

VQCONV_EXPORT Handle OpenAddressBook(const char* path, uint32_t* error) {
    return answer(error, kBadHandle, kErrDiskRead, [&] { return openBook(path ? path : ""); });
}

VQCONV_EXPORT void CloseAddressBook(Handle book) {
    try {
        closeBook(book);
    } catch (...) {
    }
}

VQCONV_EXPORT int32_t GetRecordId(Handle book, uint32_t selector, uint32_t* error, RecordIdList* list) {
    return answer(error, int32_t(-1), kErrDiskRead, [&] {
        BookAccess access(book);
        if (selector != kAllRecords || !list) fail(kErrInvalidArg);
        if (list->count == 0) {
            int32_t n = countAnswer(access.store().recordCount());
            list->count = static_cast<uint32_t>(n);
            return n;
        }
        if (!list->ids) fail(kErrInvalidArg);
        std::vector<int32_t> ids = access.store().recordIds();
        // The store may have changed since the count was asked: never write
        // past the caller's array, and say how many words were filled.
        size_t n = std::min<size_t>(list->count, ids.size());
        std::copy_n(ids.begin(), n, list->ids);
        list->count = static_cast<uint32_t>(n);
        return countAnswer(n);
    });
}

VQCONV_EXPORT int32_t CreateContactEntry(Handle book, uint32_t* error) {
    return answer(error, kNewContactId, kErrDiskWrite, [&] { return BookAccess(book).store().createRecord(false); });
}

VQCONV_EXPORT int32_t CreateGroupEntry(Handle book, uint32_t* error) {
    return answer(error, kNewGroupId, kErrDiskWrite, [&] { return BookAccess(book).store().createRecord(true); });
}

VQCONV_EXPORT int32_t GetProps(Handle book, int32_t recordId, uint32_t* error, ElementBuffer* buffer) {
    return answer(error, int32_t(-1), kErrDiskRead, [&] {
        BookAccess access(book);
        if (!buffer) return countAnswer(access.store().elementCount(recordId));
        if (buffer->count > 0 && !buffer->elements) fail(kErrInvalidArg);
        return countAnswer(access.store().encodeElements(recordId, buffer->count, buffer->elements));
    });
}

VQCONV_EXPORT int32_t SetProps(Handle book, int32_t recordId, uint32_t* error, ElementBuffer* buffer) {
    return answer(error, int32_t(0), kErrDiskWrite, [&] {
        BookAccess access(book);
        if (!buffer || (buffer->count > 0 && !buffer->elements) || buffer->count > INT32_MAX) fail(kErrInvalidArg);
        access.store().replaceElements(recordId, decodeElements(buffer->elements, buffer->count));
        return int32_t(1);
    });
}

VQCONV_EXPORT int32_t DeleteProps(Handle book, uint32_t /*reserved*/, uint32_t* error, int32_t recordId) {
    return answer(error, int32_t(0), kErrDiskWrite, [&] {
        BookAccess(book).store().deleteRecord(recordId);
        return int32_t(1);
    });
}

// The conversion step run when a service is created: it makes sure the
// default store exists and leaves an existing one as it is.
VQCONV_EXPORT int32_t CnvAddressBook(uint32_t* error) {
    return answer(error, int32_t(0), kErrDiskRead, [&] {
        Handle handle = openBook("");
        closeBook(handle);
        return int32_t(1);
    });
}
