#pragma once
// The private entry format on the system clipboard.

#include "model/prompter.h"

#include <QString>

namespace lisotrex::ui {

// The clipboard type the entries travel under, named after the private
// Windows format "CF_PRIVATE_VARNISTEL".
QString entryMimeType();

class QtClipboard : public ClipboardPort {
public:
    void put(std::string block) override;
    std::optional<std::string> get() const override;
    bool hasEntries() const;
};

} // namespace lisotrex::ui
