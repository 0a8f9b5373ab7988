#include "vcard/vcard_document.h"

#include <algorithm>

namespace wab32::vcard {
namespace {

char upperAscii(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return upperAscii(x) == upperAscii(y); });
}

bool isNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

bool isBlank(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c == ' ' || c == '\t' || c == '\r'; });
}

// Calls `each` with every piece of `s` split at `sep` outside double quotes.
template <class Each> void forEachOutsideQuotes(std::string_view s, char sep, Each&& each) {
    bool quoted = false;
    size_t start = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '"') quoted = !quoted;
        else if (s[i] == sep && !quoted) {
            each(s.substr(start, i - start));
            start = i + 1;
        }
    }
    each(s.substr(start));
}

std::string_view unquote(std::string_view v) {
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    return v;
}

// The next element of `items` to fill: an earlier one is reused with the
// storage it holds, so reading card after card allocates little.
template <class T> T& slot(std::vector<T>& items, size_t index) {
    if (index < items.size()) return items[index];
    return items.emplace_back();
}

// [group.]name *(;param) ":" value. False when the line has no such shape.
bool parseHeader(std::string_view content, Property& p) {
    p.group.clear();
    p.name.clear();
    p.value.clear();
    // The colon that ends the header: quotes only matter inside parameters.
    size_t colon = std::string_view::npos;
    bool quoted = false;
    bool inParams = false;
    for (size_t i = 0; i < content.size(); ++i) {
        const char c = content[i];
        if (c == ';') inParams = true;
        if (c == '"' && inParams) quoted = !quoted;
        else if (c == ':' && !quoted) {
            colon = i;
            break;
        }
    }
    if (colon == std::string_view::npos) {
        p.params.clear();
        return false;
    }
    const std::string_view header = content.substr(0, colon);
    size_t nameEnd = header.size();
    {
        bool q = false;
        for (size_t i = 0; i < header.size(); ++i) {
            if (header[i] == '"') q = !q;
            else if (header[i] == ';' && !q) {
                nameEnd = i;
                break;
            }
        }
    }
    std::string_view head = header.substr(0, nameEnd);
    if (const size_t dot = head.find('.'); dot != std::string_view::npos) {
        p.group.assign(head.substr(0, dot));
        head = head.substr(dot + 1);
    }
    if (head.empty() || !std::all_of(head.begin(), head.end(), isNameChar) ||
        !std::all_of(p.group.begin(), p.group.end(), isNameChar)) {
        p.params.clear();
        return false;
    }
    p.name.assign(head);
    size_t paramCount = 0;
    if (nameEnd < header.size()) {
        forEachOutsideQuotes(header.substr(nameEnd + 1), ';', [&](std::string_view part) {
            Param& param = slot(p.params, paramCount++);
            std::string_view values = part;
            if (const size_t eq = part.find('='); eq != std::string_view::npos) {
                param.name.assign(part.substr(0, eq));
                values = part.substr(eq + 1);
            } else {
                param.name.clear();
            }
            size_t valueCount = 0;
            forEachOutsideQuotes(values, ',', [&](std::string_view v) { slot(param.values, valueCount++).assign(unquote(v)); });
            param.values.resize(valueCount);
        });
    }
    p.params.resize(paramCount);
    p.value.assign(content.substr(colon + 1));
    return true;
}

// One physical line starting at pos: its content (without the line end) and
// the position after its line end.
std::string_view physicalLine(std::string_view bytes, size_t pos, size_t* next) {
    const size_t nl = bytes.find('\n', pos);
    const size_t end = nl == std::string_view::npos ? bytes.size() : nl;
    *next = nl == std::string_view::npos ? bytes.size() : nl + 1;
    size_t contentEnd = end;
    if (contentEnd > pos && bytes[contentEnd - 1] == '\r') --contentEnd;
    return bytes.substr(pos, contentEnd - pos);
}

std::string lineEndOf(std::string_view raw) {
    if (raw.size() >= 2 && raw.substr(raw.size() - 2) == "\r\n") return "\r\n";
    if (!raw.empty() && raw.back() == '\n') return "\n";
    return "\r\n";
}

bool needsQuotes(std::string_view v) { return v.find_first_of(":;,") != std::string_view::npos; }

bool isContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Where a folded line may break before `room` bytes so that it reads back
// as written: not inside a UTF-8 sequence (bytes that are no UTF-8 break
// anywhere), not right after a CR (a reader drops a CR before the line end),
// and never leaving a piece of only blanks, which a reader takes for a blank
// line and so not as a continuation.
size_t foldCut(std::string_view line, size_t room) {
    if (line.size() <= room) return line.size();
    size_t cut = room;
    size_t start = cut; // back to the first byte of the character at the cut
    for (int back = 0; back < 3 && start > 1 && isContinuationByte(line[start]); ++back) --start;
    if (!isContinuationByte(line[start])) cut = start; // else stray bytes: no character to keep whole
    // A piece of blanks, or one ending in a CR, takes the next character.
    while (cut < line.size() && (isBlank(line.substr(0, cut)) || line[cut - 1] == '\r')) {
        ++cut;
        while (cut < line.size() && isContinuationByte(line[cut])) ++cut;
    }
    // A rest of blanks stays on this piece rather than make a blank line.
    return isBlank(line.substr(cut)) ? line.size() : cut;
}

