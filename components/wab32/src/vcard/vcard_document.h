#pragma once
// A vCard file (2.1, 3.0 or 4.0) held as the bytes it was read from: every
// content line keeps its exact raw bytes, so writing the document back gives
// the same file, and a card that is edited changes only the lines edited.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace wab32::vcard {

struct Param {
    std::string name;                // as written; empty for a bare 2.1 type ("TEL;FAX:")
    std::vector<std::string> values; // unquoted, split at commas
};

// One content line: [group.]name;params:value.
struct Property {
    std::string raw;   // exact bytes with folding and line ends; empty once changed or new
    std::string group;
    std::string name;
    std::vector<Param> params;
    std::string value; // unfolded, still escaped and encoded as written
    bool opaque = false; // a line that is not name:value (kept as it was, never read)

    bool isNamed(std::string_view n) const;
    // Values of the parameter `n` (case-insensitive); bare 2.1 values count as TYPE.
    std::vector<std::string> paramValues(std::string_view n) const;
    // TYPE contains `t` (case-insensitive), either as TYPE=... or as a bare value.
    bool hasType(std::string_view t) const;
    bool isQuotedPrintable() const;
    std::string charset() const;
};

struct Card {
    std::vector<Property> lines; // BEGIN:VCARD ... END:VCARD, both included
    std::string eol = "\r\n";    // line end used for lines written anew
    bool complete = false;       // END:VCARD was seen
    bool changed = false;        // some line was changed, added or removed

    // "2.1", "3.0" or "4.0" from VERSION (3.0 when absent or unknown).
    std::string version() const;
    // The first line with that name (outside groups included), or null.
    const Property* find(std::string_view name) const;
    Property* find(std::string_view name);
    std::vector<const Property*> all(std::string_view name) const;
    // Adds a line before END:VCARD.
    Property& add(Property p);
    // Removes the line (pointer into `lines`).
    void remove(const Property* p);
    // The card's bytes as they stand: raw lines as read, changed ones written anew.
    std::string text() const;
};

struct Segment {
    bool isCard = false;
    std::string text; // bytes between cards (blank lines and the like)
    Card card;
};

struct Document {
    std::vector<Segment> segments;
    // Set when the file's structure cannot be trusted (a card without END, an
    // END without card, text that is not vCard, NUL bytes): such a file is
    // read as far as it goes and never written.
    bool damaged = false;
    std::string damage;

    std::string text() const;
};

// Where a segment lies in the bytes read.
struct Span {
    bool isCard = false;
    size_t offset = 0;
    size_t length = 0;
};

struct ScanResult {
    bool damaged = false;
    std::string damage;
};

// Reads a file's bytes one segment at a time: `each` gets every span in
// order, and for a card the card itself (which it may take over). Memory
// stays that of one card, whatever the file's size.
ScanResult scan(std::string_view bytes, const std::function<void(const Span&, Card* card)>& each);

// Reads a file's bytes whole; never fails (damage is reported in the
// document). The entry point for the fuzz target.
Document parse(std::string_view bytes);

// Writes a changed or new line: parameters, value as given (already escaped
// and encoded), folded for its version, ended with `eol`.
std::string writeLine(const Property& p, std::string_view version, std::string_view eol);

} // namespace wab32::vcard
