#pragma once
// Importing another native book (.abu): its entries, not its settings.

#include "convert/importer.h"

#include <string>

namespace lisotrex {

// The import run: 0, 4 or 5 (or a file failure); 6018 on a broken line, with
// the entries before it kept.
ImportResult importNativeBook(const std::string& path, ImportContext& ctx);

} // namespace lisotrex
