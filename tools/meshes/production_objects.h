// The production's objects as the mesh generator builds them: shapes, placement, textures and
// keyframe tracks of every record of the baked-in object image, in ObjectId order
// (data/object_image.h describes each one).
#pragma once

#include <vector>

#include "tools/meshes/object_image_writer.h"

namespace qx {

std::vector<ObjectPlan> ProductionObjectPlans();
// The camera object: one vertex (0, 0, 8000), face count 1 without faces, last key 1, every key
// 0 (duration 0, so no key ever changes) except visible = 1 for ever.
ObjectPlan CameraPlan();

}  // namespace qx