void appendFolded(std::string& out, std::string_view line, std::string_view eol) {
    constexpr size_t kWidth = 75;
    bool first = true;
    while (!line.empty()) {
        const size_t room = first ? kWidth : kWidth - 1;
        const size_t cut = foldCut(line, room);
        if (!first) out += ' ';
        out.append(line.substr(0, cut));
        out.append(eol);
        line.remove_prefix(cut);
        first = false;
    }
    if (first) out.append(eol);
}

// Quoted-printable lines break with a trailing "=" inside the value only
// (a header is never broken), and never inside an "=XX" triple.
void appendSoftBroken(std::string& out, std::string_view header, std::string_view value, std::string_view eol) {
    constexpr size_t kWidth = 75;
    std::string line(header);
    line += ':';
    bool valueOnLine = false;
    size_t i = 0;
    while (i < value.size()) {
        const size_t unit = value[i] == '=' && i + 2 < value.size() ? 3 : 1;
        if (valueOnLine && line.size() + unit > kWidth) {
            out.append(line).append("=").append(eol);
            line.clear();
        }
        line.append(value.substr(i, unit));
        valueOnLine = true;
        i += unit;
    }
    out.append(line).append(eol);
}

} // namespace

bool Property::isNamed(std::string_view n) const { return !opaque && sameName(name, n); }

std::vector<std::string> Property::paramValues(std::string_view n) const {
    std::vector<std::string> out;
    for (const Param& p : params) {
        const bool match = p.name.empty() ? sameName(n, "TYPE") : sameName(p.name, n);
        if (match) out.insert(out.end(), p.values.begin(), p.values.end());
    }
    return out;
}

bool Property::hasType(std::string_view t) const {
    for (const Param& p : params) {
        if (!p.name.empty() && !sameName(p.name, "TYPE")) continue;
        for (const std::string& v : p.values) {
            // A quoted list ("work,fax") arrives as one value.
            std::string_view rest = v;
            while (!rest.empty()) {
                const size_t comma = rest.find(',');
                if (sameName(rest.substr(0, comma), t)) return true;
                if (comma == std::string_view::npos) break;
                rest.remove_prefix(comma + 1);
            }
        }
    }
    return false;
}

bool Property::isQuotedPrintable() const {
    for (const Param& p : params) {
        for (const std::string& v : p.values) {
            const bool encoding = p.name.empty() || sameName(p.name, "ENCODING");
            if (encoding && (sameName(v, "QUOTED-PRINTABLE") || sameName(v, "QP"))) return true;
        }
    }
    return false;
}

std::string Property::charset() const {
    for (const Param& p : params)
        if (!p.values.empty() && !p.name.empty() && sameName(p.name, "CHARSET"))
            return p.values.front();
    return std::string();
}

std::string Card::version() const {
    const Property* v = find("VERSION");
    if (!v) return "3.0";
    std::string_view s = v->value;
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    if (s == "2.1" || s == "4.0") return std::string(s);
    return "3.0";
}

const Property* Card::find(std::string_view name) const {
    for (const Property& p : lines)
        if (p.isNamed(name)) return &p;
    return nullptr;
}

Property* Card::find(std::string_view name) {
    return const_cast<Property*>(static_cast<const Card*>(this)->find(name));
}

std::vector<const Property*> Card::all(std::string_view name) const {
    std::vector<const Property*> out;
    for (const Property& p : lines)
        if (p.isNamed(name)) out.push_back(&p);
    return out;
}

Property& Card::add(Property p) {
    p.raw.clear();
    changed = true;
    auto at = complete && !lines.empty() ? lines.end() - 1 : lines.end();
    return *lines.insert(at, std::move(p));
}

void Card::remove(const Property* p) {
    const auto index = p - lines.data();
    if (index < 0 || size_t(index) >= lines.size()) return;
    lines.erase(lines.begin() + index);
    changed = true;
}

std::string Card::text() const {
    std::string out;
    const std::string v = changed ? version() : std::string();
    for (const Property& p : lines) out += !p.raw.empty() || !changed ? p.raw : writeLine(p, v, eol);
    return out;
}

std::string Document::text() const {
    std::string out;
    for (const Segment& s : segments) out += s.isCard ? s.card.text() : s.text;
    return out;
}

