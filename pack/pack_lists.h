// The list set a pack load fills: textures, uploaded images and scenes newest
// first, the timeline's events in pack order. The program owns an active and a
// parked set; loads, lookups and drawing use the active one.
#pragma once
#include <forward_list>
#include <memory>
#include <vector>

#include "scene/scene_records.h"
#include "texgen/texture.h"
#include "timeline/timeline_event.h"

namespace lumen {

struct PackLists {
    Texture* textures = nullptr;          // newest first, linked through Texture::next
    UploadedImage* images = nullptr;      // newest first, linked through UploadedImage::next
    std::forward_list<Scene> scenes;      // newest first; a scene is added once complete
    TimelineEvent* eventsHead = nullptr;  // pack order, linked through TimelineEvent::next
    TimelineEvent* eventsTail = nullptr;

    // Everything a load creates lives as long as the set that holds it; the
    // lists above point into this storage. Scenes dropped when a new pack is
    // loaded into the same set are kept here too, so nothing that still
    // refers to them (events of an earlier load) is left dangling.
    std::vector<std::unique_ptr<Texture>> textureStore;
    std::vector<std::unique_ptr<UploadedImage>> imageStore;
    std::vector<std::unique_ptr<TimelineEvent>> eventStore;
    std::forward_list<Scene> retiredScenes;
};

// Exchanges the active and parked sets (all five heads and what they own).
void swapPackLists(PackLists& active, PackLists& parked);

// First scene in list order (the newest loaded) with that id, or null.
Scene* findScene(PackLists& lists, int id);
const Scene* findScene(const PackLists& lists, int id);

}  // namespace lumen
