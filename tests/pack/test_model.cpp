// The model walk and the readable source form: packed floats, the bytes of
// each record shape, running off the end, and random packs that
// survive writing, reading, disassembly and reassembly byte for byte.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "pack/pack_model.h"
#include "pack/pack_record_tables.h"
#include "pack/pack_source.h"
#include "pack/reader.h"
#include "pack/record_values.h"
#include "pack_test_support.h"

namespace lumen {
namespace {

class RandomPack {
public:
    explicit RandomPack(uint32_t seed) : rng_(seed) {}

    PackModel make() {
        PackModel m;
        m.width = static_cast<uint8_t>(between(1, 4));
        width_ = m.width;
        int textures = chance(10) ? 0 : between(1, 4);
        if (textures == 0) m.textureEmptyCount = static_cast<int8_t>(-between(0, 128));
        for (int t = 0; t < textures; ++t) m.textures.push_back(texture());
        int images = chance(10) ? 0 : between(1, 5);
        if (images == 0) m.imageEmptyCount = static_cast<int8_t>(-between(0, 128));
        for (int i = 0; i < images; ++i) {
            m.images.push_back(ImageRecord{byte(), byte(), {byte(), byte(), byte()}, byte()});
        }
        int scenes = between(0, 3);
        for (int s = 0; s < scenes; ++s) m.scenes.push_back(scene());
        int events = chance(10) ? 0 : between(1, 12);
        if (events == 0) m.eventEmptyCount = static_cast<int16_t>(-between(0, 32768));
        for (int e = 0; e < events; ++e) m.events.push_back(event());
        return m;
    }

private:
    int between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    bool chance(int percent) { return between(0, 99) < percent; }
    uint8_t byte() { return static_cast<uint8_t>(between(0, 255)); }
    int16_t word() { return static_cast<int16_t>(between(-32768, 32767)); }
    PackedFloatBits packed() {
        uint32_t limit = width_ == 4 ? 0xFFFFFFFFu : (1u << (8 * width_)) - 1;
        if (chance(50)) {
            // Ordinary values, which the printer writes as short decimals.
            float f = static_cast<float>(between(-20000, 20000)) / 64.0f;
            return PackedFloatBits{packedBitsFromFloat(f, width_)};
        }
        return PackedFloatBits{std::uniform_int_distribution<uint32_t>(0, limit)(rng_)};
    }
    IdListRecord idList() {
        IdListRecord l;
        int n = between(0, 4);
        if (n == 0) l.emptyCount = static_cast<int16_t>(-between(0, 3));
        for (int i = 0; i < n; ++i) l.ids.push_back(word());
        return l;
    }

    TextureProgramRecord texture() {
        TextureProgramRecord t;
        t.id = byte();
        int ops = chance(10) ? 0 : between(1, 6);
        if (ops == 0) t.emptyCount = static_cast<int8_t>(-between(0, 128));
        for (int k = 0; k < ops; ++k) {
            TextureOpRecord op;
            for (auto& b : op.b) b = byte();
            if (chance(25)) op.b[0] = kOpText;
            if (op.b[0] == kOpText) {
                int n = between(0, 12);
                for (int i = 0; i < n; ++i) op.text.push_back(chance(70) ? uint8_t(between(32, 126)) : byte());
            }
            t.ops.push_back(op);
        }
        return t;
    }

    SceneRecord scene() {
        SceneRecord s;
        s.id = byte();
        s.fog = chance(50) ? 0 : byte();
        s.fogColor = {byte(), byte(), byte()};
        s.fogDensity = packed();
        int lights = between(0, 3);
        for (int i = 0; i < lights; ++i) {
            LightRecord l;
            l.ignored = byte();
            l.kind = static_cast<uint8_t>(chance(80) ? between(0, kLightSpot) : byte());
            l.ambient = {byte(), byte(), byte()};
            l.diffuse = {byte(), byte(), byte()};
            for (auto& f : l.position) f = packed();
            for (auto& f : l.attenuation) f = packed();
            for (auto& f : l.spot) f = packed();
            s.lights.push_back(l);
        }
        // Every type with a row, and three without.
        std::vector<uint32_t> types = {0, 2, 200};
        for (const auto& row : objectTypeTable()) types.push_back(row.type);
        int objects = chance(10) ? 0 : between(1, 6);
        if (objects == 0) s.objectEmptyCount = static_cast<int16_t>(-between(0, 5));
        for (int i = 0; i < objects; ++i) {
            ObjectRecord o;
            const uint32_t type = types[size_t(between(0, int(types.size()) - 1))];
            o.flags = (std::uniform_int_distribution<uint32_t>()(rng_) & ~kObjectTypeMask) | type;
            o.id = word();
            o.parentId = word();
            o.textureId = byte();
            o.color = {byte(), byte(), byte(), byte()};
            o.skipped = byte();
            o.texture2Id = byte();
            o.mapping = {byte(), byte(), byte(), byte()};
            o.byteA = static_cast<uint8_t>(type == kTypeDeformer && chance(80) ? between(0, kDeformRotate) : byte());
            o.byteB = byte();
            o.words = {word(), word()};
            o.extra = byte();
            for (auto& f : o.values) f = packed();
            o.list = idList();
            for (auto& f : o.matrix) f = packed();
            s.objects.push_back(o);
        }
        int cameras = between(0, 2);
        for (int c = 0; c < cameras; ++c) {
            CameraRecord cam;
            cam.id = byte();
            int keys = between(0, 4);
            for (int k = 0; k < keys; ++k) cam.keys.push_back(key(8, k == 0));
            s.cameras.push_back(cam);
        }
        std::size_t animated = 0;
        for (const auto& o : s.objects) animated += isAnimatedType(o.type()) ? 1 : 0;
        int clips = between(0, 2);
        for (int c = 0; c < clips; ++c) {
            ClipRecord clip;
            clip.id = byte();
            for (std::size_t a = 0; a < animated; ++a) {
                std::vector<KeyRecord> keys;
                int n = between(0, 3);
                for (int k = 0; k < n; ++k) keys.push_back(key(14, k == 0));
                clip.trackSets.push_back(keys);
            }
            s.clips.push_back(clip);
        }
        return s;
    }

