#include "settings/field_maps.h"
#include "settings/pdx_labels.h"

#include "test_environment.h"

#include <gtest/gtest.h>

using namespace lisotrex;

TEST(FieldMaps, MissingFileGivesDefaultsWithTheirAdditions) {
    FieldMaps maps = FieldMaps::load(velmo::test::makeTempDir() + "/none.inf");
    ASSERT_EQ(maps.maps().size(), 3u);
    EXPECT_EQ(maps.maps()[0].name, "Microsoft Exchange 5.X");
    EXPECT_EQ(maps.maps()[1].name, "Microsoft Exchange 2000");
    EXPECT_EQ(maps.maps()[2].name, "Lotus Notes");
    EXPECT_EQ(maps.find("Microsoft Exchange 5.X")->value(FieldKey::EmailProperty), "SMTP:");
    EXPECT_EQ(maps.find("Microsoft Exchange 2000")->value(FieldKey::EmailProperty), "") << "no ':' for 2000";
    EXPECT_EQ(maps.find("Lotus Notes")->value(FieldKey::FaxNumber2), "HomeFAXPhoneNumber:  ");
    EXPECT_EQ(maps.find("lotus notes"), nullptr) << "found by exact name";
}

TEST(FieldMaps, FileValuesReplaceDefaults) {
    std::string inf = velmo::test::makeTempDir() + "/Lisotrex.inf";
    velmo::test::writeFile(inf, "[LOTUS NOTES]\r\nEmail1 = Mail\r\n[Microsoft Exchange 5.X]\r\nEmailProperty=X400\r\n"
                                "FirstName=" + std::string(1500, 'g') + "\r\n");
    FieldMaps maps = FieldMaps::load(inf);
    EXPECT_EQ(maps.find("Lotus Notes")->value(FieldKey::Email1), "Mail:  ");
    EXPECT_EQ(maps.find("Lotus Notes")->value(FieldKey::Email2), "InternetAddress:  ");
    EXPECT_EQ(maps.find("Microsoft Exchange 5.X")->value(FieldKey::EmailProperty), "X400:");
    EXPECT_EQ(maps.find("Microsoft Exchange 5.X")->value(FieldKey::FirstName).size(), 1023u) << "1024-byte buffer";
}

TEST(PdxLabels, DefaultsAreJapaneseInCodePage932) {
    PdxLabels labels = readPdxLabels(velmo::test::makeTempDir() + "/none.inf");
    EXPECT_EQ(labels.utf8(PdxLabel::FaxNumberHome), "[第2優先(自宅ファクス)]");
    EXPECT_EQ(labels.value(PdxLabel::CompEmailAddress), "(E-mail)");
    // "第" in code page 932
    EXPECT_EQ(labels.value(PdxLabel::FaxNumberPrimary).substr(0, 3), "[\x91\xe6");
    std::string inf = velmo::test::makeTempDir() + "/Lisotrex.inf";
    velmo::test::writeFile(inf, "[PDX C_IF]\nEmailAddress=[Mail]\nFaxNumberOther=\n");
    labels = readPdxLabels(inf);
    EXPECT_EQ(labels.utf8(PdxLabel::EmailAddress), "[Mail]");
    EXPECT_EQ(labels.utf8(PdxLabel::FaxNumberOther), "") << "an empty value is a value";
}
