#pragma once
// String tables: UTF-8 texts looked up by numeric id, kept as data files
// ("<id>\t<text>" lines, "#" comments, \n \r \t \\ escapes) embedded at build time.

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform {

class StringTable {
public:
    // Malformed lines are reported in errors (when given) and skipped.
    static StringTable parse(std::string_view data, std::vector<std::string>* errors = nullptr);

    bool contains(int id) const { return texts_.count(id) != 0; }
    // The text of `id`. An id the table lacks is a programming error: with
    // VELMO_STRICT_STRINGS set (as in the test runs) the process aborts with
    // the id; otherwise the answer is empty.
    const std::string& text(int id) const;
    std::vector<int> ids() const;
    size_t size() const { return texts_.size(); }

private:
    std::unordered_map<int, std::string> texts_;
};

} // namespace platform
