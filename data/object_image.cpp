#include "data/object_image.h"

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
