// The bounded reader: packed floats at every width, id lists (as read and as
// linked), matrices, and running off the end.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "mesh/math3d.h"
#include "pack/pack_model.h"
#include "pack/reader.h"
#include "pack/record_values.h"

namespace lumen {
namespace {

float packed(std::vector<uint8_t> bytes, int width) {
    PackReader r(bytes);
    float f = r.readPackedFloat(width);
    EXPECT_EQ(r.offset(), static_cast<std::size_t>(width));
    return f;
}

TEST(PackedFloat, TwoBytesKeepSignExponentAndTopMantissa) {
    EXPECT_EQ(packed({0x80, 0x3F}, 2), 1.0f);
    EXPECT_EQ(packed({0x00, 0xC0}, 2), -2.0f);
    EXPECT_EQ(packed({0x48, 0x43}, 2), 200.0f);
    EXPECT_EQ(packed({0x80, 0xBF}, 2), -1.0f);
    EXPECT_EQ(packed({0x00, 0x00}, 2), 0.0f);
    // 0.1 is stored as its top two bytes 0xCC 0x3D.
    EXPECT_EQ(packedBitsFromFloat(0.1f, 2), 0x3DCCu);
    EXPECT_EQ(packed({0xCC, 0x3D}, 2), 0.099609375f);
}

TEST(PackedFloat, OtherWidthsShiftIntoTheTopBytes) {
    EXPECT_EQ(packed({0x3F}, 1), 0.5f);  // 0x3F000000
    EXPECT_EQ(packed({0xC0}, 1), -2.0f);
    EXPECT_EQ(packed({0x00, 0x80, 0x3F}, 3), 1.0f);
    EXPECT_EQ(packed({0x00, 0x00, 0x48, 0x43}, 4), 200.0f);
    // A plain float at N = 4 keeps every bit.
    float third = 1.0f / 3.0f;
    uint32_t bits = packedBitsFromFloat(third, 4);
    EXPECT_EQ(packedFloatFromBits(bits, 4), third);
    EXPECT_EQ(packed({uint8_t(bits), uint8_t(bits >> 8), uint8_t(bits >> 16), uint8_t(bits >> 24)}, 4), third);
    // Storing drops the low bits (no rounding up).
    EXPECT_EQ(packedFloatFromBits(packedBitsFromFloat(0.1f, 3), 3), 0.09999847412109375f);
}

TEST(PackedFloat, WidthOutsideOneToFourIsAnError) {
    std::vector<uint8_t> bytes(8, 0);
    PackReader r(bytes);
    EXPECT_THROW(r.readPackedFloat(0), PackError);
    EXPECT_THROW(r.readPackedFloat(5), PackError);
}

// A pack with one scene holding one object of type 100, whose type fields are
// a skipped byte and an id list: `list` is the id list's bytes.
std::vector<uint8_t> packWithIdList(std::vector<uint8_t> list) {
    std::vector<uint8_t> tail = {0, 0, 0, 0};  // cameras, clips, event count
    list.insert(list.begin(), {2, 0, 0, 1, 0, 0, 0, 1, 0, 100, 0, 0, 0, 1, 0, 0xFF, 0xFF, 0});
    list.insert(list.end(), tail.begin(), tail.end());
    return list;
}

TEST(IdList, CountZeroOrNegativeConsumesTwoBytesAndIsEmpty) {
    for (std::vector<uint8_t> list : {std::vector<uint8_t>{0, 0}, {0xFE, 0xFF}, {0x00, 0x80}}) {
        const PackModel m = readPackModel(packWithIdList(list));
        const IdListRecord& ids = m.scenes[0].objects[0].list;
        EXPECT_TRUE(ids.ids.empty());
        EXPECT_EQ(ids.emptyCount, static_cast<int16_t>(list[0] | list[1] << 8));
        EXPECT_TRUE(idListValues(ids).empty());
    }
}

TEST(IdList, ValuesAreLinkedInReverseStreamOrderAndSignExtended) {
    const PackModel m = readPackModel(packWithIdList({3, 0, 3, 0, 7, 0, 0xFF, 0xFF}));
    const IdListRecord& ids = m.scenes[0].objects[0].list;
    EXPECT_EQ(ids.ids, (std::vector<int16_t>{3, 7, -1}));
    EXPECT_EQ(idListValues(ids), (std::vector<int32_t>{-1, 7, 3}));
}

TEST(Matrix, TwelveFloatsFillTheFirstThreeRows) {
    std::array<PackedFloatBits, 12> stored;
    for (int i = 0; i < 12; ++i) stored[i].bits = packedBitsFromFloat(static_cast<float>(i + 1), 2);
    const Matrix4 m = matrixOf(stored, 2);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(m[i], float(i + 1));
    EXPECT_EQ(m[12], 0.0f);
    EXPECT_EQ(m[13], 0.0f);
    EXPECT_EQ(m[14], 0.0f);
    EXPECT_EQ(m[15], 1.0f);
}

TEST(Bounds, RunningOffTheEndNamesSectionOffsetAndWhatWasExpected) {
    std::vector<uint8_t> bytes = {1, 2, 3};
    PackReader r(bytes);
    r.setSection("scene section");
    r.readByte();
    r.readByte();
    try {
        r.readInt16("object id");
        FAIL() << "no error";
    } catch (const PackError& e) {
        EXPECT_EQ(e.section(), "scene section");
        EXPECT_EQ(e.offset(), 2u);
        EXPECT_STREQ(e.what(), "scene section: byte 2: expected 2 bytes (object id), 1 left");
    }
    // The failed read consumed nothing.
    EXPECT_EQ(r.offset(), 2u);
    EXPECT_EQ(r.readByte(), 3);
    EXPECT_THROW(r.readByte(), PackError);
    EXPECT_THROW(r.readPackedFloat(2), PackError);
    EXPECT_THROW(r.readUint32(), PackError);
}

TEST(Bounds, AnIdListLongerThanTheDataStops) {
    try {
        readPackModel(packWithIdList({0xFF, 0x7F, 1, 0, 2, 0}));
        FAIL() << "no error";
    } catch (const PackError& e) {
        EXPECT_EQ(e.section(), "scene section");
        EXPECT_NE(std::string(e.what()).find("id list entry"), std::string::npos) << e.what();
    }
}

TEST(ColorByte, IsTheByteTimesTheConstantRoundedToFloat) {
    EXPECT_EQ(colorByte(0), 0.0f);
    EXPECT_EQ(colorByte(255), static_cast<float>(255 * 0.003921569));
    EXPECT_NEAR(colorByte(128), 128.0 / 255.0, 1e-6);
}

}  // namespace
}  // namespace lumen
