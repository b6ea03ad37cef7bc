// The frame's face list, its depth sort and the face drawing: the painter's method without a
// depth buffer. The transform pass culls every visible object's back faces and collects the rest
// with their depth into one list shared by all objects; DrawFaceList sorts it far to near with a
// two-pass byte radix sort and draws each face with the rasteriser its object's drawing mode
// selects, into rasteriserState.renderTarget.
#pragma once

#include <cstdint>

#include "effects/objects.h"

namespace qx {

inline constexpr uint32_t kFaceListCapacity = 3000;  // faces per frame; more are dropped
inline constexpr uint32_t kSortBucketCount = 256;
inline constexpr uint32_t kSortBucketCapacity =
    2047;  // faces per bucket and pass; more are dropped

struct FaceListEntry {
    const MeshFace* face = nullptr;
    const ObjectRecord* object = nullptr;
    int32_t depth = 0;  // (z0 + z1 + z2) / 3 of the transformed vertices
};

struct FaceListState {
    uint32_t faceCount = 0;
    FaceListEntry faceList[kFaceListCapacity] = {};  // in gathering order
    uint32_t sortedCount = 0;
    uint32_t sortOrder[kFaceListCapacity] = {};  // face list indices, far to near
};
extern FaceListState faceListState;

// 8 KB each; every count is 0 between sorts.
struct SortBucket {
    uint32_t count = 0;
    uint32_t entries[kSortBucketCapacity] = {};  // face list indices in arrival order
};
extern SortBucket sortBuckets[kSortBucketCount];

void EmptyFaceList();
// Zeroes the whole bucket area; once at start-up.
void ClearSortBuckets();
// Appends {face, object, depth} for every face of the object whose projected corners turn the
// visible way, e2 = (x2 - x1)(y0 - y1) > e1 = (x0 - x1)(y2 - y1) in wrapping 32-bit products,
// and for every face of a sprite object (mode 3).
void GatherFaces(const ObjectRecord& object);
// Stable least-significant-byte-first radix sort on depth bits 0..15: each pass deals the
// entries into bucket (256 - byte) mod 256 and collects buckets 0..255. Within a byte that orders
// 0, 255, 254, ..., 1, so depths whose two low bytes are not 0 come out largest first.
void SortFaceList();
// Sorts the face list and draws it: mode 2 textured with coordinates (x + 128, y + 128) of the
// transformed second array, mode 1 with (x / 2 + 128, y / 2 + 128) of the untransformed second
// array (halving toward minus infinity), mode 3 one sprite at vertex a of size
// 3 x (index of vertex c) + NextRandom(32), mode 5 glass; other modes draw nothing.
void DrawFaceList();

}  // namespace qx
