// Pack model reader: walks a binary pack record by record, keeping every
// stored byte, with the same bounded reader the loader uses.
#include "pack/pack_model.h"
#include "pack/pack_record_tables.h"
#include "pack/reader.h"

namespace lumen {

namespace {

IdListRecord readIdListRecord(PackReader& r) {
    IdListRecord list;
    int16_t count = r.readSignedInt16("id list count");
    if (count <= 0) {
        list.emptyCount = count;
        return list;
    }
    for (int i = 0; i < count; ++i) list.ids.push_back(r.readSignedInt16("id list entry"));
    return list;
}

void readColor(PackReader& r, uint8_t* out, int count, const char* what) {
    for (int i = 0; i < count; ++i) out[i] = r.readByte(what);
}

TextureProgramRecord readTextureProgram(PackReader& r) {
    TextureProgramRecord t;
    t.id = r.readByte("texture id");
    int8_t k = r.readSignedByte("operation count");
    if (k <= 0) t.emptyCount = k;
    for (int i = 0; i < k; ++i) {
        TextureOpRecord op;
        r.readBytes(op.b.data(), 9, "operation record");
        if (op.b[0] == kOpText) {
            uint8_t length = r.readByte("text length");
            op.text.resize(length);
            r.readBytes(op.text.data(), length, "text");
        }
        t.ops.push_back(std::move(op));
    }
    return t;
}

LightRecord readLight(PackReader& r, int n) {
    LightRecord l;
    l.ignored = r.readByte("light's ignored byte");
    l.kind = r.readByte("light kind");
    readColor(r, l.ambient.data(), 3, "ambient colour");
    readColor(r, l.diffuse.data(), 3, "diffuse colour");
    for (auto& f : l.position) f.bits = r.readPackedFloatBits(n, "light position");
    if (l.kind >= kLightPoint) {
        for (auto& f : l.attenuation) f.bits = r.readPackedFloatBits(n, "light attenuation");
    }
    if (l.kind == kLightSpot) {
        for (auto& f : l.spot) f.bits = r.readPackedFloatBits(n, "spot direction, exponent or cutoff");
    }
    return l;
}

// One field of an object type's row, read into its model slot.
void readObjectField(PackReader& r, int n, const ObjectField& f, ObjectRecord& o) {
    switch (f.slot) {
        case ObjectSlot::ByteA: o.byteA = r.readByte(f.name); break;
        case ObjectSlot::ByteB: o.byteB = r.readByte(f.name); break;
        case ObjectSlot::WordA: o.words[0] = r.readSignedInt16(f.name); break;
        case ObjectSlot::WordB: o.words[1] = r.readSignedInt16(f.name); break;
        case ObjectSlot::Extra: o.extra = r.readByte(f.name); break;
        case ObjectSlot::Floats:
            for (int i = 0; i < f.count; ++i) o.values[i].bits = r.readPackedFloatBits(n, f.name);
            break;
        case ObjectSlot::DeformVector:
            if (f.count < deformVectorCount(o.byteA)) o.values[f.count].bits = r.readPackedFloatBits(n, f.name);
            break;
        case ObjectSlot::List:
        case ObjectSlot::ListAfterMatrix: o.list = readIdListRecord(r); break;
    }
}

ObjectRecord readObject(PackReader& r, int n) {
    ObjectRecord o;
    o.offset.at = r.offset();
    o.flags = r.readUint32("object flags");
    o.id = r.readSignedInt16("object id");
    o.parentId = r.readSignedInt16("parent id");
    const int type = o.type();
    const bool deformer = type == kTypeDeformer;
    if ((o.flags & kFlagColorTexture) || deformer) o.textureId = r.readByte("texture image id");
    for (int c = 0; c < 4; ++c) {
        if (o.flags & (kFlagColorR << c)) o.color[c] = r.readByte("colour byte");
    }
    if (o.flags & kFlagSkipByte) o.skipped = r.readByte("skipped byte");
    if (o.flags & kFlagEnvTexture) o.texture2Id = r.readByte("environment image id");
    for (int m = 0; m < 4; ++m) {
        if ((o.flags & (kFlagMapScaleT << m)) || deformer) o.mapping[m] = r.readByte("mapping byte");
    }
    const ObjectTypeInfo* info = findObjectType(type);
    if (info) {
        for (const ObjectField& f : info->params()) {
            if (f.slot != ObjectSlot::ListAfterMatrix) readObjectField(r, n, f, o);
        }
    }
    if (isMeshType(type)) {
        for (auto& f : o.matrix) f.bits = r.readPackedFloatBits(n, "matrix element");
    }
    if (info) {
        for (const ObjectField& f : info->params()) {
            if (f.slot == ObjectSlot::ListAfterMatrix) readObjectField(r, n, f, o);
        }
    }
    return o;
}

uint32_t readChannel(PackReader& r, int kind, int n) {
    switch (kind) {
        case kKeyInt16: return r.readInt16("key int16 value");
        case kKeyByte: return r.readByte("key byte value");
        default: return r.readPackedFloatBits(n, "key float value");
    }
}

std::vector<KeyRecord> readCameraKeys(PackReader& r, int n, int count) {
    std::vector<KeyRecord> keys;
    for (int k = 0; k < count; ++k) {
        KeyRecord key;
        key.time = r.readSignedInt16("camera key time");
        if (k == 0) {
            key.mask = 0xFF;
        } else {
            key.mask = r.readByte("camera key mask");
        }
        for (int c = 0; c < 8; ++c) {
            if (key.mask & (1u << c)) key.values[c] = readChannel(r, cameraChannelKind(c), n);
        }
        if (k == 0) key.mask = 0;
        keys.push_back(key);
    }
    return keys;
}

std::vector<KeyRecord> readObjectKeys(PackReader& r, int n) {
    std::vector<KeyRecord> keys;
    int count = r.readByte("key count");
    for (int k = 0; k < count; ++k) {
        KeyRecord key;
        key.time = static_cast<int16_t>(r.readInt16("key time"));
        uint16_t mask = 0x3FFF;
        if (k > 0) mask = key.mask = r.readInt16("key mask");
        for (int c = 0; c < 14; ++c) {
            if (mask & (1u << c)) key.values[c] = readChannel(r, objectChannelKind(c), n);
        }
        keys.push_back(key);
    }
    return keys;
}

SceneRecord readScene(PackReader& r, int n) {
    SceneRecord s;
    s.id = r.readByte("scene id");
    s.fog = r.readByte("fog flag");
    if (s.fog) {
        readColor(r, s.fogColor.data(), 3, "fog colour");
        s.fogDensity.bits = r.readPackedFloatBits(n, "fog density");
    }
    int lights = r.readByte("light count");
    for (int i = 0; i < lights; ++i) s.lights.push_back(readLight(r, n));
    int16_t objects = r.readSignedInt16("object count");
    if (objects <= 0) s.objectEmptyCount = objects;
    for (int i = 0; i < objects; ++i) s.objects.push_back(readObject(r, n));
    int cameras = r.readByte("camera count");
    for (int i = 0; i < cameras; ++i) {
        CameraRecord c;
        c.id = r.readByte("camera id");
        c.keys = readCameraKeys(r, n, r.readByte("camera key count"));
        s.cameras.push_back(std::move(c));
    }
    int clips = r.readByte("clip count");
    for (int i = 0; i < clips; ++i) {
        ClipRecord c;
        c.offset.at = r.offset();
        c.id = r.readByte("clip id");
        for (const auto& o : s.objects) {
            if (isAnimatedType(o.type())) c.trackSets.push_back(readObjectKeys(r, n));
        }
        s.clips.push_back(std::move(c));
    }
    return s;
}

EventRecord readEvent(PackReader& r, int n) {
    EventRecord e;
    e.kind = r.readByte("event kind");
    e.start = r.readInt16("event start");
    e.end = r.readInt16("event end");
    e.pass = r.readByte("event pass");
    const int k = e.kind;
    if (eventHasRectangle(k)) {
        for (auto& v : e.rect) v = r.readSignedInt16("event rectangle");
    }
    if (eventHasColours(k)) {
        readColor(r, e.colors.data(), 8, "event colour");
        e.blend[0] = r.readByte("blend source code");
        e.blend[1] = r.readByte("blend destination code");
    }
    if (const EventKindInfo* info = findEventKind(k)) {
        for (const EventField& f : info->params()) {
            switch (f.slot) {
                case EventSlot::Byte: e.bytes[f.index] = r.readByte(f.name); break;
                case EventSlot::Word: e.words[f.index] = r.readSignedInt16(f.name); break;
                case EventSlot::Float: e.floats[f.index].bits = r.readPackedFloatBits(n, f.name); break;
            }
        }
    }
    return e;
}

}  // namespace

PackModel readPackModel(std::span<const uint8_t> bytes, PackScope scope) {
    PackReader r(bytes);
    PackModel m;
    r.setSection("header");
    m.width = r.readByte("float width");
    if (m.width < 1 || m.width > 4) {
        throw PackError("header", 0, "float width " + std::to_string(m.width) + " is not 1 to 4");
    }
    const int n = m.width;
    m.header = {0, r.offset()};

    r.setSection("texture section");
    m.textureSection.begin = r.offset();
    int8_t t = r.readSignedByte("texture count");
    if (t <= 0) m.textureEmptyCount = t;
    for (int i = 0; i < t; ++i) m.textures.push_back(readTextureProgram(r));
    m.textureSection.end = r.offset();
    if (scope == PackScope::kTexturesOnly) return m;

    r.setSection("image section");
    m.imageSection.begin = r.offset();
    int8_t images = r.readSignedByte("image count");
    if (images <= 0) m.imageEmptyCount = images;
    for (int i = 0; i < images; ++i) {
        uint8_t b[6];
        r.readBytes(b, 6, "image record");
        m.images.push_back(ImageRecord{b[0], b[1], {b[2], b[3], b[4]}, b[5]});
    }
    m.imageSection.end = r.offset();

    r.setSection("scene section");
    m.sceneSection.begin = r.offset();
    int scenes = r.readByte("scene count");
    for (int i = 0; i < scenes; ++i) m.scenes.push_back(readScene(r, n));
    m.sceneSection.end = r.offset();

    r.setSection("timeline section");
    m.timelineSection.begin = r.offset();
    int16_t events = r.readSignedInt16("event count");
    if (events <= 0) m.eventEmptyCount = events;
    for (int i = 0; i < events; ++i) m.events.push_back(readEvent(r, n));
    m.timelineSection.end = r.offset();
    if (!r.atEnd())
        r.fail(std::to_string(r.remaining()) + " bytes after the timeline section, expected the end of the pack");
    return m;
}

}  // namespace lumen
