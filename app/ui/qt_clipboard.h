#pragma once
// The private entry format on the system clipboard.

#include "model/prompter.h"

#include <QString>

namespace lisotrex::ui {

// The clipboard format the entries travel under: "CF_PRIVATE_VARNISTEL",
// the name the private format is registered by.
QString entryMimeType();

class QtClipboard : public ClipboardPort {
public:
    void put(std::string block) override;
    std::optional<std::string> get() const override;
    bool hasEntries() const;
};

} // namespace lisotrex::ui