std::string writeLine(const Property& p, std::string_view version, std::string_view eol) {
    std::string line;
    if (!p.group.empty()) line += p.group + '.';
    line += p.name;
    for (const Param& param : p.params) {
        // A parameter that would not read back as written - a name that is no
        // name (it may hold a quote), or in 2.1, which has no quoting, a value
        // with a colon - would end the header in the wrong place and lose the
        // value; a rewritten line leaves it out.
        if (!std::all_of(param.name.begin(), param.name.end(), isNameChar)) continue;
        if (version == "2.1" && std::any_of(param.values.begin(), param.values.end(), [](const std::string& v) {
                return v.find(':') != std::string::npos;
            }))
            continue;
        line += ';';
        if (!param.name.empty()) line += param.name + '=';
        for (size_t i = 0; i < param.values.size(); ++i) {
            if (i) line += ',';
            std::string v = param.values[i];
            v.erase(std::remove(v.begin(), v.end(), '"'), v.end());
            line += needsQuotes(v) && version != "2.1" ? '"' + v + '"' : v;
        }
    }
    std::string out;
    if (version == "2.1" && p.isQuotedPrintable()) {
        appendSoftBroken(out, line, p.value, eol);
        return out;
    }
    line += ':';
    line += p.value;
    if (version == "2.1") out = line + std::string(eol);
    else appendFolded(out, line, eol);
    return out;
}

namespace {

// Whether a line could be quoted-printable, without parsing it.
bool mayBeQuotedPrintable(std::string_view line) {
    const size_t colon = line.find(':');
    const std::string_view head = line.substr(0, colon);
    for (size_t i = 0; i + 2 <= head.size(); ++i) {
        if (upperAscii(head[i]) != 'Q') continue;
        if (upperAscii(head[i + 1]) == 'P' || upperAscii(head[i + 1]) == 'U') return true;
    }
    return false;
}

} // namespace

ScanResult scan(std::string_view bytes, const std::function<void(const Span&, Card* card)>& each) {
    ScanResult result;
    auto damage = [&result](const char* why) {
        if (!result.damaged) result.damage = why;
        result.damaged = true;
    };
    if (bytes.find('\0') != std::string_view::npos) {
        // Binary data is not ours to read (for instance a Windows .wab file).
        damage("binary data");
        if (!bytes.empty()) each({false, 0, bytes.size()}, nullptr);
        return result;
    }
    size_t textStart = 0;
    size_t textEnd = 0;
    auto flushText = [&] {
        if (textEnd > textStart) each({false, textStart, textEnd - textStart}, nullptr);
    };
    size_t pos = 0;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") pos = textEnd = 3;
    Card card;
    size_t used = 0; // lines of `card` filled; the rest are storage kept for the next card
    auto deliver = [&](const Span& span) {
        card.lines.resize(used);
        each(span, &card);
        used = 0;
    };
    bool inCard = false;
    size_t cardStart = 0;
    int depth = 0; // cards nested in the current one (2.1 AGENT)
    while (pos < bytes.size()) {
        const size_t start = pos;
        size_t next = 0;
        std::string_view content = physicalLine(bytes, pos, &next);
        std::string joined; // only for lines that continue on the next ones
        bool isJoined = false;
        pos = next;
        Property& p = slot(card.lines, used);
        const bool qp = mayBeQuotedPrintable(content) && parseHeader(content, p) && p.isQuotedPrintable();
        // Folded continuation lines, and quoted-printable soft line breaks.
        while (pos < bytes.size()) {
            const std::string_view line = physicalLine(bytes, pos, &next);
            if (qp && !content.empty() && content.back() == '=') {
                if (!isJoined) joined = content;
                isJoined = true;
                joined.pop_back();
                joined.append(line);
            } else if (!line.empty() && (line[0] == ' ' || line[0] == '\t') && !isBlank(line)) {
                if (!isJoined) joined = content;
                isJoined = true;
                joined.append(line.substr(1));
            } else {
                break;
            }
            content = joined;
            pos = next;
        }
        const std::string_view raw = bytes.substr(start, pos - start);
        const bool shaped = parseHeader(content, p);
        p.raw.assign(raw);
        p.opaque = !shaped;
        const bool begin = shaped && p.isNamed("BEGIN") && sameName(p.value, "VCARD");
        const bool end = shaped && p.isNamed("END") && sameName(p.value, "VCARD");
        if (!inCard) {
            if (begin) {
                flushText();
                inCard = true;
                cardStart = start;
                card.changed = card.complete = false;
                card.eol = lineEndOf(raw);
                used = 1;
                depth = 0;
            } else {
                if (!isBlank(content)) damage(end ? "END without BEGIN" : "text outside a card");
                if (textEnd <= textStart) textStart = start;
                textEnd = pos;
            }
            continue;
        }
        if (depth > 0 || begin) {
            // Lines of a nested card belong to the outer one, unread.
            if (begin) ++depth;
            if (end) --depth;
            p.opaque = true;
            ++used;
            continue;
        }
        ++used;
        if (end) {
            card.complete = true;
            inCard = false;
            deliver({true, cardStart, pos - cardStart});
            textStart = textEnd = pos;
        }
    }
    if (inCard) {
        damage("card without END");
        deliver({true, cardStart, bytes.size() - cardStart});
    } else {
        flushText();
    }
    return result;
}

Document parse(std::string_view bytes) {
    Document doc;
    const ScanResult r = scan(bytes, [&](const Span& span, Card* card) {
        Segment s;
        s.isCard = span.isCard;
        if (card) s.card = std::move(*card);
        else s.text = std::string(bytes.substr(span.offset, span.length));
        doc.segments.push_back(std::move(s));
    });
    doc.damaged = r.damaged;
    doc.damage = r.damage;
    return doc;
}

} // namespace wab32::vcard
