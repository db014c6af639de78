// Disassembler: a pack model as readable source. Every stored byte appears as
// a named field, so the assembler rebuilds the same model from the text.
#include <cstdio>
#include <sstream>

#include "pack/pack_record_tables.h"
#include "pack/pack_source.h"
#include "texgen/texture_op_table.h"

namespace lumen {

namespace {

std::string hex(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%X", v);
    return buf;
}

std::string named(std::string_view name, int value) { return name.empty() ? std::to_string(value) : std::string(name); }

std::string quoted(const std::vector<uint8_t>& text) {
    std::string s = "\"";
    for (uint8_t c : text) {
        if (c == '"' || c == '\\') {
            s += '\\';
            s += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            s += static_cast<char>(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            s += buf;
        }
    }
    return s + "\"";
}

std::string idList(const IdListRecord& list) {
    std::string s = "[";
    for (std::size_t i = 0; i < list.ids.size(); ++i) s += (i ? " " : "") + std::to_string(list.ids[i]);
    if (list.ids.empty() && list.emptyCount != 0) s += "count " + std::to_string(list.emptyCount);
    return s + "]";
}

class Printer {
public:
    explicit Printer(int width) : width_(width) {}

    std::string f(PackedFloatBits v) const { return formatPackedFloat(v, width_); }
    std::string f(uint32_t bits) const { return formatPackedFloat(PackedFloatBits{bits}, width_); }
    template <std::size_t N>
    std::string floats(const std::array<PackedFloatBits, N>& a, std::size_t from, std::size_t count) const {
        std::string s;
        for (std::size_t i = from; i < from + count; ++i) s += " " + f(a[i]);
        return s;
    }
    template <typename T, std::size_t N>
    static std::string ints(const std::array<T, N>& a, std::size_t from, std::size_t count) {
        std::string s;
        for (std::size_t i = from; i < from + count; ++i) s += " " + std::to_string(a[i]);
        return s;
    }

    void texture(std::ostream& out, const TextureProgramRecord& t) const {
        out << "texture id " << int(t.id);
        if (t.ops.empty() && t.emptyCount != 0) out << " opCount " << int(t.emptyCount);
        out << "\n";
        for (const auto& op : t.ops) {
            const TextureOpInfo* info = findTextureOp(op.b[0]);
            out << "  op " << (info ? std::string(info->name) : std::to_string(op.b[0]));
            const TextureOpInfo& row = info ? *info : unknownTextureOp();
            for (int i = 0; i < 8; ++i) {
                // Spare bytes are written only when a pack stores something in them.
                const uint8_t v = op.b[i + 1];
                if (row.params[i].role != OpByteRole::Spare || v != 0)
                    out << " " << row.params[i].name << " " << int(v);
            }
            if (op.b[0] == kOpText) out << " text " << quoted(op.text);
            out << "\n";
        }
        out << "end\n";
    }

    void light(std::ostream& out, const LightRecord& l) const {
        out << "  light kind " << named(lightKindName(l.kind), l.kind);
        if (l.ignored) out << " ignored " << int(l.ignored);
        out << " ambient" << ints(l.ambient, 0, 3) << " diffuse" << ints(l.diffuse, 0, 3) << " position"
            << floats(l.position, 0, 3);
        if (l.kind >= kLightPoint) out << " attenuation" << floats(l.attenuation, 0, 3);
        if (l.kind == kLightSpot) {
            out << " spotDirection" << floats(l.spot, 0, 3) << " spotExponent " << f(l.spot[3]) << " spotCutoff "
                << f(l.spot[4]);
        }
        out << "\n";
    }

    void objectField(std::ostream& out, const ObjectField& field, const ObjectRecord& o) const {
        const bool deformer = o.type() == kTypeDeformer;
        switch (field.slot) {
            case ObjectSlot::ByteA:
                out << " " << field.name << " ";
                if (deformer) {
                    out << named(deformModeName(o.byteA), o.byteA);
                } else {
                    out << int(o.byteA);
                }
                break;
            case ObjectSlot::ByteB: out << " " << field.name << " " << int(o.byteB); break;
            case ObjectSlot::WordA: out << " " << field.name << " " << o.words[0]; break;
            case ObjectSlot::WordB: out << " " << field.name << " " << o.words[1]; break;
            case ObjectSlot::Extra: out << " " << field.name << " " << int(o.extra); break;
            case ObjectSlot::Floats: out << " " << field.name << floats(o.values, 0, field.count); break;
            case ObjectSlot::DeformVector:
                if (field.count < deformVectorCount(o.byteA))
                    out << " " << field.name << " " << f(o.values[field.count]);
                break;
            case ObjectSlot::List:
            case ObjectSlot::ListAfterMatrix: out << " " << field.name << " " << idList(o.list); break;
        }
    }

    void object(std::ostream& out, const ObjectRecord& o) const {
        const int type = o.type();
        const bool deformer = type == kTypeDeformer;
        uint32_t rest = o.flags & ~kObjectTypeMask;
        out << "  object " << named(objectTypeName(type), type) << " id " << o.id << " parent " << o.parentId;
        if (rest & kFlagInvertNormals) out << (deformer ? " clamp 1" : " invertNormals 1");
        if (deformer) out << " channel " << ((o.flags >> kDeformChannelShift) & kDeformChannelMask);
        if (rest & kFlagKeepUV) out << " keepUV 1";
        if (rest & kFlagMirrorV) out << " mirrorV 1";
        if (rest & kFlagMirrorU) out << " mirrorU 1";
        rest &= ~(kFlagInvertNormals | kFlagKeepUV | kFlagMirrorV | kFlagMirrorU | kFlagColorAll | kFlagSkipByte |
                  kFlagEnvTexture);
        if (deformer) {
            rest &= ~(kDeformChannelMask << kDeformChannelShift);
        } else {
            rest &= ~(kFlagColorTexture | kFlagMapAll);
        }
        if (rest) out << " otherFlags " << hex(rest);
        if ((o.flags & kFlagColorTexture) || deformer) out << " textureId " << int(o.textureId);
        static const char* colorNames[4] = {"colorR", "colorG", "colorB", "colorA"};
        if ((o.flags & kFlagColorAll) == kFlagColorAll) {
            out << " color" << ints(o.color, 0, 4);
        } else {
            for (int c = 0; c < 4; ++c) {
                if (o.flags & (kFlagColorR << c)) out << " " << colorNames[c] << " " << int(o.color[c]);
            }
        }
        if (o.flags & kFlagSkipByte) out << " skipByte " << int(o.skipped);
        if (o.flags & kFlagEnvTexture) out << " texture2Id " << int(o.texture2Id);
        static const char* mapNames[4] = {"mapScaleT", "mapScaleS", "mapOffsetT", "mapOffsetS"};
        for (int m = 0; m < 4; ++m) {
            if ((o.flags & (kFlagMapScaleT << m)) || deformer) out << " " << mapNames[m] << " " << int(o.mapping[m]);
        }
        const ObjectTypeInfo* info = findObjectType(type);
        if (info) {
            for (const ObjectField& field : info->params()) {
                if (field.slot != ObjectSlot::ListAfterMatrix) objectField(out, field, o);
            }
        }
        if (isMeshType(type)) out << " matrix" << floats(o.matrix, 0, 12);
        if (info) {
            for (const ObjectField& field : info->params()) {
                if (field.slot == ObjectSlot::ListAfterMatrix) objectField(out, field, o);
            }
        }
        out << "\n";
    }

    void cameraKey(std::ostream& out, const KeyRecord& k, bool first) const {
        out << "    key time " << k.time;
        if (first) {
            out << " fov " << k.values[0] << " roll " << int16_t(k.values[1]) << " eye " << f(k.values[2]) << " "
                << f(k.values[3]) << " " << f(k.values[4]) << " target " << f(k.values[5]) << " " << f(k.values[6])
                << " " << f(k.values[7]) << "\n";
            return;
        }
        static const char* names[8] = {"fov", "roll", "eyeX", "eyeY", "eyeZ", "targetX", "targetY", "targetZ"};
        for (int c = 0; c < 8; ++c) {
            if (!(k.mask & (1u << c))) continue;
            out << " " << names[c] << " ";
            if (c == 0) {
                out << k.values[0];
            } else if (c == 1) {
                out << int16_t(k.values[1]);
            } else {
                out << f(k.values[c]);
            }
        }
        out << "\n";
    }

    void objectKey(std::ostream& out, const KeyRecord& k, bool first) const {
        static const char* names[14] = {"positionX", "positionY", "positionZ", "axisX",  "axisY",  "axisZ",  "angle",
                                        "scaleX",    "scaleY",    "scaleZ",    "colorR", "colorG", "colorB", "colorA"};
        auto value = [&](int c) {
            if (c == 6) return std::to_string(int16_t(k.values[6]));
            if (c >= 10) return std::to_string(k.values[c]);
            return f(k.values[c]);
        };
        if (first) {
            out << "      key time " << uint16_t(k.time) << " position " << value(0) << " " << value(1) << " "
                << value(2) << " axis " << value(3) << " " << value(4) << " " << value(5) << " angle " << value(6)
                << " scale " << value(7) << " " << value(8) << " " << value(9) << " color " << value(10) << " "
                << value(11) << " " << value(12) << " " << value(13) << "\n";
            return;
        }
        out << "      key time " << k.time;
        for (int c = 0; c < 14; ++c) {
            if (k.mask & (1u << c)) out << " " << names[c] << " " << value(c);
        }
        if (k.mask & 0xC000) out << " extraMask " << hex(k.mask & 0xC000);
        out << "\n";
    }

    void scene(std::ostream& out, const SceneRecord& s) const {
        out << "scene id " << int(s.id);
        if (s.fog)
            out << " fog " << int(s.fog) << " fogColor" << ints(s.fogColor, 0, 3) << " fogDensity " << f(s.fogDensity);
        if (s.objects.empty() && s.objectEmptyCount != 0) out << " objectCount " << s.objectEmptyCount;
        out << "\n";
        for (const auto& l : s.lights) light(out, l);
        for (const auto& o : s.objects) object(out, o);
        for (const auto& c : s.cameras) {
            out << "  camera id " << int(c.id) << "\n";
            for (std::size_t k = 0; k < c.keys.size(); ++k) cameraKey(out, c.keys[k], k == 0);
            out << "  end\n";
        }
        std::vector<int16_t> animatedIds;
        for (const auto& o : s.objects) {
            if (isAnimatedType(o.type())) animatedIds.push_back(o.id);
        }
        for (const auto& c : s.clips) {
            out << "  clip id " << int(c.id) << "\n";
            for (std::size_t i = 0; i < c.trackSets.size(); ++i) {
                out << "    tracks object " << (i < animatedIds.size() ? animatedIds[i] : 0) << "\n";
                for (std::size_t k = 0; k < c.trackSets[i].size(); ++k) objectKey(out, c.trackSets[i][k], k == 0);
                out << "    end\n";
            }
            out << "  end\n";
        }
        out << "end\n";
    }

    void event(std::ostream& out, const EventRecord& e) const {
        const int k = e.kind;
        out << "event " << named(eventKindName(k), k) << " start " << e.start << " end " << e.end;
        if (e.pass) out << " pass " << int(e.pass);
        if (eventHasRectangle(k)) {
            static const char* names[8] = {"x1Start", "y1Start", "x2Start", "y2Start",
                                           "x1End",   "y1End",   "x2End",   "y2End"};
            for (int i = 0; i < 8; ++i) out << " " << names[i] << " " << e.rect[i];
        }
        if (eventHasColours(k)) {
            out << " colorStart" << ints(e.colors, 0, 4) << " colorEnd" << ints(e.colors, 4, 4) << " blendSrc "
                << named(blendCodeName(e.blend[0]), e.blend[0]) << " blendDst "
                << named(blendCodeName(e.blend[1]), e.blend[1]);
        }
        if (const EventKindInfo* info = findEventKind(k)) {
            for (const EventField& field : info->params()) {
                out << " " << field.name << " ";
                switch (field.slot) {
                    case EventSlot::Byte: out << int(e.bytes[field.index]); break;
                    case EventSlot::Word: out << e.words[field.index]; break;
                    case EventSlot::Float: out << f(e.floats[field.index]); break;
                }
            }
        }
        out << "\n";
    }

private:
    int width_;
};

}  // namespace

std::string disassemblePack(const PackModel& m) {
    std::ostringstream out;
    Printer p(m.width);
    out << "pack width " << int(m.width);
    if (m.textures.empty() && m.textureEmptyCount != 0) out << " textureCount " << int(m.textureEmptyCount);
    if (m.images.empty() && m.imageEmptyCount != 0) out << " imageCount " << int(m.imageEmptyCount);
    if (m.events.empty() && m.eventEmptyCount != 0) out << " eventCount " << m.eventEmptyCount;
    out << "\n";
    if (!m.textures.empty()) out << "\n# textures\n";
    for (const auto& t : m.textures) p.texture(out, t);
    if (!m.images.empty()) out << "\n# images\n";
    for (const auto& i : m.images) {
        out << "image imageId " << int(i.imageId) << " sourceTexture " << int(i.sourceTexture) << " sourceLayer "
            << int(i.sourceLayer);
        if (i.ignored != std::array<uint8_t, 3>{}) out << " ignored" << Printer::ints(i.ignored, 0, 3);
        out << "\n";
    }
    if (!m.scenes.empty()) out << "\n# scenes\n";
    for (const auto& s : m.scenes) p.scene(out, s);
    if (!m.events.empty()) out << "\n# timeline (times in units of 10 ms)\n";
    for (const auto& e : m.events) p.event(out, e);
    return out.str();
}

}  // namespace lumen
