#include "selection/recipient_selection.h"

#include "selection/record_io.h"

#include <algorithm>
#include <unordered_set>

#include "platform/codepage.h"
#include "selection/container_contents.h"
#include "selection/list_expansion.h"
#include "bridge_strings.h"

namespace vqbridge {

namespace {

// "%s - %s" (or whatever string 28 holds) with the two texts in order.
std::string formatItem(const std::string& format, const std::string& first, const std::string& second) {
    std::string out;
    const std::string* next[] = {&first, &second};
    size_t used = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 's' && used < 2) {
            out += *next[used++];
            ++i;
        } else {
            out.push_back(format[i]);
        }
    }
    return out;
}

// Name and address as a record holds them: a recipient handed back by the
// caller, cut to the record's limits, is the same item as the row it came from.
std::string itemKey(const Recipient& r) {
    return boundedText(r.displayName, kDisplayNameLimit) + '\0' + boundedText(r.address, kAddressLimit);
}

bool startsWithIgnoringAsciiCase(const std::string& text, const std::string& prefix) {
    if (prefix.size() > text.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
        if (lower(static_cast<unsigned char>(text[i])) != lower(static_cast<unsigned char>(prefix[i]))) return false;
    }
    return true;
}

Recipient recipientOf(const EntryRow& row) {
    Recipient r;
    r.displayName = row.name;
    r.address = row.address;
    r.company = row.company;
    r.department = row.department;
    if (row.addressKind == AddressKind::HomeFax || row.addressKind == AddressKind::BusinessFax) {
        r.faxText1 = row.texts.first;
        r.faxText2 = row.texts.second;
    }
    r.kind = row.addressKind == AddressKind::Email ? kEmailRecipient : kFaxRecipient;
    r.givenName = row.givenName;
    r.surname = row.surname;
    return r;
}

} // namespace

RecipientSelection::RecipientSelection(PdxAccess pdx, SelectionLabels labels, uint32_t capacity,
                                       std::vector<Recipient> preselected)
    : pdx_(pdx), labels_(std::move(labels)), capacity_(capacity) {
    insertSorted(std::move(preselected), nullptr);
}

void RecipientSelection::loadContainers() { containers_ = readContainers(pdx_); }

int RecipientSelection::defaultContainer() const { return nodeOfEntryId(containers_, defaultDirectory(pdx_)); }

void RecipientSelection::showContainer(int node) {
    rows_.clear();
    shown_ = node;
    if (node < 0 || size_t(node) >= containers_.size()) return;
    readContainerRows(pdx_, containers_[size_t(node)].entryId, labels_, nextRowId_, rows_);
    sort_ = SortState{};
    sortRows(rows_, sort_);
}

void RecipientSelection::sortBy(int column) {
    if (column < 0 || column >= kColumnCount) return;
    sort_.click(column);
    sortRows(rows_, sort_);
}

int RecipientSelection::rowOfId(uint32_t id) const {
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].id == id) return int(i);
    return -1;
}

int RecipientSelection::findByPrefix(const std::string& prefix) const {
    for (size_t i = 0; i < rows_.size(); ++i)
        if (startsWithIgnoringAsciiCase(rows_[i].name, prefix)) return int(i);
    return -1;
}

bool RecipientSelection::canAdd(const std::vector<size_t>& selected) const {
    return std::any_of(selected.begin(), selected.end(), [&](size_t i) {
        return i < rows_.size() && (rows_[i].isList() || rows_[i].hasAddress());
    });
}

std::string RecipientSelection::informationText(size_t index) const {
    if (index >= rows_.size()) return {};
    const EntryRow& row = rows_[index];
    std::vector<std::string> lines;
    if (row.isList()) {
        for (const std::string& name : listMemberNames(pdx_, row.entryId)) lines.push_back(platform::systemToUtf8(name));
    } else {
        lines.push_back(platform::systemToUtf8(row.name));
        lines.push_back(platform::systemToUtf8(row.company));
        lines.push_back(platform::systemToUtf8(row.department));
        const std::string* label = nullptr;
        switch (row.addressKind) {
        case AddressKind::BusinessFax: label = &labels_.business; break;
        case AddressKind::HomeFax: label = &labels_.home; break;
        case AddressKind::PrimaryFax: label = &labels_.primary; break;
        case AddressKind::OtherFax: label = &labels_.other; break;
        case AddressKind::Email: label = &labels_.email; break;
        case AddressKind::None: break;
        }
        if (!label) lines.push_back(loadString(kStrRegisteredRecipient));
        else if (!label->empty())
            lines.push_back(platform::systemToUtf8(row.address) + loadString(kStrLabelGap) + *label);
        if (row.addressKind == AddressKind::BusinessFax || row.addressKind == AddressKind::HomeFax)
            lines.push_back(platform::systemToUtf8(row.texts.third));
        lines.push_back(platform::systemToUtf8(row.comment));
    }
    std::string text;
    for (const std::string& line : lines) {
        if (line.empty()) continue;
        if (!text.empty()) text += loadString(kStrLineSeparator);
        text += line;
    }
    return text;
}

