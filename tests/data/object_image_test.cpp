#include "data/object_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "effects/face_list.h"
#include "effects/object_test_image.h"
#include "effects/transform.h"
#include "tests/support/reset_records.h"
#include "tools/meshes/object_report.h"

namespace qx {
namespace {

constexpr uint32_t kForEver = kKeyForEver;
constexpr uint32_t kFlare = 6, kFlarebbw = 7, kTexture1 = 13, kTexture2 = 14, kTexture3 = 15,
                   kTexture8 = 19;

// The objects as the scenes' tables give them. Rotations in degrees per step about x, y, z, two
// keys of turnSteps each when lastKey is 1; depth: the position z track's two keys.
struct Tabled {
    ObjectId id;
    int32_t vertices, faces, edges, mode;
    uint32_t texture;  // archive entry, 0 for none
    int32_t focalLength, x, y, z, lastKey;
    float turn[3][2];
    uint32_t turnSteps;
    int32_t depth[2];
    uint32_t depthSteps;
    int32_t splitFaces;  // faces split at an edge whose neighbour stays whole
};

// clang-format off
const Tabled kTable[] = {
    {ObjectId::Wireframe, 486, 968, 2418, 5, 0, 1024, -1000, 0, 4000, 0, {{1.1f}, {1.1f}, {1.1f}}, kForEver, {}, 0, 0},
    {ObjectId::Glass, 486, 968, 2418, 5, 0, 1024, -1000, 0, 7000, 0, {{1.1f}, {1.1f}, {1.1f}}, kForEver, {}, 0, 0},
    {ObjectId::FlareCloud, 256, 1, 0, -1, 0, 1024, 0, 0, 1000, 0, {{1.1f}, {1.1f}, {1.1f}}, kForEver, {}, 0, 0},
    {ObjectId::TwinA, 405, 806, 0, 2, kTexture8, 1024, -500, 0, 5000, 0, {{1.1f}, {2.1f}, {3.1f}}, kForEver, {}, 0, 0},
    {ObjectId::TwinB, 405, 806, 0, 1, kFlarebbw, 1024, 500, 0, 5000, 0, {{-2.1f}, {-1.4f}, {3.1f}}, kForEver, {}, 0, 0},
    {ObjectId::Chrome, 482, 963, 0, 2, kFlarebbw, 1024, 0, 0, 12000, 1, {{1.1f, 1.4f}, {1.3f, 1.2f}, {1.5f, 1.1f}}, 10, {}, 0, 1},
    {ObjectId::Rays, 182, 360, 0, -1, 0, 1024, 0, 0, 1000, 0, {{0.1f}, {0.1f}, {0.1f}}, kForEver, {}, 0, 0},
    {ObjectId::Web, 446, 889, 0, 2, kTexture1, 1024, 0, 0, 6000, 0, {{1.1f}, {1.1f}, {1.1f}}, kForEver, {}, 0, 3},
    {ObjectId::Textured, 182, 360, 0, 1, kTexture3, 1024, 0, 0, 6000, 0, {{-0.3f}, {-0.3f}, {-0.3f}}, kForEver, {}, 0, 0},
    {ObjectId::Swinging, 505, 1014, 0, 2, kTexture2, 1024, 0, 0, 8000, 1, {{1.1f, 2.1f}, {3.1f, 5.1f}, {5.1f, 3.1f}}, 10, {-100, 100}, 50, 0},
    {ObjectId::WhiteFlareRing, 26, 48, 0, 3, kFlarebbw, 2048, 0, 0, 4000, 1, {{1.1f, 1.1f}, {1.4f, 1.4f}, {3.2f, 3.2f}}, kForEver, {100, -100}, 30, 0},
    {ObjectId::RedFlareRing, 26, 48, 0, 3, kFlare, 2048, 0, 0, 4000, 1, {{1.1f, 1.1f}, {1.4f, 1.4f}, {3.2f, 3.2f}}, kForEver, {100, -100}, 30, 0},
};
// clang-format on

ObjectRecord& Get(ObjectId id) { return *ImageObject(static_cast<uint32_t>(id)); }

template <typename T>
const T* Array(ImageOffset offset) {
    return reinterpret_cast<const T*>(objectImage + offset);
}

std::vector<MeshVertex> Vertices(const ObjectRecord& o) {
    const MeshVertex* v = Array<MeshVertex>(o.vertexArray);
    return {v, v + o.vertexCount};
}

std::vector<std::array<uint32_t, 3>> FaceIndices(const ObjectRecord& o) {
    std::vector<std::array<uint32_t, 3>> faces;
    const MeshFace* f = Array<MeshFace>(o.faceArray);
    for (int32_t i = 0; i < o.faceCount; ++i)
        faces.push_back({f[i].a / kVertexBytes, f[i].b / kVertexBytes, f[i].c / kVertexBytes});
    return faces;
}

Tracks TracksOf(const ObjectRecord& o) {
    Tracks tracks;
    for (uint32_t track = 0; track < kTrackCount; ++track) {
        const TrackKey* keys = Array<TrackKey>(o.tracks[track]);
        tracks[track].assign(keys, keys + o.lastKey + 1);
    }
    return tracks;
}

void ExpectTabled(const ObjectRecord& o, const Tabled& t, const std::string& name) {
    EXPECT_EQ(
        std::vector<int32_t>({o.vertexCount, o.faceCount, o.edgeCount, o.drawingMode, o.focalLength,
                              o.positionX, o.positionY, o.positionZ, o.state, o.visible, o.loop}),
        std::vector<int32_t>(
            {t.vertices, t.faces, t.edges, t.mode, t.focalLength, t.x, t.y, t.z, kAnimating, 1, 1}))
        << name;
    EXPECT_EQ(o.textureCell == 0 ? 0 : *Array<uint32_t>(o.textureCell), t.texture) << name;
    const auto keys = static_cast<uint32_t>(t.lastKey) + 1;
    Tracks expected = StillTracks(keys);
    for (uint32_t k = 0; k < keys; ++k) {
        for (uint32_t axis = 0; axis < 3; ++axis)
            expected[axis][k] = {FloatDelta(t.turn[axis][k]), t.turnSteps};
        if (t.depthSteps != 0) expected[8][k] = {IntegerDelta(t.depth[k]), t.depthSteps};
    }
    EXPECT_EQ(TracksOf(o), expected) << name;
    // Second arrays exactly where the drawing mode reads them.
    EXPECT_EQ(o.secondArray != 0, t.mode == 1 || t.mode == 2) << name;
    EXPECT_EQ(o.hasSecondArray, t.mode == 2 ? 1 : 0) << name;
    EXPECT_EQ(o.transformedSecondArray != 0, t.mode == 2) << name;
}

// The surface is wound one way throughout (no directed edge twice), outward (positive volume),
// and closed except along split faces, each of which leaves three directed edges unmatched.
void ExpectClosedOutwardSurface(const ObjectRecord& o, int32_t splitFaces,
                                const std::string& name) {
    const std::vector<MeshVertex> v = Vertices(o);
    std::set<std::pair<uint32_t, uint32_t>> directed;
    double volume = 0;
    for (const auto& f : FaceIndices(o)) {
        EXPECT_TRUE(f[0] != f[1] && f[1] != f[2] && f[0] != f[2]) << name;
        for (uint32_t k = 0; k < 3; ++k)
            EXPECT_TRUE(directed.insert({f[k], f[(k + 1) % 3]}).second) << name << " edge twice";
        const MeshVertex &a = v[f[0]], &b = v[f[1]], &c = v[f[2]];
        volume += double(a.x) * (double(c.y) * b.z - double(c.z) * b.y) +
                  double(a.y) * (double(c.z) * b.x - double(c.x) * b.z) +
                  double(a.z) * (double(c.x) * b.y - double(c.y) * b.x);
    }
    const auto unmatched = std::count_if(directed.begin(), directed.end(), [&](const auto& e) {
        return directed.count({e.second, e.first}) == 0;
    });
    EXPECT_EQ(unmatched, 3 * splitFaces) << name;
    EXPECT_GT(volume, 0) << name;
}

class ObjectImageTest : public ::testing::Test {
protected:
    void TearDown() override {
        test::RestoreObjectImage();
        test::ResetRecords(objectState, transformState, faceListState);
    }
};

TEST_F(ObjectImageTest, EveryObjectHasItsTabledCountsPlacementTextureAndMotion) {
    ObjectImageHeader header;
    std::memcpy(&header, objectImage, sizeof header);
    EXPECT_EQ(header.magic, kObjectImageMagic);
    EXPECT_EQ(header.imageBytes, objectImageBytes);
    EXPECT_EQ(header.objectCount, kImageObjectCount);

    for (const Tabled& t : kTable) {
        const auto index = static_cast<uint32_t>(t.id);
        ExpectTabled(*ImageObject(index), t, ImageObjectName(index));
    }
    Tabled morph = {ObjectId::FirstMorphMesh,    0,        0,  0, 2, kTexture2, 1024, 0, 0, 4000, 0,
                    {{15.1f}, {16.1f}, {17.1f}}, kForEver, {}, 0, 0};
    for (uint32_t i = 0; i < kMorphMeshCount; ++i) {
        const ObjectRecord& o = *Objects().morphMeshTable[i];
        EXPECT_EQ(&o, ImageObject(kNamedObjectCount + i));
        morph.vertices = o.vertexCount;
        morph.faces = o.faceCount;
        ExpectTabled(o, morph, ImageObjectName(kNamedObjectCount + i));
    }

    const ObjectRecord& camera = *Objects().camera;
    EXPECT_EQ(Vertices(camera), (std::vector<MeshVertex>{{0, 0, 8000}}));
    EXPECT_EQ(std::vector<int32_t>({camera.faceCount, int32_t(camera.faceArray), camera.lastKey,
                                    camera.drawingMode, camera.focalLength}),
              std::vector<int32_t>({1, 0, 1, 0, 1024}));
    Tracks still;
    still.fill({{0, 0}, {0, 0}});
    still[kVisibleTrack] = {{1, kForEver}, {1, kForEver}};
    EXPECT_EQ(TracksOf(camera), still);
    EXPECT_EQ(camera.baseMatrix, kIdentityMatrix);
}

TEST_F(ObjectImageTest, EveryOffsetResolvesInsideTheImageAndEveryCornerToAVertex) {
    std::set<ImageOffset> transformedArrays;
    for (uint32_t i = 0; i < kImageObjectCount; ++i) {
        const ObjectRecord& o = *ImageObject(i);
        const std::string name = ImageObjectName(i);
        const auto record = static_cast<size_t>(reinterpret_cast<const uint8_t*>(&o) - objectImage);
        EXPECT_EQ(record % 8, 0u) << name;
        EXPECT_LE(record + sizeof(ObjectRecord), objectImageBytes) << name;
        const auto inside = [&](ImageOffset offset, size_t bytes, const char* what) {
            EXPECT_TRUE(offset % 4 == 0 && offset >= sizeof(ObjectImageHeader) &&
                        offset + bytes <= objectImageBytes)
                << name << " " << what;
        };
        const size_t vertexBytes = o.vertexCount * size_t{kVertexBytes};
        inside(o.vertexArray, vertexBytes, "vertices");
        inside(o.transformedVertices, vertexBytes, "transformed vertices");
        EXPECT_TRUE(transformedArrays.insert(o.transformedVertices).second) << name;
        if (o.secondArray != 0) inside(o.secondArray, vertexBytes, "second array");
        if (o.transformedSecondArray != 0)
            inside(o.transformedSecondArray, vertexBytes, "transformed second array");
        if (o.textureCell != 0) inside(o.textureCell, 4, "texture cell");
        for (uint32_t track = 0; track < kTrackCount; ++track)
            inside(o.tracks[track], (o.lastKey + 1) * sizeof(TrackKey), "track");
        const auto corner = [&](uint32_t reference) {
            return reference % kVertexBytes == 0 && reference < vertexBytes;
        };
        if (o.faceArray != 0) {
            inside(o.faceArray, o.faceCount * sizeof(MeshFace), "faces");
            const MeshFace* f = Array<MeshFace>(o.faceArray);
            for (int32_t k = 0; k < o.faceCount; ++k)
                ASSERT_TRUE(corner(f[k].a) && corner(f[k].b) && corner(f[k].c) &&
                            f[k].reserved == 0)
                    << name << " face " << k;
        }
        EXPECT_EQ(o.edgeArray != 0, o.edgeCount > 0) << name;
        if (o.edgeArray != 0) {
            inside(o.edgeArray, o.edgeCount * sizeof(MeshEdge), "edges");
            const MeshEdge* e = Array<MeshEdge>(o.edgeArray);
            for (int32_t k = 0; k < o.edgeCount; ++k)
                ASSERT_TRUE(corner(e[k].a) && corner(e[k].b) && e[k].a != e[k].b) << name;
        }
    }
    // Objects drawn together never share transformed arrays; twins share their mesh.
    EXPECT_EQ(Objects().twinA->secondArray, Objects().twinB->secondArray);
}

TEST_F(ObjectImageTest, SurfacesAreClosedAndWoundOutward) {
    for (const Tabled& t : kTable)
        if (t.mode != kModePoints || t.id == ObjectId::Rays)
            ExpectClosedOutwardSurface(Get(t.id), t.splitFaces, ImageObjectName(uint32_t(t.id)));
    for (uint32_t i = 0; i < kMorphMeshCount; ++i) {
        const ObjectRecord& o = *Objects().morphMeshTable[i];
        ExpectClosedOutwardSurface(o, 2 * o.vertexCount - 4 - o.faceCount,
                                   ImageObjectName(kNamedObjectCount + i));
    }
}

// The wireframe draws every edge of its mesh once, then lines each joining the corners opposite
// one edge in the two faces that share it. A line drawn twice adds its colour twice: lines may
// coincide where a fan closes the mesh, not all along it.
TEST_F(ObjectImageTest, WireframeLinesAreTheMeshEdgesThenCrossLines) {
    const ObjectRecord& o = *Objects().wireframe;
    using Pair = std::pair<uint32_t, uint32_t>;
    const auto line = [](uint32_t p, uint32_t q) { return Pair(std::min(p, q), std::max(p, q)); };
    std::map<Pair, uint32_t> opposite;  // directed edge -> third corner of its face
    for (const auto& f : FaceIndices(o))
        for (uint32_t k = 0; k < 3; ++k) opposite[{f[k], f[(k + 1) % 3]}] = f[(k + 2) % 3];
    std::set<Pair> meshEdges, crossLines, drawnEdges, drawn;
    for (const auto& [edge, corner] : opposite) {
        meshEdges.insert(line(edge.first, edge.second));
        crossLines.insert(line(corner, opposite.at({edge.second, edge.first})));
    }
    int32_t repeated = 0;
    const MeshEdge* lines = Array<MeshEdge>(o.edgeArray);
    for (int32_t i = 0; i < o.edgeCount; ++i) {
        const Pair drawnLine = line(lines[i].a / kVertexBytes, lines[i].b / kVertexBytes);
        if (i < 1452) {
            drawnEdges.insert(drawnLine);
        } else {
            EXPECT_TRUE(crossLines.count(drawnLine)) << "line " << i;
        }
        repeated += drawn.insert(drawnLine).second ? 0 : 1;
    }
    EXPECT_EQ(drawnEdges, meshEdges);  // and so each edge once
    EXPECT_LE(repeated, o.edgeCount / 100);
}

TEST_F(ObjectImageTest, ShapesKeepTheirTabledBounds) {
    std::set<std::array<int32_t, 3>> rays;
    for (const MeshVertex& v : Vertices(*Objects().rays)) {
        EXPECT_EQ(v.x * v.x + v.y * v.y + v.z * v.z, 500 * 500);
        rays.insert({v.x, v.y, v.z});
    }
    EXPECT_EQ(rays.size(), 182u);
    for (const MeshVertex& v : Vertices(*Objects().flareCloud))
        EXPECT_TRUE(std::max({std::abs(v.x), std::abs(v.y), std::abs(v.z)}) <= 255);

    const std::vector<MeshVertex> web = Vertices(*Objects().web);
    const auto [left, right] = std::minmax_element(
        web.begin(), web.end(), [](const auto& a, const auto& b) { return a.x < b.x; });
    const auto [top, bottom] = std::minmax_element(
        web.begin(), web.end(), [](const auto& a, const auto& b) { return a.y < b.y; });
    EXPECT_EQ(std::vector<int32_t>({left->x, right->x, top->y, bottom->y}),
              std::vector<int32_t>({-2106, 2952, -2615, 2800}));

    std::vector<int32_t> vertexCounts, faceCounts;
    for (const ObjectRecord* o : Objects().morphMeshTable) {
        vertexCounts.push_back(o->vertexCount);
        faceCounts.push_back(o->faceCount);
    }
    EXPECT_EQ(*std::min_element(vertexCounts.begin(), vertexCounts.end()), 550);
    EXPECT_EQ(*std::max_element(vertexCounts.begin(), vertexCounts.end()), 696);
    EXPECT_EQ(*std::min_element(faceCounts.begin(), faceCounts.end()), 1096);
    EXPECT_EQ(*std::max_element(faceCounts.begin(), faceCounts.end()), 1387);
    for (uint32_t i = 0; i < kMorphMeshCount; ++i)  // one smooth cycle, the last back to the first
        EXPECT_LE(std::abs(vertexCounts[i] - vertexCounts[(i + 1) % kMorphMeshCount]), 12);
}

// With the real transform and back-face test, each drawn object keeps up to about half of its
// faces (less for near and large ones, whose visible cap is smaller; more for wrinkled ones), and
// the nearer ones.
TEST_F(ObjectImageTest, TheFacesFacingTheCameraAreTheOnesKept) {
    SetUpProjection();
    for (uint32_t index = 1; index < kImageObjectCount; ++index) {
        ObjectRecord* object = ImageObject(index);
        if (object->drawingMode <= 0 || object->drawingMode == kModeSprites) continue;
        SetObjectList({Objects().camera, object});
        SetUpObjects();
        TransformObjects();
        const MeshVertex* screen = ImageArray<const MeshVertex>(object->transformedVertices);
        double allDepths = 0;
        for (const auto& [a, b, c] : FaceIndices(*object))
            allDepths += (screen[a].z + screen[b].z + screen[c].z) / 3.0;
        double keptDepths = 0;
        for (uint32_t k = 0; k < faceListState.faceCount; ++k)
            keptDepths += faceListState.faceList[k].depth;
        const double kept = double(faceListState.faceCount) / object->faceCount;
        EXPECT_TRUE(kept > 0.15 && kept < 0.7) << ImageObjectName(index) << " " << kept;
        EXPECT_LT(keptDepths / faceListState.faceCount, allDepths / object->faceCount);
    }
}

}  // namespace
}  // namespace qx
