// The store library's path rule and the stepping through store elements.

#include <gtest/gtest.h>

#include <cstring>

#include "fax_test_util.h"
#include "store_elements.h"
#include "store_library.h"

using namespace vqfax;

TEST(StoreLibrary, PathFollowsThePrinterDriverFolderAndTheWindowsVersion) {
    EXPECT_EQ(libraryPath("/drivers/", {platform::kPlatformWin32Nt, 5, 0}), "/drivers/3/vqconv.so");
    EXPECT_EQ(libraryPath("/drivers", {platform::kPlatformWin32Nt, 4, 0}), "/drivers/2/vqconv.so");
    EXPECT_EQ(libraryPath("/drivers/", {platform::kPlatformWin32Nt, 3, 51}), "/drivers/2/vqconv.so");
    EXPECT_EQ(libraryPath("/drivers/", {platform::kPlatformWin32Nt, 6, 1}), "/drivers/vqconv.so");
    EXPECT_EQ(libraryPath("/drivers/", {platform::kPlatformWin32Windows, 4, 90}), "/drivers/vqconv.so");
    // This system reports the non-NT family: the library sits in the folder itself.
    EXPECT_EQ(libraryFolder("/d/", platform::osVersion()), "/d/");
}

TEST(StoreLibrary, ErrorWordsMapAsTheLibraryContractSays) {
    EXPECT_EQ(mapErrorWord(1), E_INVALIDARG);
    EXPECT_EQ(mapErrorWord(2), MAPI_E_DISK_ERROR);
    EXPECT_EQ(mapErrorWord(3), MAPI_E_DISK_ERROR);
    EXPECT_EQ(mapErrorWord(4), MAPI_E_NOT_FOUND);
    EXPECT_EQ(mapErrorWord(5), MAPI_E_NOT_FOUND);
    EXPECT_EQ(mapErrorWord(6), MAPI_E_NOT_ENOUGH_DISK);
    EXPECT_EQ(mapErrorWord(0), S_OK);
    EXPECT_EQ(mapErrorWord(7), S_OK);
    EXPECT_EQ(mapErrorWord(0xFFFFFFFF), S_OK);
}

TEST(StoreElements, ReadingStopsAtTheEndOfTheBufferWhateverTheCountSays) {
    // A field, a member, then a member cut short by the end of the buffer.
    std::vector<uint8_t> bytes = faxtest::fieldElement(528, "0212345678");
    auto member = faxtest::memberElement(INT32_MIN | 4, 0);
    bytes.insert(bytes.end(), member.begin(), member.end());
    bytes.insert(bytes.end(), member.begin(), member.begin() + 100);
    auto elements = parseElements(bytes.data(), bytes.size(), 1000);
    ASSERT_EQ(elements.size(), 2u);
    EXPECT_EQ(elements[0].text, "0212345678");
    EXPECT_TRUE(elements[1].isMember());
    EXPECT_EQ(elements[1].member, INT32_MIN | 4);

    // A field element whose text is not terminated within its 256 bytes.
    std::vector<uint8_t> full(260, 'x');
    const uint32_t code = 1;
    std::memcpy(full.data(), &code, 4);
    elements = parseElements(full.data(), full.size(), 1);
    ASSERT_EQ(elements.size(), 1u);
    EXPECT_EQ(elements[0].text.size(), 255u);

    // Fewer bytes than a code word, and a count of nothing.
    EXPECT_TRUE(parseElements(full.data(), 3, 5).empty());
    EXPECT_TRUE(parseElements(full.data(), full.size(), 0).empty());
}

TEST(StoreElements, WritingPacksFieldsAndMembersAndCutsLongTexts) {
    Element member = Element::memberOf(7, 2);
    member.reserved.fill(0x5C);
    const std::vector<Element> elements = {Element::field(1, std::string(300, 'n')), member};
    const auto bytes = serializeElements(elements);
    EXPECT_EQ(bytes.size(), 2u * 260u); // sized at 260 bytes per element
    const auto back = parseElements(bytes.data(), bytes.size(), 2);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].text, std::string(255, 'n'));
    EXPECT_EQ(bytes[4 + 255], 0); // terminated
    EXPECT_EQ(back[1].member, 7);
    EXPECT_EQ(back[1].flags, 2u);
    EXPECT_EQ(back[1].reserved, member.reserved);
    // The member element starts right after the 260-byte field.
    uint32_t code = 0;
    std::memcpy(&code, bytes.data() + 260, 4);
    EXPECT_EQ(code, 48u);
}

TEST(StoreElements, FieldCodesAndTagsMatchByPropertyIdentifier) {
    EXPECT_EQ(tagForCode(272), 0x3A25001Eu);
    EXPECT_EQ(tagForCode(531), 0x5803001Eu);
    EXPECT_EQ(tagForCode(7), 0u);
    EXPECT_EQ(codeForTag(0x3001001F), 1u); // the identifier decides, not the type
    EXPECT_EQ(codeForTag(0x3A24001E), 528u);
    EXPECT_EQ(codeForTag(0x0FFF0102), 0u);
}
