// The registry a profile leaves behind, seen through the real tools: pdxadmin
// writes it through vqcore.so, velmo-reg exports it as REGEDIT4 text, and every
// key and value is compared byte for byte with the profile store layout.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/registry.h"
#include "test_environment.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Values = std::map<std::string, std::string>; // value name -> text after "="
using Keys = std::vector<std::pair<std::string, Values>>;

const std::string kRoot = "HKEY_CURRENT_USER\\Software\\Velmo\\Pandex\\Profiles";

// ---- the stored form of one property, built here from the layout itself

void putWord(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

// Size word (24 + data rounded up to 8, at least 32), data length, tag, pad
// word, the 8-byte value slot, then the data area padded with zeros.
Bytes node(uint32_t tag, uint32_t slotWord, const Bytes& data) {
    const size_t size = std::max<size_t>(32, 24 + ((data.size() + 7) / 8) * 8);
    Bytes b;
    putWord(b, uint32_t(size));
    putWord(b, uint32_t(data.size()));
    putWord(b, tag);
    putWord(b, 0);
    putWord(b, slotWord);
    putWord(b, 0);
    b.insert(b.end(), data.begin(), data.end());
    b.resize(size, 0);
    return b;
}

Bytes withNul(const std::string& s) {
    Bytes b(s.begin(), s.end());
    b.push_back(0);
    return b;
}

Bytes stringNode(uint32_t tag, const std::string& s) { return node(tag, 0, withNul(s)); }
// The value slot carries the byte count; the pointer beside it is not stored.
Bytes binaryNode(uint32_t tag, const Bytes& bytes) { return node(tag, uint32_t(bytes.size()), bytes); }
// Count in the slot; the data area holds one empty pointer slot per string,
// then the strings back to back.
Bytes multiStringNode(uint32_t tag, const std::vector<std::string>& strings) {
    Bytes data(4 * strings.size(), 0);
    for (const auto& s : strings) {
        Bytes b = withNul(s);
        data.insert(data.end(), b.begin(), b.end());
    }
    return node(tag, uint32_t(strings.size()), data);
}
Bytes longNode(uint32_t tag, uint32_t value) { return node(tag, value, {}); }

std::string hexValue(const Bytes& bytes) {
    std::string out = "hex:";
    char buf[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(buf, sizeof buf, "%s%02x", i ? "," : "", bytes[i]);
        out += buf;
    }
    return out;
}

// The value name is the tag in unsigned decimal.
void expectProperty(Values& values, uint32_t tag, const Bytes& body) { values[std::to_string(tag)] = hexValue(body); }

// ---- reading the export

Keys parseExport(const std::string& text, std::string& error) {
    Keys keys;
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != "REGEDIT4") error = "no REGEDIT4 header";
    while (error.empty() && std::getline(in, line)) {
        if (line.empty()) continue;
        if (line.front() == '[' && line.back() == ']') {
            keys.emplace_back(line.substr(1, line.size() - 2), Values{});
            continue;
        }
        const size_t end = line.find("\"=");
        if (keys.empty() || line.front() != '"' || end == std::string::npos) {
            error = "unexpected line: " + line;
            break;
        }
        keys.back().second[line.substr(1, end - 1)] = line.substr(end + 2);
    }
    return keys;
}

