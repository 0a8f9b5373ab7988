#pragma once
// The read-only MAPI objects of the address book: the root container, one
// container per service, mail users and distribution lists. Changes are
// refused with E_ACCESSDENIED (MAPI_E_NO_ACCESS).

#include <memory>

#include "book_state.h"
#include "pdx/interfaces.h"

namespace mapi32 {

pdx::IABContainer* newRootContainer(std::shared_ptr<BookState> book);
pdx::IABContainer* newServiceContainer(std::shared_ptr<BookState> book, std::shared_ptr<Directory> directory);
pdx::IMailUser* newMailUser(TableRow props);
pdx::IDistList* newDistList(std::shared_ptr<BookState> book, std::shared_ptr<Directory> directory, TableRow props);
pdx::IAddrBook* newAddrBook(std::shared_ptr<BookState> book);

// A table of `rows` in the component's memory, starting with `columns`.
pdx::HRESULT newTable(std::vector<TableRow> rows, const pdx::SPropTagArray* columns, pdx::IMAPITable** out);
const pdx::SPropTagArray* contentsColumns();
const pdx::SPropTagArray* hierarchyColumns();

} // namespace mapi32