    KeyRecord key(int channels, bool first) {
        KeyRecord k;
        k.time = word();
        k.mask = first ? 0 : static_cast<uint16_t>(between(0, 0xFFFF) & (channels == 8 ? 0xFF : 0xFFFF));
        for (int c = 0; c < channels; ++c) {
            bool isByte = channels == 8 ? c == 0 : c >= 10;
            bool isWord = channels == 8 ? c == 1 : c == 6;
            k.values[c] = isByte ? byte() : isWord ? static_cast<uint16_t>(word()) : packed().bits;
        }
        return k;
    }

    EventRecord event() {
        EventRecord e;
        // Kinds 0 and 7 have no row.
        e.kind = static_cast<uint8_t>(chance(85) ? between(0, kEventScreenDistortion + 1) : byte());
        e.start = static_cast<uint16_t>(word());
        e.end = static_cast<uint16_t>(word());
        e.pass = byte();
        for (auto& v : e.rect) v = word();
        for (auto& v : e.colors) v = byte();
        e.blend = {static_cast<uint8_t>(between(0, 12)), byte()};
        e.bytes = {byte(), byte(), byte()};
        for (auto& v : e.words) v = word();
        e.floats = {packed(), packed()};
        return e;
    }

    std::mt19937 rng_;
    int width_ = 2;
};

// A random model with every unread field cleared: encode, then read back.
PackModel canonical(const PackModel& m) { return readPackModel(encodePackModel(m)); }

TEST(SourceRoundTrip, RandomPacksDisassembleAndReassembleToIdenticalBytes) {
    for (uint32_t seed = 1; seed <= 300; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        PackModel model = canonical(RandomPack(seed).make());
        std::vector<uint8_t> bytes = encodePackModel(model);
        // The walk reads what was written, to the last byte.
        PackModel again = readPackModel(bytes);
        ASSERT_EQ(again, model);
        EXPECT_EQ(again.timelineSection.end, bytes.size());
        std::string source = disassemblePack(model);
        SCOPED_TRACE(source);
        ASSERT_EQ(assemblePack(source, "random.pack"), bytes);
    }
}

TEST(SourceRoundTrip, EveryTruncationOfAValidPackIsReportedNotRead) {
    PackModel model = canonical(RandomPack(11).make());
    std::vector<uint8_t> bytes = encodePackModel(model);
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(n));
        EXPECT_THROW(readPackModel(cut), PackError) << "cut at " << n;
    }
    bytes.push_back(0);
    EXPECT_THROW(readPackModel(bytes), PackError);
}

TEST(FloatText, PrintsShortestDecimalOrRawBitsForNonFinite) {
    EXPECT_EQ(formatPackedFloat(PackedFloatBits{0x3DCC}, 2), "0.099609375");
    EXPECT_EQ(formatPackedFloat(PackedFloatBits{0x3F80}, 2), "1");
    EXPECT_EQ(formatPackedFloat(PackedFloatBits{0x8000}, 2), "-0");
    EXPECT_EQ(formatPackedFloat(PackedFloatBits{0x7FC1}, 2), "0x7FC1");
    EXPECT_EQ(formatPackedFloat(PackedFloatBits{0x3F}, 1), "0.5");
}

TEST(PackedFloat, EachWidthFillsTheTopBytesOfTheFloat) {
    struct Row {
        std::vector<uint8_t> bytes;
        float value;
    };
    const Row rows[] = {
        {{0x80, 0x3F}, 1.0f},
        {{0x00, 0xC0}, -2.0f},
        {{0x48, 0x43}, 200.0f},
        {{0x80, 0xBF}, -1.0f},
        {{0x00, 0x00}, 0.0f},
        {{0xCC, 0x3D}, 0.099609375f},
        {{0x3F}, 0.5f},
        {{0xC0}, -2.0f},
        {{0x00, 0x80, 0x3F}, 1.0f},
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
        {"camera keys",
         {2, 0, 0, 1, 0, 0, 0, 0, 0, 2, 9, 0, 8, 2, 0, 0, 45, 0, 0},
         false,
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
    const auto e = testing::packErrorOf([&] { r.readInt16("object id"); });
    ASSERT_TRUE(e);
    EXPECT_EQ(e->section(), "scene section");
    EXPECT_EQ(e->offset(), 2u);
    EXPECT_STREQ(e->what(), "scene section: byte 2: expected 2 bytes (object id), 1 left");
    // The failed read consumed nothing.
    EXPECT_EQ(r.readByte(), 3);
    EXPECT_THROW(r.readUint32(), PackError);
    const auto list = testing::packErrorOf([] { readPackModel(packWithIdList({0xFF, 0x7F, 1, 0, 2, 0})); });
    ASSERT_TRUE(list);
    EXPECT_EQ(list->section(), "scene section");
    EXPECT_NE(std::string(list->what()).find("id list entry"), std::string::npos) << list->what();
}

}  // namespace
}  // namespace lumen
