#pragma once
// Small property operations shared by the tables and property objects.

#include <string>

#include "pdx/types.h"

namespace pdx::core {

// Same identifier, and same type unless the wanted type is PT_UNSPECIFIED.
bool tagMatches(ULONG have, ULONG wanted);
// Index of the first value matching `tag`, or -1.
long findProp(const SPropValue* values, ULONG count, ULONG tag);
bool tagArrayContains(const SPropTagArray* tags, ULONG tag);
// The value that stands for a column a row lacks (or the PT_NULL placeholder).
SPropValue missingColumn(ULONG tag);
// `tags` without every tag matched by one in `exclude`, order kept; a new root
// buffer. `exclude` may come from a caller: E_INVALIDARG when it cannot be read.
HRESULT filterTags(const SPropTagArray* tags, const SPropTagArray* exclude, SPropTagArray** out);
// `tags` without PT_OBJECT, PT_BINARY and PT_MV_BINARY; MAPI_E_NOT_FOUND when none is left.
HRESULT writableTags(const SPropTagArray* tags, SPropTagArray** out);
// Two lower-case hex digits per byte; more than 32 bytes: MAPI_E_STRING_TOO_LONG.
HRESULT binaryToHex(const uint8_t* bytes, size_t count, std::string& out);
// A copy of a tag array in its own root buffer.
HRESULT copyTagArray(const SPropTagArray* tags, SPropTagArray** out);

} // namespace pdx::core