bool isLowerHexUid(const std::string& s) {
    return s.size() == 32 && std::all_of(s.begin(), s.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

Bytes fromHex(const std::string& s) {
    Bytes out;
    for (size_t i = 0; i + 1 < s.size(); i += 2) out.push_back(uint8_t(std::stoul(s.substr(i, 2), nullptr, 16)));
    return out;
}

int pdxadmin(const std::string& args) {
    std::string out, err;
    // Stored strings are in the system code page: pin it so the bytes are known.
    int status = velmo::test::runCommand("VELMO_CODEPAGE=UTF-8 " + velmo::test::binPath("pdxadmin") + " " + args, &out, &err);
    EXPECT_EQ(status, 0) << args << ": " << out << err;
    return status;
}

class ProfileRegistry : public ::testing::Test {
protected:
    void SetUp() override { velmo::test::freshRegistry(); }
    void TearDown() override { platform::closeRegistry(); }
};

} // namespace

TEST_F(ProfileRegistry, DefaultServicesProfileMatchesTheStoreLayout) {
    ASSERT_EQ(pdxadmin("create Main --default-services"), 0);
    ASSERT_EQ(pdxadmin("create Empty"), 0);
    ASSERT_EQ(pdxadmin("set-default Main"), 0);

    std::string text, err;
    ASSERT_EQ(velmo::test::runCommand(velmo::test::binPath("velmo-reg") + " export '" + kRoot + "'", &text, &err), 0)
        << err;
    std::string error;
    const Keys keys = parseExport(text, error);
    ASSERT_EQ(error, "") << text;
    ASSERT_EQ(keys.size(), 4u) << text;

    // The root holds only the default profile's name; a profile without
    // default services is an empty key.
    EXPECT_EQ(keys[0].first, kRoot);
    EXPECT_EQ(keys[0].second, (Values{{"DefaultProfile", "\"Main\""}}));
    EXPECT_EQ(keys[1].first, kRoot + "\\Empty");
    EXPECT_TRUE(keys[1].second.empty());
    EXPECT_EQ(keys[2].first, kRoot + "\\Main");
    EXPECT_TRUE(keys[2].second.empty());

    // One service key, named by its UID in lower-case hex, bytes in stored order.
    const std::string prefix = kRoot + "\\Main\\";
    ASSERT_EQ(keys[3].first.substr(0, prefix.size()), prefix);
    const std::string uid = keys[3].first.substr(prefix.size());
    ASSERT_TRUE(isLowerHexUid(uid)) << uid;

    // The "WAB" service of the shipped INF's "Default Services".
    Values service;
    expectProperty(service, 0x0FF60102, binaryNode(0x0FF60102, withNul("WAB"))); // PR_INSTANCE_KEY
    expectProperty(service, 0x3D09001E, stringNode(0x3D09001E, "WAB"));          // PR_SERVICE_NAME
    expectProperty(service, 0x3006001E, stringNode(0x3006001E, "Windows 通訊錄"));  // PR_PROVIDER_DISPLAY
    expectProperty(service, 0x3001001E, stringNode(0x3001001E, "Windows 通訊錄"));  // PR_DISPLAY_NAME
    expectProperty(service, 0x3D0A001E, stringNode(0x3D0A001E, "vqwabsp.dll"));  // PR_SERVICE_DLL_NAME
    expectProperty(service, 0x3D0B001E, stringNode(0x3D0B001E, "WABServiceEntry")); // PR_SERVICE_ENTRY_NAME
    expectProperty(service, 0x3D0F101E, multiStringNode(0x3D0F101E, {"vqwabsp.dll"})); // PR_SERVICE_SUPPORT_FILES
    expectProperty(service, 0x3D10101E, multiStringNode(0x3D10101E, {"vqwabsp.dll"})); // PR_SERVICE_DELETE_FILES
    expectProperty(service, 0x3D0C0102, binaryNode(0x3D0C0102, fromHex(uid)));  // PR_SERVICE_UID
    expectProperty(service, 0x30090003, longNode(0x30090003, 0x2));             // PR_RESOURCE_FLAGS: single copy
    EXPECT_EQ(keys[3].second, service);
    // Spot checks against the documented names and sizes, independent of the encoder above.
    ASSERT_EQ(keys[3].second.count("1024196866"), 1u); // PR_SERVICE_UID
    EXPECT_EQ(keys[3].second.at("1024196866").substr(0, 4 + 3 * 12), "hex:28,00,00,00,10,00,00,00,02,01,0c,3d,");
    EXPECT_EQ(keys[3].second.at("1024196866").size(), 4 + 3 * 40 - 1);

    // "DefaultProfile" is REG_SZ written with its terminating NUL.
    platform::RegKey root;
    ASSERT_EQ(platform::RegKey::open(platform::RegRoot::CurrentUser, "Software\\Velmo\\Pandex\\Profiles", root),
              platform::kRegOk);
    platform::RegType type = platform::REG_NONE;
    Bytes data;
    ASSERT_EQ(root.queryValue("DefaultProfile", &type, &data), platform::kRegOk);
    EXPECT_EQ(type, platform::REG_SZ);
    EXPECT_EQ(data, withNul("Main"));
    // Every service value is REG_BINARY.
    platform::RegKey serviceKey;
    ASSERT_EQ(root.openSubKey("Main\\" + uid, serviceKey), platform::kRegOk);
    for (const auto& [name, body] : keys[3].second) {
        ASSERT_EQ(serviceKey.queryValue(name, &type, &data), platform::kRegOk) << name;
        EXPECT_EQ(type, platform::REG_BINARY) << name;
    }
}
