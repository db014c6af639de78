// The pack list set: swapping and the scene lookup.
#include "pack/pack_lists.h"

#include <utility>

namespace lumen {

void swapPackLists(PackLists& active, PackLists& parked) { std::swap(active, parked); }

Scene* findScene(PackLists& lists, int id) {
    for (Scene& s : lists.scenes) {
        if (s.id == id) return &s;
    }
    return nullptr;
}

const Scene* findScene(const PackLists& lists, int id) {
    for (const Scene& s : lists.scenes) {
        if (s.id == id) return &s;
    }
    return nullptr;
}

}  // namespace lumen
