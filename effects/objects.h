// 3D objects and their keyframe animation: the object list the 3D routines walk and the
// per-frame keyframe step, over the records of the baked-in object image (data/object_records.h),
// whose offsets ImageArray resolves against objectState.imageBase.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "data/object_records.h"

namespace qx {

inline constexpr uint32_t kObjectListCapacity = 65;  // entries, the camera object included

// Entry 0 is always the camera object; scenes fill the rest before SetUpObjects.
struct ObjectList {
    int32_t count = 0;
    ObjectRecord* objects[kObjectListCapacity] = {};
};

uint8_t* BakedObjectImage();   // data/object_image.h
ObjectRecord* CameraObject();  // the baked-in camera object

struct ObjectState {
    uint8_t* imageBase = BakedObjectImage();  // what the records' offsets count from
    ObjectList objectList = {1, {CameraObject()}};
};
extern ObjectState objectState;

// The array an offset refers to, or nullptr for offset 0.
template <typename T>
T* ImageArray(ImageOffset offset) {
    return offset == 0 ? nullptr : reinterpret_cast<T*>(objectState.imageBase + offset);
}
// The element a vertex reference (a byte offset) selects in a per-vertex array.
inline const MeshVertex& VertexAt(const MeshVertex* array, uint32_t reference) {
    return *reinterpret_cast<const MeshVertex*>(reinterpret_cast<const uint8_t*>(array) +
                                                reference);
}

// The listed entries, never more than the list's capacity.
uint32_t ListedObjectCount();
// The object list := count, then the given objects in order (the camera object first); entries
// past the capacity are left off.
void SetObjectList(std::initializer_list<ObjectRecord*> objects);

// For every listed object: each track's current delta and countdown from its key 0, visible from
// track 9, base matrix := identity. Key indices, accumulators, position and state stay as they are.
void SetUpObjects();
// One animation step of every listed object whose state is kAnimating: each track counts down,
// moves to its next key when the countdown reaches 0 (wrapping, or stopping the object when loop
// is not 1), and applies its current delta.
void AdvanceObjects();

}  // namespace qx
