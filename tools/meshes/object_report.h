// What qxobjects shows of the baked-in object image: a text description of each object (counts,
// drawing mode, texture, focal length, position, animation state and every track's keys) and any
// object's mesh as a Wavefront OBJ file.
#pragma once

#include <cstdint>
#include <string>

#include "effects/objects.h"

namespace qx {

// The name of image object `index` (ObjectId order): "camera", "twin-a", ..., "morph-07" for the
// morph meshes; null past the last object.
const char* ImageObjectName(uint32_t index);
// The image index of the object of that name ("glass", "morph-07"), or -1.
int32_t FindImageObject(const std::string& name);
std::string DescribeObject(const ObjectRecord& object, const std::string& name);
// The mesh with model y and z negated, which turns the model's y-down, z-into-the-picture axes
// into a viewer's y-up, z-toward-the-viewer ones; faces listed a, c, b so that they wind
// counter-clockwise seen from outside; vertex normals from the second array when there is one.
std::string WavefrontObj(const ObjectRecord& object, const std::string& name);

}  // namespace qx
