#include "data/object_image.h"

#include <cstdio>
#include <cstring>

namespace qx {

namespace {

ObjectImageHeader ReadHeader() {
    ObjectImageHeader header;
    std::memcpy(&header, objectImage, sizeof header);
    return header;
}

}  // namespace

uint8_t* BakedObjectImage() { return objectImage; }

ObjectRecord* ImageObject(uint32_t index) {
    static const ObjectImageHeader header = ReadHeader();
    if (index >= kImageObjectCount) return nullptr;
    return reinterpret_cast<ObjectRecord*>(objectImage + header.records[index]);
}

ObjectRecord* CameraObject() { return ImageObject(static_cast<uint32_t>(ObjectId::Camera)); }

const char* ImageObjectName(uint32_t index) {
    static const auto morphNames = [] {
        std::array<std::array<char, 12>, kMorphMeshCount> names{};
        for (uint32_t i = 0; i < kMorphMeshCount; ++i)
            std::snprintf(names[i].data(), names[i].size(), "morph-%02u", i);
        return names;
    }();
    if (index < kNamedObjectCount) return kNamedObjectNames[index];
    if (index < kImageObjectCount) return morphNames[index - kNamedObjectCount].data();
    return nullptr;
}

const ProductionObjects& Objects() {
    static const ProductionObjects objects = [] {
        const auto at = [](ObjectId id) { return ImageObject(static_cast<uint32_t>(id)); };
        ProductionObjects o{at(ObjectId::Camera),       at(ObjectId::Wireframe),
                            at(ObjectId::Glass),        at(ObjectId::FlareCloud),
                            at(ObjectId::TwinA),        at(ObjectId::TwinB),
                            at(ObjectId::Chrome),       at(ObjectId::Rays),
                            at(ObjectId::Web),          at(ObjectId::Textured),
                            at(ObjectId::Swinging),     at(ObjectId::WhiteFlareRing),
                            at(ObjectId::RedFlareRing), {}};
        for (uint32_t i = 0; i < kMorphMeshCount; ++i)
            o.morphMeshTable[i] = ImageObject(kNamedObjectCount + i);
        return o;
    }();
    return objects;
}

}  // namespace qx
