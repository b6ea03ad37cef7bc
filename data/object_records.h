// The record and array formats of the baked-in object image (data/object_image.h): object
// records, mesh vertices, faces and edges, keyframe tracks, matrices. Records and arrays refer to
// each other by 32-bit byte offsets from the image start, 0 meaning none; all numbers are
// little-endian. Vertex references inside faces and edges are byte offsets into a vertex array
// (vertex index x 12), valid for every per-vertex array of the object.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

namespace qx {

static_assert(std::endian::native == std::endian::little, "the object image is little-endian");

using ImageOffset = uint32_t;  // bytes from the image start; 0 = none

// Model units; the meshes span a few thousand, second-array vectors are about 100 to 230 long.
struct MeshVertex {
    int32_t x = 0;
    int32_t y = 0;
    int32_t z = 0;
    friend bool operator==(const MeshVertex&, const MeshVertex&) = default;
};
inline constexpr uint32_t kVertexBytes = sizeof(MeshVertex);

struct MeshFace {
    uint32_t a = 0;  // vertex references
    uint32_t b = 0;
    uint32_t c = 0;
    uint32_t reserved = 0;  // 0 in all data, never read
};

struct MeshEdge {
    uint32_t a = 0;  // vertex references
    uint32_t b = 0;
};

// delta holds the bits of a float32 on tracks 0..5 and of an int32 on tracks 6..9. A duration of
// 0xFFFFFFFF keeps the key in force for good; 0 wraps the countdown to the same effect.
struct TrackKey {
    uint32_t delta = 0;
    uint32_t duration = 0;  // animation steps
    friend bool operator==(const TrackKey&, const TrackKey&) = default;
};
inline constexpr uint32_t kKeyForEver = 0xFFFFFFFF;

inline constexpr uint32_t kTrackCount = 10;
inline constexpr uint32_t kAccumulatingTracks =
    6;                                          // rotation x, y, z (degrees), translation x, y, z
inline constexpr uint32_t kPositionTrackX = 6;  // tracks 6, 7, 8 step position x, y, z
inline constexpr uint32_t kVisibleTrack = 9;

// Tracks 0..5: their deltas are summed into the accumulator, which the transform pass reads and
// clears once per frame.
struct AccumulatingTrack {
    int32_t keyIndex = 0;
    float currentDelta = 0;
    uint32_t countdown = 0;
    float accumulator = 0;
};

// Tracks 6..9: their deltas go straight into position x, y, z or the visible flag.
struct DirectTrack {
    int32_t keyIndex = 0;
    int32_t currentDelta = 0;
    uint32_t countdown = 0;
};

using Matrix = std::array<double, 16>;  // 4 x 4, row by row; points are row vectors, row 3 moves
inline constexpr Matrix kIdentityMatrix = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

inline constexpr int32_t kAnimating = 1;

// Drawing modes of the face renderer; any other value (0 for the camera, -1 for point sets the
// scenes draw themselves) is never drawn by it.
inline constexpr int32_t kModeTexturedFixed = 1;  // texture coordinates from the second array
inline constexpr int32_t kModeEnvironment = 2;    // ... from the transformed second array
inline constexpr int32_t kModeSprites = 3;        // one additive sprite per face, at vertex a
inline constexpr int32_t kModeGlass = 5;          // additive glass triangles
inline constexpr int32_t kModePoints = -1;

struct ObjectRecord {
    int32_t state = 0;           // kAnimating, or stopped (0 once a non-looping track runs out)
    int32_t visible = 0;         // 1 = a candidate for drawing; rewritten from track 9
    int32_t loop = 0;            // 1 = tracks wrap to key 0 for ever
    int32_t lastKey = 0;         // every track has keys 0 .. lastKey
    int32_t hasSecondArray = 0;  // 1 = the second array is transformed every frame
    int32_t focalLength = 0;     // perspective scale of the divide
    int32_t positionX = 0;       // model units, added to the matrix every frame
    int32_t positionY = 0;
    int32_t positionZ = 0;
    int32_t drawingMode = 0;
    int32_t vertexCount = 0;
    int32_t faceCount = 0;
    int32_t edgeCount = 0;        // read only by the scenes' wireframes
    ImageOffset vertexArray = 0;  // vertexCount MeshVertex
    ImageOffset faceArray = 0;    // faceCount MeshFace
    ImageOffset secondArray = 0;  // vertexCount MeshVertex vectors, one per vertex
    ImageOffset edgeArray = 0;    // edgeCount MeshEdge
    ImageOffset textureCell = 0;  // a uint32 cell naming the texture's archive entry (1 to 22)
    ImageOffset tracks[kTrackCount] = {};  // each (lastKey + 1) TrackKey
    AccumulatingTrack accumulatingTracks[kAccumulatingTracks] = {};
    DirectTrack directTracks[kTrackCount - kAccumulatingTracks] = {};
    Matrix baseMatrix = {};               // accumulated orientation and translation
    Matrix workMatrix = {};               // the matrix this frame's vertices are transformed with
    ImageOffset transformedVertices = 0;  // vertexCount MeshVertex, written every frame
    ImageOffset transformedSecondArray = 0;  // vertexCount MeshVertex, when hasSecondArray is 1
};

static_assert(sizeof(ObjectRecord) == 520);
static_assert(offsetof(ObjectRecord, visible) == 4);
static_assert(offsetof(ObjectRecord, loop) == 8);
static_assert(offsetof(ObjectRecord, lastKey) == 12);
static_assert(offsetof(ObjectRecord, hasSecondArray) == 16);
static_assert(offsetof(ObjectRecord, focalLength) == 20);
static_assert(offsetof(ObjectRecord, positionX) == 24);
static_assert(offsetof(ObjectRecord, positionZ) == 32);
static_assert(offsetof(ObjectRecord, drawingMode) == 36);
static_assert(offsetof(ObjectRecord, vertexCount) == 40);
static_assert(offsetof(ObjectRecord, faceCount) == 44);
static_assert(offsetof(ObjectRecord, edgeCount) == 48);
static_assert(offsetof(ObjectRecord, vertexArray) == 52);
static_assert(offsetof(ObjectRecord, faceArray) == 56);
static_assert(offsetof(ObjectRecord, secondArray) == 60);
static_assert(offsetof(ObjectRecord, edgeArray) == 64);
static_assert(offsetof(ObjectRecord, textureCell) == 68);
static_assert(offsetof(ObjectRecord, tracks) == 72);
static_assert(offsetof(ObjectRecord, tracks) + 9 * sizeof(ImageOffset) == 108);
static_assert(offsetof(ObjectRecord, accumulatingTracks) == 112);
static_assert(sizeof(AccumulatingTrack) == 16);
static_assert(offsetof(ObjectRecord, directTracks) == 208);
static_assert(sizeof(DirectTrack) == 12);
static_assert(offsetof(ObjectRecord, baseMatrix) == 256);
static_assert(offsetof(ObjectRecord, workMatrix) == 384);
static_assert(offsetof(ObjectRecord, transformedVertices) == 512);
static_assert(offsetof(ObjectRecord, transformedSecondArray) == 516);
static_assert(sizeof(MeshVertex) == 12 && sizeof(MeshFace) == 16 && sizeof(MeshEdge) == 8 &&
              sizeof(TrackKey) == 8);

}  // namespace qx
