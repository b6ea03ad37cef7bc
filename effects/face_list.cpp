#include "effects/face_list.h"

#include <algorithm>

#include "archive/asset_catalogue.h"
#include "effects/random.h"
#include "effects/rasterisers.h"

namespace qx {

FaceListState faceListState;
SortBucket sortBuckets[kSortBucketCount];

namespace {

constexpr uint32_t kSortPasses = 2;  // depth bits 0..7, then 8..15
constexpr uint32_t kBitsPerPass = 8;
constexpr int32_t kTextureCentre = 128;
constexpr uint32_t kSpriteSizeFlicker = 32;  // NextRandom range added to every sprite size
constexpr uint32_t kTextureBytes = kTextureTexels * sizeof(uint32_t);

// 32-bit arithmetic that wraps, as the projected coordinates of far-off vertices may need.
int32_t Minus(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
int32_t Plus(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
int32_t Times(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

// The texture the object's cell names, or nullptr when the cell is absent or names no texture.
const uint32_t* ObjectTexture(const ObjectRecord& object) {
    const uint32_t* cell = ImageArray<const uint32_t>(object.textureCell);
    if (cell == nullptr) return nullptr;
    const EntryBuffer buffer = CatalogueBuffer(*cell);
    return buffer.size == kTextureBytes ? reinterpret_cast<const uint32_t*>(buffer.bytes) : nullptr;
}

// Texture coordinates of one corner from a vector of the object's second array.
TexturedVertex MappedCorner(const MeshVertex& corner, const MeshVertex& vector, int32_t shift) {
    return {corner.x, corner.y, Plus(vector.x >> shift, kTextureCentre),
            Plus(vector.y >> shift, kTextureCentre)};
}

void DrawFace(const FaceListEntry& entry, const uint32_t* texture, uint32_t* target) {
    const ObjectRecord& object = *entry.object;
    const MeshFace& face = *entry.face;
    const MeshVertex* screen = ImageArray<const MeshVertex>(object.transformedVertices);
    const MeshVertex& a = VertexAt(screen, face.a);
    const MeshVertex& b = VertexAt(screen, face.b);
    const MeshVertex& c = VertexAt(screen, face.c);
    switch (object.drawingMode) {
        case kModeEnvironment:
        case kModeTexturedFixed: {
            const bool environment = object.drawingMode == kModeEnvironment;
            const MeshVertex* vectors = ImageArray<const MeshVertex>(
                environment ? object.transformedSecondArray : object.secondArray);
            if (texture == nullptr || vectors == nullptr) return;
            const int32_t shift = environment ? 0 : 1;
            DrawTexturedTriangle(MappedCorner(a, VertexAt(vectors, face.a), shift),
                                 MappedCorner(b, VertexAt(vectors, face.b), shift),
                                 MappedCorner(c, VertexAt(vectors, face.c), shift), texture,
                                 target);
            return;
        }
        case kModeSprites: {
            // 3 x the index of vertex c, plus a new flicker for every sprite in drawing order.
            const uint32_t size = ((face.c >> 2) & 0xFFFF) + NextRandom(kSpriteSizeFlicker);
            if (texture != nullptr) DrawAdditiveSprite(texture, a.x, a.y, size, target);
            return;
        }
        case kModeGlass:
            DrawGlassTriangle({a.x, a.y}, {b.x, b.y}, {c.x, c.y}, target);
            return;
        default:
            return;
    }
}

}  // namespace

void EmptyFaceList() { faceListState.faceCount = 0; }

// The buckets are static, so zero at program start, and every sort leaves its counts at 0: only a
// bucket that holds anything is written. The others are only read, so their pages, never touched
// before, are not made private copies just to be zeroed again (2 MB at start-up).
void ClearSortBuckets() {
    for (SortBucket& bucket : sortBuckets) {
        uint32_t any = bucket.count;
        for (const uint32_t entry : bucket.entries) any |= entry;
        if (any != 0) bucket = {};
    }
}

void GatherFaces(const ObjectRecord& object) {
    const MeshFace* faces = ImageArray<const MeshFace>(object.faceArray);
    const MeshVertex* screen = ImageArray<const MeshVertex>(object.transformedVertices);
    if (faces == nullptr || screen == nullptr) return;
    const bool sprites = object.drawingMode == kModeSprites;
    FaceListState& list = faceListState;
    for (int32_t i = 0; i < object.faceCount && list.faceCount < kFaceListCapacity; ++i) {
        const MeshFace& face = faces[i];
        const MeshVertex& p0 = VertexAt(screen, face.a);
        const MeshVertex& p1 = VertexAt(screen, face.b);
        const MeshVertex& p2 = VertexAt(screen, face.c);
        const int32_t e1 = Times(Minus(p0.x, p1.x), Minus(p2.y, p1.y));
        const int32_t e2 = Times(Minus(p2.x, p1.x), Minus(p0.y, p1.y));
        if (!sprites && e2 <= e1) continue;
        const int32_t depth = Plus(Plus(p0.z, p1.z), p2.z) / 3;
        list.faceList[list.faceCount++] = {&face, &object, depth};
    }
}

void SortFaceList() {
    FaceListState& list = faceListState;
    list.sortedCount = std::min(list.faceCount, kFaceListCapacity);
    for (uint32_t i = 0; i < list.sortedCount; ++i) list.sortOrder[i] = i;
    for (uint32_t pass = 0; pass < kSortPasses; ++pass) {
        const uint32_t shift = pass * kBitsPerPass;
        for (uint32_t i = 0; i < list.sortedCount; ++i) {
            const uint32_t entry = list.sortOrder[i];
            const uint32_t byte =
                (static_cast<uint32_t>(list.faceList[entry].depth) >> shift) & 0xFF;
            SortBucket& bucket = sortBuckets[(kSortBucketCount - byte) % kSortBucketCount];
            if (bucket.count < kSortBucketCapacity) bucket.entries[bucket.count++] = entry;
        }
        uint32_t collected = 0;
        for (SortBucket& bucket : sortBuckets) {
            std::copy_n(bucket.entries, bucket.count, list.sortOrder + collected);
            collected += bucket.count;
            bucket.count = 0;
        }
        list.sortedCount = collected;
    }
}

void DrawFaceList() {
    uint32_t* target = rasteriserState.renderTarget;
    if (faceListState.faceCount == 0 || target == nullptr) return;
    SortFaceList();
    const ObjectRecord* textureOwner = nullptr;
    const uint32_t* texture = nullptr;
    for (uint32_t i = 0; i < faceListState.sortedCount; ++i) {
        const FaceListEntry& entry = faceListState.faceList[faceListState.sortOrder[i]];
        if (entry.object != textureOwner) {
            textureOwner = entry.object;
            texture = ObjectTexture(*textureOwner);
        }
        DrawFace(entry, texture, target);
    }
}

}  // namespace qx
