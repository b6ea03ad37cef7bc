#include "tools/meshes/mesh_shapes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>
#include <vector>

namespace qx::meshgen {
namespace {

// A half turn of a helix: open and bending in every direction, so that a frame not carried along
// the curve leaves its rings off the tube.
Vec3 HalfHelix(double s) {
    return {300 * std::cos(3.14159265358979 * s), 300 * std::sin(3.14159265358979 * s), 200 * s};
}

TEST(CappedTubeTest, IsAClosedGenusZeroSurfaceWoundOutwardWithItsRingsAroundTheCurve) {
    const std::vector<uint32_t> sides = {4, 3, 3, 5, 3, 3};  // uneven rings zip too
    const Mesh mesh = CappedTube(HalfHelix, sides, [](double s, double) { return 20 + 30 * s; });
    ASSERT_EQ(mesh.positions.size(), 21u + 2);
    EXPECT_EQ(mesh.faces.size(), 2 * mesh.positions.size() - 4);
    // Every directed edge once and its reverse too: one winding throughout and no open boundary.
    std::set<std::pair<uint32_t, uint32_t>> directed;
    for (const Face& f : mesh.faces)
        for (uint32_t k = 0; k < 3; ++k)
            EXPECT_TRUE(directed.insert({f[k], f[(k + 1) % 3]}).second);
    for (const auto& [p, q] : directed) EXPECT_TRUE(directed.count({q, p})) << p << "-" << q;
    EXPECT_EQ(UniqueEdges(mesh).size(), mesh.faces.size() * 3 / 2);  // Euler characteristic 2
    EXPECT_GT(SignedVolume(mesh), 0);

    // Ring i at s = i / 5, square across the curve at its radius; the caps on the curve's ends.
    uint32_t vertex = 0;
    for (uint32_t i = 0; i < sides.size(); ++i) {
        const double s = i / 5.0;
        const Vec3 along = Normalised(HalfHelix(s + 1e-4) - HalfHelix(s - 1e-4));
        for (uint32_t k = 0; k < sides[i]; ++k, ++vertex) {
            const Vec3 offset = mesh.positions[vertex] - HalfHelix(s);
            EXPECT_NEAR(Length(offset), 20 + 30 * s, 1e-9) << i << " " << k;
            EXPECT_NEAR(Dot(offset, along), 0, 1e-9) << i << " " << k;
        }
    }
    EXPECT_NEAR(Length(mesh.positions[21] - HalfHelix(0)), 0, 1e-9);
    EXPECT_NEAR(Length(mesh.positions[22] - HalfHelix(1)), 0, 1e-9);
}

}  // namespace
}  // namespace qx::meshgen
