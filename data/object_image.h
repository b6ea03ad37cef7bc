// The baked-in object image: every 3D object of the production (the camera object, the scenes'
// meshes and the 39 morph meshes) as one little-endian byte image, made at build time by the mesh
// generator (tools/meshes/make_object_image.cpp) and linked into the program. The image is
// written in place at run time (animation state, matrices, transformed arrays), like the rest of
// the program's initialised data.
//
// Layout: an ObjectImageHeader at offset 0 (so no array ever sits at offset 0, the "none"
// offset), then each object as its record (8-byte aligned) followed by its arrays: vertices,
// faces, second array or edges, transformed vertices, transformed second array, the ten key
// arrays, texture cell. Objects that share a mesh (wireframe and glass, twin A and twin B, the
// two flare rings) refer to the arrays written after the first of them; each keeps its own
// transformed arrays, keys and texture cell. A texture cell holds the archive entry number of
// its texture buffer (archive/asset_catalogue.h).
//
// Objects for the scenes, through Objects(): position, drawing mode, texture, focal length and
// motion as below; rotations in degrees per animation step about x, y, z; every object is visible
// for ever, loops, and has translation deltas 0.
//   camera          1 vertex (0, 0, 8000), face count 1 with no face array, last key 1, all
//                   keys 0 except visible; its matrices stay the identity
//   wireframe       486 vertices, 968 faces, 2418 edges (the 1452 mesh edges, then 966 cross
//                   lines, each joining the far corners of the two faces that share an edge);
//                   mode 5, (-1000, 0, 4000), last key 0, rotation 1.1, 1.1, 1.1. A thin
//                   three-sided tube wound into a (2, 5) torus knot, about 3600 units across,
//                   cut open and capped at both ends (161 rings and the two cap centres)
//   glass           the wireframe's mesh and edges; mode 5, (-1000, 0, 7000), rotation 1.1 x 3
//   flareCloud      256 points scattered inside +-255, 1 face; mode -1, (0, 0, 1000), rotation
//                   1.1 x 3
//   twinA, twinB    one 405-vertex, 806-face mesh (a spinning top with eight ribs, about 1070
//                   across) and its second array; A: mode 2, texture8, (-500, 0, 5000), rotation
//                   1.1, 2.1, 3.1; B: mode 1, flarebbw, (500, 0, 5000), rotation -2.1, -1.4, 3.1
//   chrome          482 vertices, 963 faces: a trefoil-knot tube about 3300 across (481
//                   vertices on its rings, one more splitting a face: see below); mode 2,
//                   flarebbw, (0, 0, 12000), last key 1: x 1.1 then 1.4, y 1.3 then 1.2, z 1.5
//                   then 1.1, 10 steps each
//   rays            182 vertices, each exactly 500 from the origin, 360 faces; mode -1,
//                   (0, 0, 1000), rotation 0.1 x 3
//   web             446 vertices (x -2106 .. 2952, y -2615 .. 2800), 889 faces: a ring with five
//                   petals lying in the picture plane (three vertices split faces); mode 2,
//                   texture1, (0, 0, 6000) (scenes write z), rotation 1.1 x 3
//   textured        182 vertices, 360 faces: a rounded cube 1600 across; mode 1, texture3,
//                   (0, 0, 6000), rotation -0.3 x 3
//   swinging        505 vertices, 1014 faces: a ring 1550 across in the picture plane with a bar
//                   across its hole; mode 2, texture2, (0, 0, 8000), last key 1: x 1.1 then 2.1,
//                   y 3.1 then 5.1, z 5.1 then 3.1 (10 steps each), position z -100 for 50 steps
//                   then +100 for 50
//   whiteFlareRing  26 vertices, 48 faces: two hubs (vertices 0 and 1, 60 before and behind the
//                   centre) and 24 points on a ring of radius 250 in the picture plane, each
//                   point corner a of two faces, so that its flares are 0..31 and 3 x (index of
//                   the next point) + 0..31 pixels; mode 3, flarebbw, focal length 2048,
//                   (0, 0, 4000), last key 1: rotation 1.1, 1.4, 3.2, position z +100 for 30
//                   steps then -100 for 30
//   redFlareRing    the white ring's mesh and motion with texture flare
//   morphMeshTable  39 metaball surfaces about 1500 across, one smooth cycle in table order
//                   (vertex counts rise from 550 to 696 and fall again; faces 1096 to 1387);
//                   mode 2, texture2, (0, 0, 4000), last key 0, rotation 15.1, 16.1, 17.1
// Every mode 1 and 2 object has a second array of vectors along its vertex normals, 100 to 230
// units long. Every face-drawn surface is closed and wound outward, except that a closed surface
// has an even number of faces: the odd counts come from faces split in two at the midpoint of an
// edge whose other face stays whole (chrome 1, web 3, the 696-vertex morph meshes 1).
//
// A scene lists its objects with SetObjectList({Objects().camera, Objects().glass, ...}) and
// restarts their animation with SetUpObjects; the morph scene lists Objects().morphMeshTable
// and afterwards writes objectState.objectList.objects[3] and the count each frame.
#pragma once

#include <array>
#include <cstdint>

#include "data/object_records.h"

namespace qx {

inline constexpr uint32_t kObjectImageMagic = 0x424F5851;  // "QXOB"
inline constexpr uint32_t kMorphMeshCount = 39;

// The order of the records in the image.
enum class ObjectId : uint32_t {
    Camera,
    Wireframe,
    Glass,
    FlareCloud,
    TwinA,
    TwinB,
    Chrome,
    Rays,
    Web,
    Textured,
    Swinging,
    WhiteFlareRing,
    RedFlareRing,
    FirstMorphMesh,  // then the other 38 in morph mesh table order
};
inline constexpr uint32_t kNamedObjectCount = static_cast<uint32_t>(ObjectId::FirstMorphMesh);
inline constexpr uint32_t kImageObjectCount = kNamedObjectCount + kMorphMeshCount;

struct ObjectImageHeader {
    uint32_t magic = kObjectImageMagic;
    uint32_t imageBytes = 0;
    uint32_t objectCount = kImageObjectCount;
    ImageOffset records[kImageObjectCount] = {};  // in ObjectId order
};

inline constexpr uint32_t kObjectImageAlignment = 16;
alignas(kObjectImageAlignment) extern uint8_t objectImage[];
extern const uint32_t objectImageBytes;

// The production's objects inside the baked-in image.
struct ProductionObjects {
    ObjectRecord* camera;
    ObjectRecord* wireframe;
    ObjectRecord* glass;
    ObjectRecord* flareCloud;
    ObjectRecord* twinA;
    ObjectRecord* twinB;
    ObjectRecord* chrome;
    ObjectRecord* rays;
    ObjectRecord* web;
    ObjectRecord* textured;
    ObjectRecord* swinging;
    ObjectRecord* whiteFlareRing;
    ObjectRecord* redFlareRing;
    std::array<ObjectRecord*, kMorphMeshCount> morphMeshTable;  // in the order the morph shows
};
const ProductionObjects& Objects();

// The record of image object `index` (ObjectId order).
ObjectRecord* ImageObject(uint32_t index);

}  // namespace qx
