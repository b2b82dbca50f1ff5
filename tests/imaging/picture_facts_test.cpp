#include "imaging/picture_facts.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace {

struct CaptionCase {
    const char* fixture;
    const char* caption;
    CaptionField field;
};

class PictureCaption : public ::testing::TestWithParam<CaptionCase> {};

TEST_P(PictureCaption, TheFirstFieldThatHoldsACaptionGivesIt) {
    const CaptionCase& c = GetParam();
    const CaptionFacts facts = ReadCaptionFacts(TestDataPath(std::string("metadata/") + c.fixture));
    EXPECT_EQ(facts.caption, c.caption);
    EXPECT_EQ(facts.caption_field, c.field);
}

INSTANTIATE_TEST_SUITE_P(
    EachField, PictureCaption,
    ::testing::Values(
        CaptionCase{"caption_every_field.jpg", "XMPの説明", CaptionField::XmpDescription},
        CaptionCase{"caption_iptc_over_exif.jpg", "IPTCの説明", CaptionField::IptcCaption},
        CaptionCase{"caption_cp932.jpg", "桜の花", CaptionField::ExifDescription},
        CaptionCase{"caption_usercomment_utf16be.jpg", "夕焼けの富士山", CaptionField::UserComment},
        CaptionCase{"caption_usercomment_utf16le.jpg", "夕焼けの富士山", CaptionField::UserComment},
        CaptionCase{"caption_usercomment_jis.jpg", "桜花", CaptionField::UserComment},
        CaptionCase{"caption_xpcomment.jpg", "窓辺の犬", CaptionField::XpComment},
        CaptionCase{"caption_boilerplate.jpg", "", CaptionField::None},
        CaptionCase{"caption_after_model_echo.jpg", "本当の説明", CaptionField::UserComment},
        CaptionCase{"location_xmp.gif", "二画素", CaptionField::XmpDescription},
        CaptionCase{"location_everywhere.png", "東京タワー", CaptionField::XmpDescription},
        CaptionCase{"location_everywhere.webp", "東京タワー", CaptionField::XmpDescription},
        CaptionCase{"location_everywhere.avif", "東京タワー", CaptionField::XmpDescription},
        CaptionCase{"location_everywhere.heic", "東京タワー", CaptionField::XmpDescription},
        CaptionCase{"location_everywhere.tiff", "東京タワー", CaptionField::XmpDescription},
        CaptionCase{"date_undated.jpg", "", CaptionField::None}));

TEST(UserComment, EachCharacterCodeIsDecodedByItsOwnRule) {
    using namespace std::string_literals;
    const struct {
        std::string bytes;
        bool big_endian;
        const char* text;
    } rows[] = {
        {"ASCII\0\0\0Sunset  \0\0"s, false, "Sunset"},
        // UTF-16 without a mark, in the other order than the Exif block's: told by its zeros.
        {"UNICODE\0S\0u\0n\0"s, true, "Sun"},
        {"UNICODE\0\xFE\xFF\0S\0u"s, false, "Su"},
        {"UNICODE\0\xE6\xA1\x9C"s, true, "桜"},           // UTF-8 written under UNICODE
        {"JIS\0\0\0\0\0\x1B$B:y\x1B(BA"s, false, "桜A"},  // ISO-2022-JP escapes
        {"\0\0\0\0\0\0\0\0\x8D\xF7"s, false, "桜"},       // undefined code: CP932
        {"\0\0\0\0\0\0\0\0        "s, false, ""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(DecodeUserComment(row.bytes, row.big_endian), row.text) << row.text;
}

TEST(Boilerplate, CameraTextIsNoCaptionButRealTextIs) {
    EXPECT_TRUE(IsBoilerplateCaption("OLYMPUS DIGITAL CAMERA ", "", ""));
    EXPECT_TRUE(IsBoilerplateCaption("sony dsc", "", ""));
    EXPECT_TRUE(IsBoilerplateCaption("  \r\n", "", ""));
    EXPECT_TRUE(IsBoilerplateCaption("NIKON D750", "NIKON CORPORATION", "NIKON D750"));
    EXPECT_TRUE(IsBoilerplateCaption("Canon Canon EOS R", "Canon", "Canon EOS R"));
    EXPECT_FALSE(IsBoilerplateCaption("Sony DSC at the lake", "", ""));
    EXPECT_FALSE(IsBoilerplateCaption("富士山", "FUJIFILM", "X-T4"));
}

TEST(CaptureTimes, OffsetsAndSubSecondsGiveTheMoment) {
    const auto at = [](const char* date, const char* subsec, const char* offset) {
        const std::optional<CaptureTime> t = ParseCaptureTime(date, subsec, offset);
        return t ? t->UtcMilliseconds(0) : -1;
    };
    // 2024-05-01 09:30 UTC.
    const std::int64_t base = 1714555800000;
    EXPECT_EQ(at("2024:05:01 18:30:00", "", "+09:00"), base);
    EXPECT_EQ(at("2024:05:01 11:30:00", "", "+02:00"), base);
    EXPECT_EQ(at("2024:05:01 04:30:00", "", "-05:00"), base);
    EXPECT_EQ(at("2024:05:01 18:30:00", "7", "+09:00"), base + 700);
    EXPECT_EQ(at("2024:05:01 18:30:00", "50", "+09:00"), base + 500);
    EXPECT_EQ(at("2024:05:01 09:30:00", "", ""), base) << "no offset: the one assumed";
    EXPECT_FALSE(ParseCaptureTime("0000:00:00 00:00:00", "", ""));
    EXPECT_FALSE(ParseCaptureTime("    :  :     :  :  ", "", ""));
    EXPECT_FALSE(ParseCaptureTime("2024:13:01 10:00:00", "", ""));

    const CaptionFacts facts = ReadCaptionFacts(TestDataPath("metadata/date_d_tokyo_subsec50.jpg"));
    ASSERT_TRUE(facts.taken);
    EXPECT_EQ(facts.taken->offset_minutes, 9 * 60);
    EXPECT_EQ(facts.taken->UtcMilliseconds(0), base + 500);
    // Every kind that carries Exif gives it, at 18:30 +09:00.
    for (const char* kind : {"png", "webp", "avif", "heic", "tiff"}) {
        const std::optional<CaptureTime> taken =
            ReadCaptionFacts(TestDataPath(std::string("metadata/location_everywhere.") + kind))
                .taken;
        ASSERT_TRUE(taken) << kind;
        EXPECT_EQ(taken->UtcMilliseconds(0), base) << kind;
    }
}

}  // namespace
