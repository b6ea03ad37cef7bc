// Helpers of the 3D tests: small object images of the tests' own, written with the generator's
// image writer and installed as the image the records' offsets count from, and a copy of the
// baked-in image taken before any test runs, to put it back after tests that animate it.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "data/object_image.h"
#include "effects/face_list.h"
#include "effects/objects.h"
#include "effects/transform.h"
#include "tools/meshes/object_image_writer.h"
#include "tools/meshes/production_objects.h"

namespace qx::test {

// Taken during static initialisation, before the first test.
inline const std::vector<uint8_t> pristineObjectImage(objectImage, objectImage + objectImageBytes);

inline void RestoreObjectImage() {
    std::memcpy(objectImage, pristineObjectImage.data(), pristineObjectImage.size());
}

// An image of the camera object followed by the given objects; Object(0) is the camera.
class TestImage {
public:
    explicit TestImage(std::vector<ObjectPlan> objects) {
        objects.insert(objects.begin(), CameraPlan());
        bytes_ = WriteObjectImage(objects);
        objectState.imageBase = bytes_.data();
    }
    ObjectRecord* Object(uint32_t index) {
        ObjectImageHeader header;
        std::memcpy(&header, bytes_.data(), sizeof header);
        return reinterpret_cast<ObjectRecord*>(bytes_.data() + header.records[index]);
    }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;  // operator new aligns it for the float64 matrices
};

// A mesh of the given vertices and faces (vertex indices), with an optional second array.
inline std::shared_ptr<MeshArrays> MeshOf(std::vector<MeshVertex> vertices,
                                          const std::vector<std::array<uint32_t, 3>>& faces,
                                          std::vector<MeshVertex> second = {}) {
    auto mesh = std::make_shared<MeshArrays>();
    mesh->vertices = std::move(vertices);
    for (const auto& [a, b, c] : faces)
        mesh->faces.push_back({VertexReference(a), VertexReference(b), VertexReference(c), 0});
    mesh->secondArray = std::move(second);
    return mesh;
}

inline ObjectPlan PlanOf(std::shared_ptr<const MeshArrays> mesh, int32_t mode = kModeGlass,
                         int32_t z = 4000) {
    ObjectPlan plan;
    plan.mesh = std::move(mesh);
    plan.drawingMode = mode;
    plan.positionZ = z;
    plan.tracks = StillTracks(1);
    return plan;
}

// Resets every state record the 3D routines use, with the projection built.
class ObjectTest : public ::testing::Test {
protected:
    void SetUp() override { ResetStates(); }
    void TearDown() override { ResetStates(); }
    static void ResetStates() {
        objectState = {};
        transformState = {};
        faceListState = {};
        ClearSortBuckets();
        SetUpProjection();
    }
};

}  // namespace qx::test