RecipientSelection::AddResult RecipientSelection::add(const std::vector<size_t>& selected,
                                                      std::vector<size_t>* added) {
    std::vector<size_t> order = selected;
    std::sort(order.begin(), order.end());
    order.erase(std::unique(order.begin(), order.end()), order.end());
    std::vector<Recipient> chosen;
    std::vector<const EntryRow*> lists;
    for (size_t i : order) {
        if (i >= rows_.size()) continue;
        const EntryRow& row = rows_[i];
        if (row.isList()) lists.push_back(&row);
        else if (row.hasAddress()) chosen.push_back(recipientOf(row));
    }
    for (Recipient& r : expandLists(pdx_, lists, labels_)) chosen.push_back(std::move(r));

    // A recipient already chosen in this add, or already in the import list, is dropped.
    std::unordered_set<std::string> seen;
    seen.reserve(items_.size() + chosen.size());
    for (const Recipient& r : items_) seen.insert(itemKey(r));
    std::vector<Recipient> fresh;
    for (Recipient& r : chosen)
        if (seen.insert(itemKey(r)).second) fresh.push_back(std::move(r));
    if (items_.size() + fresh.size() > capacity_) return AddResult::TooMany;
    // Every add the capacity allows counts as a change, even one that
    // brought nothing new: OK is then enabled all the same.
    changed_ = true;
    if (fresh.empty()) {
        if (added) added->clear();
        return AddResult::NothingNew;
    }
    insertSorted(std::move(fresh), added);
    return AddResult::Added;
}

void RecipientSelection::insertSorted(std::vector<Recipient> fresh, std::vector<size_t>* added) {
    // Each new item goes after the items that sort equal to it, as a sorted list box inserts.
    const std::string format = systemString(kStrItemFormat);
    std::vector<std::wstring> keys;
    keys.reserve(fresh.size());
    for (const Recipient& r : fresh) keys.push_back(platform::collationKey(formatItem(format, r.displayName, r.address)));
    std::vector<size_t> order(fresh.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return keys[a] < keys[b]; });

    std::vector<Recipient> items;
    std::vector<std::wstring> itemKeys;
    std::vector<bool> isNew;
    items.reserve(items_.size() + fresh.size());
    itemKeys.reserve(items.capacity());
    size_t old = 0;
    for (size_t n : order) {
        while (old < items_.size() && !(keys[n] < itemKeys_[old])) {
            items.push_back(std::move(items_[old]));
            itemKeys.push_back(std::move(itemKeys_[old]));
            isNew.push_back(false);
            ++old;
        }
        items.push_back(std::move(fresh[n]));
        itemKeys.push_back(std::move(keys[n]));
        isNew.push_back(true);
    }
    for (; old < items_.size(); ++old) {
        items.push_back(std::move(items_[old]));
        itemKeys.push_back(std::move(itemKeys_[old]));
        isNew.push_back(false);
    }
    items_ = std::move(items);
    itemKeys_ = std::move(itemKeys);
    if (added) {
        added->clear();
        for (size_t i = 0; i < isNew.size(); ++i)
            if (isNew[i]) added->push_back(i);
    }
}

int RecipientSelection::remove(std::vector<size_t> positions) {
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    while (!positions.empty() && positions.back() >= items_.size()) positions.pop_back();
    if (positions.empty()) return items_.empty() ? -1 : 0;
    std::vector<Recipient> items;
    std::vector<std::wstring> keys;
    items.reserve(items_.size() - positions.size());
    keys.reserve(items.capacity());
    for (size_t i = 0, next = 0; i < items_.size(); ++i) {
        if (next < positions.size() && positions[next] == i) {
            ++next;
            continue;
        }
        items.push_back(std::move(items_[i]));
        keys.push_back(std::move(itemKeys_[i]));
    }
    items_ = std::move(items);
    itemKeys_ = std::move(keys);
    changed_ = true;
    if (items_.empty()) return -1;
    return int(std::min(positions.front(), items_.size() - 1));
}

std::string RecipientSelection::itemText(size_t position) const {
    if (position >= items_.size()) return {};
    return formatItem(systemString(kStrItemFormat), items_[position].displayName, items_[position].address);
}

} // namespace vqbridge
