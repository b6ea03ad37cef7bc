// Lays objects out as an object image (data/object_image.h): the header, then every object's
// record followed by its arrays, with 32-bit offsets from the image start in place of addresses.
// The mesh generator writes the production's image with it; tests write small images of their
// own.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "effects/objects.h"

namespace qx {

// The arrays of one mesh; objects may share them.
struct MeshArrays {
    std::vector<MeshVertex> vertices;
    std::vector<MeshFace> faces;
    std::vector<MeshVertex> secondArray;  // empty, or one vector per vertex
    std::vector<MeshEdge> edges;
};

using Tracks = std::array<std::vector<TrackKey>, kTrackCount>;

// A key's delta bits: a float32 on tracks 0..5, an int32 on tracks 6..9 (TrackKey).
inline uint32_t FloatDelta(float degreesOrUnits) {
    uint32_t bits;
    std::memcpy(&bits, &degreesOrUnits, sizeof bits);
    return bits;
}
inline uint32_t IntegerDelta(int32_t value) { return static_cast<uint32_t>(value); }

// keyCount keys per track, all deltas 0 and in force for ever, visible on every key.
Tracks StillTracks(uint32_t keyCount);

struct ObjectPlan {
    std::shared_ptr<const MeshArrays> mesh;
    int32_t declaredFaceCount = -1;  // the face count to store when there is no face array
    int32_t drawingMode = 0;
    int32_t focalLength = 1024;
    int32_t positionX = 0;
    int32_t positionY = 0;
    int32_t positionZ = 0;
    int32_t state = kAnimating;
    int32_t visible = 1;
    int32_t loop = 1;
    int32_t hasSecondArray = 0;
    uint32_t textureEntry = 0;  // archive entry number of the texture; 0 = no texture cell
    Tracks tracks;              // all of one length, at least 1
};

// A face or edge corner: the byte offset of vertex `index`.
inline uint32_t VertexReference(uint32_t index) { return index * kVertexBytes; }

// The image of the objects in order (at most kImageObjectCount), header records in the same order.
std::vector<uint8_t> WriteObjectImage(const std::vector<ObjectPlan>& objects);

}  // namespace qx
