#include "tools/meshes/mesh_shapes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numeric>
#include <set>
#include <utility>
#include <vector>

namespace qx::meshgen {
namespace {

constexpr double kTurn = 2 * 3.14159265358979323846;

// A half turn of a helix: open, bending in every direction, so that any frame that is not
// carried along the curve leaves its rings off the tube.
Vec3 HalfHelix(double s) {
    return {300 * std::cos(kTurn / 2 * s), 300 * std::sin(kTurn / 2 * s), 200 * s};
}

// Every directed edge at most once and its reverse present: one orientation throughout and no
// open boundary.
void ExpectClosedAndConsistent(const Mesh& mesh) {
    std::set<std::pair<uint32_t, uint32_t>> directed;
    for (const Face& f : mesh.faces) {
        EXPECT_TRUE(f[0] != f[1] && f[1] != f[2] && f[0] != f[2]);
        for (uint32_t k = 0; k < 3; ++k) {
            EXPECT_LT(f[k], mesh.positions.size());
            EXPECT_TRUE(directed.insert({f[k], f[(k + 1) % 3]}).second);
        }
    }
    for (const auto& [p, q] : directed) EXPECT_TRUE(directed.count({q, p})) << p << "-" << q;
}

TEST(CappedTubeTest, IsOneClosedGenusZeroSurfaceWoundOutward) {
    const std::vector<uint32_t> sides = {3, 4, 3, 5, 3};  // uneven rings zip too
    const Mesh mesh = CappedTube(HalfHelix, sides, [](double, double) { return 40.0; });
    const auto rings = std::accumulate(sides.begin(), sides.end(), 0u);
    ASSERT_EQ(mesh.positions.size(), rings + 2);
    EXPECT_EQ(mesh.faces.size(), 2 * mesh.positions.size() - 4);
    ExpectClosedAndConsistent(mesh);
    EXPECT_EQ(UniqueEdges(mesh).size(), mesh.faces.size() * 3 / 2);  // Euler characteristic 2
    EXPECT_GT(SignedVolume(mesh), 0);
    // One cross line per edge: every edge has a face on each side.
    EXPECT_EQ(CrossLines(mesh, UniqueEdges(mesh)).size(), UniqueEdges(mesh).size());
}

TEST(CappedTubeTest, RingsSitAroundTheCurveFromEndToEndAndTheCapsOnItsEnds) {
    // 44 rings of 11 and the two cap centres: 486 vertices and 968 faces, a genus-0 surface.
    const Mesh mesh = CappedTube(HalfHelix, std::vector<uint32_t>(44, 11),
                                 [](double s, double) { return 20 + 30 * s; });
    ASSERT_EQ(mesh.positions.size(), 486u);
    EXPECT_EQ(mesh.faces.size(), 968u);
    ExpectClosedAndConsistent(mesh);
    for (uint32_t i = 0; i < 44; ++i) {
        const double s = i / 43.0;
        const Vec3 centre = HalfHelix(s);
        const Vec3 along = Normalised(HalfHelix(s + 1e-4) - HalfHelix(s - 1e-4));
        for (uint32_t k = 0; k < 11; ++k) {
            const Vec3 offset = mesh.positions[i * 11 + k] - centre;
            EXPECT_NEAR(Length(offset), 20 + 30 * s, 1e-9) << i << " " << k;
            EXPECT_NEAR(Dot(offset, along), 0, 1e-9) << i << " " << k;  // square across the curve
        }
    }
    // The caps' centres are the curve's ends, each joined to all of its ring.
    const Vec3 first = mesh.positions[484], last = mesh.positions[485];
    EXPECT_NEAR(Length(first - HalfHelix(0)), 0, 1e-9);
    EXPECT_NEAR(Length(last - HalfHelix(1)), 0, 1e-9);
    std::map<uint32_t, std::set<uint32_t>> around;
    for (const Face& f : mesh.faces)
        for (uint32_t k = 0; k < 3; ++k)
            if (f[k] >= 484)
                for (uint32_t other : f)
                    if (other != f[k]) around[f[k]].insert(other);
    EXPECT_EQ(around[484], (std::set<uint32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(around[485],
              (std::set<uint32_t>{473, 474, 475, 476, 477, 478, 479, 480, 481, 482, 483}));
}

}  // namespace
}  // namespace qx::meshgen
