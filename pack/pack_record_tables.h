// One row per object type and per event kind: the name the source form uses
// and the type's (kind's) own fields in stream order, each with the model slot
// it fills. The model reader and writer, the assembler and the disassembler
// all walk these rows, so a new type or kind is one row here.
#pragma once
#include <cstdint>
#include <span>
#include <string_view>

#include "pack/pack_codes.h"

namespace lumen {

// Where an object type's field lives in ObjectRecord and how it is stored.
enum class ObjectSlot : uint8_t {
    ByteA,            // unsigned byte -> byteA
    ByteB,            // unsigned byte -> byteB
    WordA,            // signed int16 -> words[0]
    WordB,            // signed int16 -> words[1]
    Extra,            // unsigned byte -> extra (the cylinder's caps)
    Floats,           // `count` packed floats -> values[0..count)
    DeformVector,     // packed float values[index], stored only when the mode needs it
    List,             // id list -> list
    ListAfterMatrix,  // id list stored after the matrix (merge)
};

struct ObjectField {
    const char* name = nullptr;
    ObjectSlot slot = ObjectSlot::ByteA;
    uint8_t count = 1;  // Floats: how many; DeformVector: the index
};

struct ObjectTypeInfo {
    uint32_t type = 0;
    const char* name = nullptr;  // null: the source form writes the number
    ObjectField fields[6];
    int fieldCount = 0;
    std::span<const ObjectField> params() const { return {fields, static_cast<std::size_t>(fieldCount)}; }
};

// The row of a type; types without a row store no fields of their own.
const ObjectTypeInfo* findObjectType(int type);
const ObjectTypeInfo* findObjectType(std::string_view name);
std::span<const ObjectTypeInfo> objectTypeTable();

// How many deformer vector floats a mode stores (x, y, z and for rotate w).
constexpr int deformVectorCount(int mode) {
    return mode == kDeformMove || mode == kDeformScale ? 3 : mode == kDeformRotate ? 4 : 0;
}

// Where an event kind's field lives in EventRecord.
enum class EventSlot : uint8_t { Byte, Word, Float };

struct EventField {
    const char* name = nullptr;
    EventSlot slot = EventSlot::Byte;
    uint8_t index = 0;  // into bytes, words or floats
};

struct EventKindInfo {
    int kind = 0;
    const char* name = nullptr;
    EventField fields[7];
    int fieldCount = 0;
    std::span<const EventField> params() const { return {fields, static_cast<std::size_t>(fieldCount)}; }
};

const EventKindInfo* findEventKind(int kind);
const EventKindInfo* findEventKind(std::string_view name);

}  // namespace lumen
