// The bounded reader and the model walk: packed floats at every width, id
// lists, the bytes each record shape takes, and running off the end.
#include <gtest/gtest.h>

#include <vector>

#include "pack/pack_model.h"
#include "pack/reader.h"
#include "pack/record_values.h"

namespace lumen {
namespace {

TEST(PackedFloat, EachWidthFillsTheTopBytesOfTheFloat) {
    struct Row {
        std::vector<uint8_t> bytes;
        float value;
    };
    const Row rows[] = {
        {{0x80, 0x3F}, 1.0f},  {{0x00, 0xC0}, -2.0f}, {{0x48, 0x43}, 200.0f},
        {{0x80, 0xBF}, -1.0f}, {{0x00, 0x00}, 0.0f},  {{0xCC, 0x3D}, 0.099609375f},
        {{0x3F}, 0.5f},        {{0xC0}, -2.0f},       {{0x00, 0x80, 0x3F}, 1.0f},
        {{0x00, 0x00, 0x48, 0x43}, 200.0f},
    };
    for (const Row& row : rows) {
        PackReader r(row.bytes);
        const int width = static_cast<int>(row.bytes.size());
        EXPECT_EQ(r.readPackedFloat(width), row.value) << row.value << " at width " << width;
        EXPECT_TRUE(r.atEnd());
    }
    // Storing drops the low bits (no rounding up); four bytes keep every bit.
    EXPECT_EQ(packedBitsFromFloat(0.1f, 2), 0x3DCCu);
    EXPECT_EQ(packedFloatFromBits(packedBitsFromFloat(0.1f, 3), 3), 0.09999847412109375f);
    EXPECT_EQ(packedFloatFromBits(packedBitsFromFloat(1.0f / 3.0f, 4), 4), 1.0f / 3.0f);
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

TEST(IdList, CountZeroOrNegativeIsEmptyAndValuesAreLinkedInReverse) {
    for (std::vector<uint8_t> list : {std::vector<uint8_t>{0, 0}, {0xFE, 0xFF}, {0x00, 0x80}}) {
        const IdListRecord ids = readPackModel(packWithIdList(list)).scenes[0].objects[0].list;
        EXPECT_TRUE(ids.ids.empty());
        EXPECT_EQ(ids.emptyCount, static_cast<int16_t>(list[0] | list[1] << 8));
    }
    const IdListRecord ids = readPackModel(packWithIdList({3, 0, 3, 0, 7, 0, 0xFF, 0xFF})).scenes[0].objects[0].list;
    EXPECT_EQ(ids.ids, (std::vector<int16_t>{3, 7, -1}));
    EXPECT_EQ(idListValues(ids), (std::vector<int32_t>{-1, 7, 3}));
}

// Hand-made packs whose records take an exact number of bytes: a walk that
// takes one byte more or less runs off the end or leaves bytes over.
TEST(RecordBytes, EachShapeTakesExactlyItsBytes) {
    const std::vector<uint8_t> matrix(24, 0);
    struct Row {
        const char* what;
        std::vector<uint8_t> head;
        bool matrix;
        std::vector<uint8_t> tail;
    };
    const Row rows[] = {
        // Texture: a code-7 record with no text takes 10 bytes, others 9.
        {"empty text", {2, 1, 9, 2, 7, 0, 0, 0, 0, 0, 0, 0, 0, 0, 31, 0, 0, 0, 0, 0, 0, 0, 0}, false, {0, 0, 0, 0}},
        // Type 6 with bit 15: id, parent, skipped byte, segments, stacks, caps.
        {"skip byte", {2, 0, 0, 1, 0, 0, 0, 1, 0, 6, 0x80, 0, 0, 5, 0, 0xFF, 0xFF, 0xAA, 4, 1, 1}, true, {0, 0, 0, 0}},
        // A line path and one clip: the clip is only its id byte.
        {"clip", {2, 0, 0, 1, 0, 0, 0, 1, 0, 11, 0, 0, 0, 1, 0, 0xFF, 0xFF, 1}, true, {0, 1, 42, 0, 0}},
        // Camera 8 with two keys: the first stores all channels, the second a
        // zero mask; camera 9 has none.
        {"camera keys", {2, 0, 0, 1, 0, 0, 0, 0, 0, 2, 9, 0, 8, 2, 0, 0, 45, 0, 0}, false,
         {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 100, 0, 0, 0, 0, 0}},
    };
    for (const Row& row : rows) {
        std::vector<uint8_t> bytes = row.head;
        if (row.matrix) bytes.insert(bytes.end(), matrix.begin(), matrix.end());
        bytes.insert(bytes.end(), row.tail.begin(), row.tail.end());
        EXPECT_NO_THROW(readPackModel(bytes)) << row.what;
    }
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
    EXPECT_EQ(r.readByte(), 3);
    EXPECT_THROW(r.readUint32(), PackError);
    try {
        readPackModel(packWithIdList({0xFF, 0x7F, 1, 0, 2, 0}));
        FAIL() << "no error";
    } catch (const PackError& e) {
        EXPECT_EQ(e.section(), "scene section");
        EXPECT_NE(std::string(e.what()).find("id list entry"), std::string::npos) << e.what();
    }
}

}  // namespace
}  // namespace lumen
