// Pack model reader: walks a binary pack record by record, keeping every
// stored byte, with the same bounded reader the loader uses.
#include "pack/pack_model.h"
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

ObjectRecord readObject(PackReader& r, int n) {
    
    ObjectRecord o;
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
    switch (type) {
        case kTypeSphere: case kTypeCylinder: case kTypeCone: case kTypeGrid:
            o.byteA = r.readByte("type parameter a");
            o.byteB = r.readByte("type parameter b");
            break;
        case kTypeArcPath:
            o.byteA = r.readByte("arc steps");
            o.words[0] = r.readSignedInt16("arc angle");
            break;
        case kTypeSweep:
            o.words[0] = r.readSignedInt16("sweep path id");
            o.words[1] = r.readSignedInt16("sweep profile id");
            break;
        case kTypeLinePath:
            o.byteA = r.readByte("line steps");
            break;
        case kTypeIdListA: case kTypeIdListB: case kTypeIdListC:
            o.byteA = r.readByte("skipped byte");
            o.list = readIdListRecord(r);
            break;
        case kTypeDeformer: {
            o.byteA = r.readByte("deformer mode");
            int floats = o.byteA <= kDeformScale ? 3 : o.byteA == kDeformRotate ? 4 : 0;
            for (int i = 0; i < floats; ++i) o.values[i].bits = r.readPackedFloatBits(n, "deformer vector");
            o.list = readIdListRecord(r);
            break;
        }
        case kTypeDiscarded:
            o.byteA = r.readByte("discarded byte");
            o.words[0] = r.readSignedInt16("discarded int16");
            o.words[1] = r.readSignedInt16("discarded int16");
            for (auto& f : o.values) f.bits = r.readPackedFloatBits(n, "discarded float");
            break;
        default:
            break;
    }
    if (type == kTypeCylinder) o.extra = r.readByte("cylinder caps byte");
    if (isMeshType(type)) {
        for (auto& f : o.matrix) f.bits = r.readPackedFloatBits(n, "matrix element");
    }
    if (type == kTypeMerge) o.list = readIdListRecord(r);
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
    switch (k) {
        case kEventImageLayer: case kEventClear:
            e.bytes[0] = r.readByte("event field");
            e.bytes[1] = r.readByte("event field");
            break;
        case kEventSceneView:
            for (int i = 0; i < 3; ++i) e.bytes[i] = r.readByte("scene, camera or clip id");
            for (auto& w : e.words) w = r.readSignedInt16("animation time");
            break;
        case kEventScreenCapture:
            e.bytes[0] = r.readByte("render target");
            break;
        case kEventZoomFeedback:
            e.bytes[0] = r.readByte("render target");
            e.bytes[1] = r.readByte("feedback count");
            e.floats[0].bits = r.readPackedFloatBits(n, "feedback zoom");
            break;
        case kEventScreenDistortion:
            e.bytes[0] = r.readByte("render target");
            e.bytes[1] = r.readByte("distortion type");
            e.floats[0].bits = r.readPackedFloatBits(n, "distortion start");
            e.floats[1].bits = r.readPackedFloatBits(n, "distortion end");
            break;
        default:
            break;
    }
    return e;
}

}  // namespace

PackModel readPackModel(std::span<const uint8_t> bytes) {
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
    if (!r.atEnd()) r.fail(std::to_string(r.remaining()) + " bytes after the timeline section, expected the end of the pack");
    return m;
}

}  // namespace lumen
