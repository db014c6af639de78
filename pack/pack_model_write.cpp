// Pack model writer: the exact bytes of a model, field for field in the order
// the reader takes them, so that reading and writing are inverse walks.
#include <stdexcept>
#include <string>

#include "pack/pack_model.h"
#include "pack/pack_record_tables.h"

namespace lumen {

namespace {

class Writer {
public:
    explicit Writer(int width) : width_(width) {}
    void byte(uint32_t v) { out.push_back(static_cast<uint8_t>(v)); }
    void int16(uint32_t v) {
        byte(v & 0xFF);
        byte((v >> 8) & 0xFF);
    }
    void uint32(uint32_t v) {
        for (int i = 0; i < 4; ++i) byte((v >> (8 * i)) & 0xFF);
    }
    void packed(PackedFloatBits f) {
        for (int i = 0; i < width_; ++i) byte((f.bits >> (8 * i)) & 0xFF);
    }
    void bytes(const uint8_t* p, std::size_t n) { out.insert(out.end(), p, p + n); }
    std::vector<uint8_t> out;

private:
    int width_;
};

[[noreturn]] void invalid(const std::string& what) { throw std::invalid_argument(what); }

void countCheck(std::size_t count, long max, const char* what) {
    if (static_cast<long>(count) > max) {
        invalid(std::string("too many ") + what + ": " + std::to_string(count) + ", at most " + std::to_string(max));
    }
}

void idList(Writer& w, const IdListRecord& list) {
    countCheck(list.ids.size(), 32767, "ids in a list");
    if (list.ids.empty()) {
        if (list.emptyCount > 0) invalid("an empty id list has a positive count");
        w.int16(static_cast<uint16_t>(list.emptyCount));
        return;
    }
    w.int16(static_cast<uint16_t>(list.ids.size()));
    for (int16_t id : list.ids) w.int16(static_cast<uint16_t>(id));
}

void channel(Writer& w, int kind, uint32_t v) {
    if (kind == kKeyInt16) {
        w.int16(v);
    } else if (kind == kKeyByte) {
        w.byte(v);
    } else {
        w.packed(PackedFloatBits{v});
    }
}

void keys(Writer& w, const std::vector<KeyRecord>& keys, bool camera) {
    countCheck(keys.size(), 255, "keys in a track set");
    const int channels = camera ? 8 : 14;
    for (std::size_t k = 0; k < keys.size(); ++k) {
        const KeyRecord& key = keys[k];
        w.int16(static_cast<uint16_t>(key.time));
        uint32_t mask = camera ? 0xFF : 0x3FFF;
        if (k > 0) {
            mask = key.mask;
            if (camera) {
                w.byte(mask);
            } else {
                w.int16(mask);
            }
        }
        for (int c = 0; c < channels; ++c) {
            if (!(mask & (1u << c))) continue;
            int kind = camera ? cameraChannelKind(c) : objectChannelKind(c);
            channel(w, kind, key.values[c]);
        }
    }
}

void objectField(Writer& w, const ObjectField& f, const ObjectRecord& o) {
    switch (f.slot) {
        case ObjectSlot::ByteA: w.byte(o.byteA); break;
        case ObjectSlot::ByteB: w.byte(o.byteB); break;
        case ObjectSlot::WordA: w.int16(static_cast<uint16_t>(o.words[0])); break;
        case ObjectSlot::WordB: w.int16(static_cast<uint16_t>(o.words[1])); break;
        case ObjectSlot::Extra: w.byte(o.extra); break;
        case ObjectSlot::Floats:
            for (int i = 0; i < f.count; ++i) w.packed(o.values[i]);
            break;
        case ObjectSlot::DeformVector:
            if (f.count < deformVectorCount(o.byteA)) w.packed(o.values[f.count]);
            break;
        case ObjectSlot::List:
        case ObjectSlot::ListAfterMatrix: idList(w, o.list); break;
    }
}

void object(Writer& w, const ObjectRecord& o) {
    const int type = o.type();
    const bool deformer = type == kTypeDeformer;
    w.uint32(o.flags);
    w.int16(static_cast<uint16_t>(o.id));
    w.int16(static_cast<uint16_t>(o.parentId));
    if ((o.flags & kFlagColorTexture) || deformer) w.byte(o.textureId);
    for (int c = 0; c < 4; ++c) {
        if (o.flags & (kFlagColorR << c)) w.byte(o.color[c]);
    }
    if (o.flags & kFlagSkipByte) w.byte(o.skipped);
    if (o.flags & kFlagEnvTexture) w.byte(o.texture2Id);
    for (int m = 0; m < 4; ++m) {
        if ((o.flags & (kFlagMapScaleT << m)) || deformer) w.byte(o.mapping[m]);
    }
    const ObjectTypeInfo* info = findObjectType(type);
    if (info) {
        for (const ObjectField& f : info->params()) {
            if (f.slot != ObjectSlot::ListAfterMatrix) objectField(w, f, o);
        }
    }
    if (isMeshType(type)) {
        for (auto f : o.matrix) w.packed(f);
    }
    if (info) {
        for (const ObjectField& f : info->params()) {
            if (f.slot == ObjectSlot::ListAfterMatrix) objectField(w, f, o);
        }
    }
}

void scene(Writer& w, const SceneRecord& s) {
    w.byte(s.id);
    w.byte(s.fog);
    if (s.fog) {
        w.bytes(s.fogColor.data(), 3);
        w.packed(s.fogDensity);
    }
    countCheck(s.lights.size(), 255, "lights in a scene");
    w.byte(static_cast<uint32_t>(s.lights.size()));
    for (const auto& l : s.lights) {
        w.byte(l.ignored);
        w.byte(l.kind);
        w.bytes(l.ambient.data(), 3);
        w.bytes(l.diffuse.data(), 3);
        for (auto f : l.position) w.packed(f);
        if (l.kind >= kLightPoint) {
            for (auto f : l.attenuation) w.packed(f);
        }
        if (l.kind == kLightSpot) {
            for (auto f : l.spot) w.packed(f);
        }
    }
    countCheck(s.objects.size(), 32767, "objects in a scene");
    if (s.objects.empty()) {
        if (s.objectEmptyCount > 0) invalid("a scene without objects has a positive object count");
        w.int16(static_cast<uint16_t>(s.objectEmptyCount));
    } else {
        w.int16(static_cast<uint16_t>(s.objects.size()));
    }
    for (const auto& o : s.objects) object(w, o);
    countCheck(s.cameras.size(), 255, "cameras in a scene");
    w.byte(static_cast<uint32_t>(s.cameras.size()));
    for (const auto& c : s.cameras) {
        w.byte(c.id);
        countCheck(c.keys.size(), 255, "keys of a camera");
        w.byte(static_cast<uint32_t>(c.keys.size()));
        keys(w, c.keys, true);
    }
    std::size_t animated = 0;
    for (const auto& o : s.objects) animated += isAnimatedType(o.type()) ? 1 : 0;
    countCheck(s.clips.size(), 255, "clips in a scene");
    w.byte(static_cast<uint32_t>(s.clips.size()));
    for (const auto& c : s.clips) {
        if (c.trackSets.size() != animated) {
            invalid("clip " + std::to_string(c.id) + " has " + std::to_string(c.trackSets.size()) +
                    " track sets, the scene has " + std::to_string(animated) + " animated objects");
        }
        w.byte(c.id);
        for (const auto& set : c.trackSets) {
            countCheck(set.size(), 255, "keys in a track set");
            w.byte(static_cast<uint32_t>(set.size()));
            keys(w, set, false);
        }
    }
}

void event(Writer& w, const EventRecord& e) {
    w.byte(e.kind);
    w.int16(e.start);
    w.int16(e.end);
    w.byte(e.pass);
    const int k = e.kind;
    if (eventHasRectangle(k)) {
        for (auto v : e.rect) w.int16(static_cast<uint16_t>(v));
    }
    if (eventHasColours(k)) {
        w.bytes(e.colors.data(), 8);
        w.bytes(e.blend.data(), 2);
    }
    if (const EventKindInfo* info = findEventKind(k)) {
        for (const EventField& f : info->params()) {
            switch (f.slot) {
                case EventSlot::Byte: w.byte(e.bytes[f.index]); break;
                case EventSlot::Word: w.int16(static_cast<uint16_t>(e.words[f.index])); break;
                case EventSlot::Float: w.packed(e.floats[f.index]); break;
            }
        }
    }
}

}  // namespace

std::vector<uint8_t> encodePackModel(const PackModel& m) {
    if (m.width < 1 || m.width > 4) invalid("float width " + std::to_string(m.width) + " is not 1 to 4");
    Writer w(m.width);
    w.byte(m.width);
    countCheck(m.textures.size(), 127, "texture programs");
    if (m.textures.empty() && m.textureEmptyCount > 0) invalid("no textures but a positive texture count");
    w.byte(m.textures.empty() ? static_cast<uint8_t>(m.textureEmptyCount) : m.textures.size());
    for (const auto& t : m.textures) {
        w.byte(t.id);
        countCheck(t.ops.size(), 127, "operations in a texture program");
        if (t.ops.empty() && t.emptyCount > 0) invalid("no operations but a positive operation count");
        w.byte(t.ops.empty() ? static_cast<uint8_t>(t.emptyCount) : t.ops.size());
        for (const auto& op : t.ops) {
            w.bytes(op.b.data(), 9);
            if (op.b[0] == kOpText) {
                countCheck(op.text.size(), 255, "text bytes");
                w.byte(static_cast<uint32_t>(op.text.size()));
                w.bytes(op.text.data(), op.text.size());
            } else if (!op.text.empty()) {
                invalid("a text on an operation other than code 7");
            }
        }
    }
    countCheck(m.images.size(), 127, "image records");
    if (m.images.empty() && m.imageEmptyCount > 0) invalid("no images but a positive image count");
    w.byte(m.images.empty() ? static_cast<uint8_t>(m.imageEmptyCount) : m.images.size());
    for (const auto& i : m.images) {
        uint8_t b[6] = {i.sourceTexture, i.sourceLayer, i.ignored[0], i.ignored[1], i.ignored[2], i.imageId};
        w.bytes(b, 6);
    }
    countCheck(m.scenes.size(), 255, "scenes");
    w.byte(static_cast<uint32_t>(m.scenes.size()));
    for (const auto& s : m.scenes) scene(w, s);
    countCheck(m.events.size(), 32767, "events");
    if (m.events.empty() && m.eventEmptyCount > 0) invalid("no events but a positive event count");
    w.int16(m.events.empty() ? static_cast<uint16_t>(m.eventEmptyCount) : static_cast<uint16_t>(m.events.size()));
    for (const auto& e : m.events) event(w, e);
    return std::move(w.out);
}

}  // namespace lumen
