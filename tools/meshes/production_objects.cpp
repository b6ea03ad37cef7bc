#include "tools/meshes/production_objects.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "archive/asset_catalogue.h"
#include "data/object_image.h"
#include "tools/meshes/mesh_shapes.h"

namespace qx {

namespace {

using meshgen::Face;
using meshgen::Mesh;
using meshgen::Vec3;

constexpr double kTurn = 2 * std::numbers::pi;
constexpr int32_t kFocalLength = 1024;
constexpr int32_t kRingFocalLength = 2048;
constexpr double kShortestVector = 100;  // second-array vector lengths, model units
constexpr double kLongestVector = 230;

// ---- Tracks -------------------------------------------------------------------------------------

// One key per track: turning by the given degrees per step for ever.
Tracks SteadyTurn(float x, float y, float z) {
    Tracks tracks = StillTracks(1);
    tracks[0][0].delta = FloatDelta(x);
    tracks[1][0].delta = FloatDelta(y);
    tracks[2][0].delta = FloatDelta(z);
    return tracks;
}

// Two keys per track with a constant turn; motion tracks are filled in by the caller.
Tracks TwoKeyTurn(float x, float y, float z) {
    Tracks tracks = StillTracks(2);
    for (uint32_t k = 0; k < 2; ++k) {
        tracks[0][k].delta = FloatDelta(x);
        tracks[1][k].delta = FloatDelta(y);
        tracks[2][k].delta = FloatDelta(z);
    }
    return tracks;
}

void SetTwoKeys(Tracks& tracks, uint32_t track, TrackKey first, TrackKey second) {
    tracks[track] = {first, second};
}

TrackKey Turning(float degrees, uint32_t steps) { return {FloatDelta(degrees), steps}; }
TrackKey Moving(int32_t units, uint32_t steps) { return {IntegerDelta(units), steps}; }

// ---- Meshes to arrays ---------------------------------------------------------------------------

MeshVertex Rounded(Vec3 p) {
    return {static_cast<int32_t>(std::lround(p.x)), static_cast<int32_t>(std::lround(p.y)),
            static_cast<int32_t>(std::lround(p.z))};
}

MeshFace FaceOf(const Face& f) {
    return {VertexReference(f[0]), VertexReference(f[1]), VertexReference(f[2]), 0};
}

// Vertices and faces; with vectors, one along each vertex normal, 100 units long at the vertex
// nearest the origin and 230 at the farthest, so bulges swing the mapped texture further.
std::shared_ptr<MeshArrays> ArraysOf(const Mesh& mesh, bool withVectors) {
    auto arrays = std::make_shared<MeshArrays>();
    for (Vec3 p : mesh.positions) arrays->vertices.push_back(Rounded(p));
    for (const Face& f : mesh.faces) arrays->faces.push_back(FaceOf(f));
    if (!withVectors) return arrays;
    double nearest = 1e300, farthest = 0;
    for (Vec3 p : mesh.positions) {
        nearest = std::min(nearest, meshgen::Length(p));
        farthest = std::max(farthest, meshgen::Length(p));
    }
    const std::vector<Vec3> normals = meshgen::VertexNormals(mesh);
    for (size_t i = 0; i < normals.size(); ++i) {
        const double reach = (meshgen::Length(mesh.positions[i]) - nearest) / (farthest - nearest);
        const double length = kShortestVector + (kLongestVector - kShortestVector) * reach;
        arrays->secondArray.push_back(Rounded(normals[i] * length));
    }
    return arrays;
}

// ---- Shapes -------------------------------------------------------------------------------------

// Angle about the pole axis (y) of a unit direction, in radians.
double Around(Vec3 d) { return std::atan2(d.z, d.x); }

// Turned 45 degrees about x, then 45 degrees about y: the z axis goes to (0.5, -0.71, 0.5), nearly
// square to (1, 1, 1), the axis that equal steady turns about x, y and z spin an object about.
Vec3 TurnedAcrossTheSpin(Vec3 v) {
    const double c = std::sqrt(0.5);
    const Vec3 a = {v.x, (v.y - v.z) * c, (v.y + v.z) * c};
    return {(a.x + a.z) * c, a.y, (a.z - a.x) * c};
}

// A thin tube wound into a (2, 5) torus knot - twice round its axis and five times through the
// hole - about 3600 units across, cut open at one point and capped at both ends: 161 rings of 3
// sides (the first of 4) and the two cap centres, 486 vertices and 968 faces. The wireframe adds
// its lines into trails and the glass lightens behind each face, so the shape is kept open: a
// thin three-sided tube has the fewest lines per length of tube, one pass of a strand leaves a
// grey trail, and only where strands cross or move slowly does a trail reach white, or the glass
// show a second layer. The knot's axis is turned across the spin axis so that it tumbles;
// spinning in its own plane, every strand would run along itself and draw one solid ring. In a
// three-sided tube one cross line in three joins the same corners as another; with the extra
// side on the first ring, those are the ones WireframeLines leaves out.
Mesh KnottedTube() {
    constexpr double kMajor = 1300, kMinor = 450, kTubeRadius = 100;
    constexpr double kGap = 0.02;  // of the knot, between the two capped ends
    constexpr uint32_t kRings = 161, kSides = 3;
    std::vector<uint32_t> sides(kRings, kSides);
    sides[0] = kSides + 1;
    return meshgen::CappedTube(
        [](double s) {
            const double t = kTurn * (kGap / 2 + s * (1 - kGap));
            const double reach = kMajor + kMinor * std::cos(5 * t);
            return TurnedAcrossTheSpin(
                {reach * std::cos(2 * t), reach * std::sin(2 * t), kMinor * std::sin(5 * t)});
        },
        sides, [](double, double) { return kTubeRadius; });
}

// The wireframe's lines: the mesh edges, then cross lines of two edges in every three.
std::vector<MeshEdge> WireframeLines(const Mesh& mesh) {
    constexpr size_t kCrossLines = 966;
    const auto edges = meshgen::UniqueEdges(mesh);
    const auto cross = meshgen::CrossLines(mesh, edges);
    std::vector<MeshEdge> lines;
    for (const auto& [p, q] : edges) lines.push_back({VertexReference(p), VertexReference(q)});
    for (size_t i = 0; i < cross.size() && lines.size() < edges.size() + kCrossLines; ++i)
        if (i % 3 != 2)
            lines.push_back({VertexReference(cross[i][0]), VertexReference(cross[i][1])});
    return lines;
}

// 256 points scattered through the ball of radius 255 (so inside the cube of +-255 units). At
// the cloud's depth of 1000 every point then projects deeper than 768, where the flare size
// wraps round to nearly 256 pixels: a cube's nearer corners would cover the picture in white.
std::shared_ptr<MeshArrays> FlareCloud() {
    constexpr uint32_t kPoints = 256;
    constexpr double kRadius = 255;
    meshgen::Scatter scatter(0x51A4E);
    auto arrays = std::make_shared<MeshArrays>();
    while (arrays->vertices.size() < kPoints) {
        const Vec3 p = {scatter.Within(-kRadius, kRadius), scatter.Within(-kRadius, kRadius),
                        scatter.Within(-kRadius, kRadius)};
        if (meshgen::Length(p) <= kRadius) arrays->vertices.push_back(Rounded(p));
    }
    arrays->faces.push_back({VertexReference(0), VertexReference(1), VertexReference(2), 0});
    return arrays;
}

// A spinning top with eight ribs: broad above, pointed below.
Mesh RibbedTop() {
    return meshgen::RingSphere(405, [](Vec3 d) {
        const double side = 1 - d.y * d.y;
        return 440 * (0.72 + 0.38 * side - 0.12 * d.y) *
               (1 + 0.11 * side * std::cos(8 * Around(d)));
    });
}

// A trefoil-knot tube: 80 rings of 6 sides, one of 7, and one face split at its first edge.
Mesh TrefoilKnot() {
    std::vector<uint32_t> sides(80, 6);
    sides[0] = 7;
    Mesh mesh = meshgen::Tube(
        [](double s) {
            const double t = kTurn * s;
            return Vec3{std::sin(t) + 2 * std::sin(2 * t), std::cos(t) - 2 * std::cos(2 * t),
                        -std::sin(3 * t)} *
                   520;
        },
        sides, [](double, double) { return 230.0; });
    meshgen::SplitFaceAtFirstEdge(mesh, static_cast<uint32_t>(mesh.faces.size() / 2));
    return mesh;
}

// 182 points each exactly 500 units from the origin: the integer points of that sphere nearest
// to an even spread of directions.
Mesh RayBall() {
    constexpr int32_t kRadius = 500;
    std::vector<Vec3> lattice;
    for (int32_t x = -kRadius; x <= kRadius; ++x)
        for (int32_t y = -kRadius; y <= kRadius; ++y) {
            const int32_t rest = kRadius * kRadius - x * x - y * y;
            if (rest < 0) continue;
            const auto z = static_cast<int32_t>(std::lround(std::sqrt(rest)));
            if (z * z != rest) continue;
            lattice.push_back({double(x), double(y), double(z)});
            if (z != 0) lattice.push_back({double(x), double(y), double(-z)});
        }
    Mesh mesh = meshgen::RingSphere(182, [](Vec3) { return double(kRadius); });
    std::vector<bool> taken(lattice.size());
    for (Vec3& p : mesh.positions) {
        size_t best = 0;
        double bestDistance = 1e300;
        for (size_t i = 0; i < lattice.size(); ++i) {
            const double distance = meshgen::Length(lattice[i] - p);
            if (!taken[i] && distance < bestDistance) {
                bestDistance = distance;
                best = i;
            }
        }
        taken[best] = true;
        p = lattice[best];
    }
    meshgen::OrientOutward(mesh);
    return mesh;
}

// Scales each axis so that the rounded vertices span exactly [low, high] in x and y; z by the
// mean of the two scales.
void FitExtents(Mesh& mesh, double lowX, double highX, double lowY, double highY) {
    Vec3 low = mesh.positions[0], high = mesh.positions[0];
    for (Vec3 p : mesh.positions) {
        low = {std::min(low.x, p.x), std::min(low.y, p.y), 0};
        high = {std::max(high.x, p.x), std::max(high.y, p.y), 0};
    }
    const double scaleX = (highX - lowX) / (high.x - low.x);
    const double scaleY = (highY - lowY) / (high.y - low.y);
    for (Vec3& p : mesh.positions)
        p = {lowX + (p.x - low.x) * scaleX, lowY + (p.y - low.y) * scaleY,
             p.z * (scaleX + scaleY) / 2};
}

// A ring in the picture plane with five petals, fitted off-centre so that it turns about a point
// beside its middle: 55 rings of 8 sides (three of 9) and three faces split at an edge.
Mesh PetalRing() {
    std::vector<uint32_t> sides(55, 8);
    sides[0] = sides[18] = sides[37] = 9;
    Mesh mesh = meshgen::Tube(
        [](double s) {
            const double t = kTurn * s;
            return Vec3{std::cos(t), std::sin(t), 0} * (2300 * (1 + 0.13 * std::cos(5 * t)));
        },
        sides, [](double s, double) { return 430 * (1 + 0.25 * std::cos(5 * kTurn * s)); });
    const auto faces = static_cast<uint32_t>(mesh.faces.size());
    for (uint32_t sixth : {1u, 3u, 5u}) meshgen::SplitFaceAtFirstEdge(mesh, faces * sixth / 6);
    FitExtents(mesh, -2106, 2952, -2615, 2800);
    return mesh;
}

// A cube with well-rounded edges, 800 units from centre to face.
Mesh RoundedCube() {
    return meshgen::RingSphere(182, [](Vec3 d) {
        const double p4 = std::pow(d.x, 4) + std::pow(d.y, 4) + std::pow(d.z, 4);
        return 800 / std::pow(p4, 0.25);
    });
}

// A ring of 41 x 11 vertices in the picture plane whose hole is crossed by a round bar of 8
// segments: a closed surface of genus 2.
Mesh BarredRing() {
    constexpr uint32_t kRings = 41, kSides = 11, kBarSegments = 8;
    constexpr double kMajor = 640, kMinor = 140;
    constexpr uint32_t kInnerSide = kSides / 2;  // the side facing the centre
    constexpr uint32_t kFarEnd = kRings / 2;     // the ring where the bar ends
    const auto index = [](uint32_t ring, uint32_t side) {
        return (ring % kRings) * kSides + side % kSides;
    };
    Mesh mesh;
    for (uint32_t i = 0; i < kRings; ++i)
        for (uint32_t j = 0; j < kSides; ++j) {
            const double a = kTurn * i / kRings, b = kTurn * (j + 0.5) / kSides;
            const double reach = kMajor + kMinor * std::cos(b);
            mesh.positions.push_back(
                {reach * std::cos(a), reach * std::sin(a), kMinor * std::sin(b)});
        }
    // The four quads around each bar end are left out.
    const auto nearEnd = [&](uint32_t i, uint32_t j, uint32_t end) {
        const uint32_t di = (i + kRings - end) % kRings;
        return (di == 0 || di == kRings - 1) && (j == kInnerSide || j + 1 == kInnerSide);
    };
    for (uint32_t i = 0; i < kRings; ++i)
        for (uint32_t j = 0; j < kSides; ++j) {
            if (nearEnd(i, j, 0) || nearEnd(i, j, kFarEnd)) continue;
            const uint32_t p00 = index(i, j), p10 = index(i + 1, j), p11 = index(i + 1, j + 1),
                           p01 = index(i, j + 1);
            mesh.faces.push_back({p00, p10, p11});
            mesh.faces.push_back({p00, p11, p01});
        }
    // The loops around the two ends, the far one mirrored along the ring so that corresponding
    // corners face the same way.
    const int32_t around[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {1, 0},
                                  {1, 1},   {0, 1},  {-1, 1}, {-1, 0}};
    std::vector<std::vector<uint32_t>> loops(kBarSegments + 1);
    for (const auto& [di, dj] : around) {
        loops.front().push_back(index(kRings + di, kInnerSide + dj));
        loops.back().push_back(index(kFarEnd - di, kInnerSide + dj));
    }
    Vec3 centres[2];
    double radii[2] = {0, 0};
    for (uint32_t e = 0; e < 2; ++e) {
        const auto& loop = e == 0 ? loops.front() : loops.back();
        for (uint32_t v : loop) centres[e] = centres[e] + mesh.positions[v] * (1.0 / loop.size());
    }
    const Vec3 axis = meshgen::Normalised(centres[1] - centres[0]);
    const auto across = [&](Vec3 offset) { return offset - axis * meshgen::Dot(offset, axis); };
    for (uint32_t e = 0; e < 2; ++e)
        for (uint32_t v : e == 0 ? loops.front() : loops.back())
            radii[e] += meshgen::Length(across(mesh.positions[v] - centres[e])) / 8;
    for (uint32_t q = 1; q < kBarSegments; ++q) {
        const double t = static_cast<double>(q) / kBarSegments;
        const Vec3 centre = centres[0] * (1 - t) + centres[1] * t;
        const double radius =
            (radii[0] * (1 - t) + radii[1] * t) * (1 - 0.12 * std::sin(kTurn / 2 * t));
        for (uint32_t m = 0; m < 8; ++m) {
            const Vec3 offset = (mesh.positions[loops.front()[m]] - centres[0]) * (1 - t) +
                                (mesh.positions[loops.back()[m]] - centres[1]) * t;
            mesh.positions.push_back(centre + meshgen::Normalised(across(offset)) * radius);
            loops[q].push_back(static_cast<uint32_t>(mesh.positions.size() - 1));
        }
    }
    // The bar's faces run against the ring's faces along the loops' edges.
    const uint32_t a0 = loops.front()[0], a1 = loops.front()[1];
    bool ringRunsForward = false;
    for (const Face& f : mesh.faces)
        for (uint32_t k = 0; k < 3; ++k) ringRunsForward |= f[k] == a0 && f[(k + 1) % 3] == a1;
    for (uint32_t q = 0; q < kBarSegments; ++q)
        for (uint32_t m = 0; m < 8; ++m) {
            const uint32_t p = loops[q][m], p1 = loops[q][(m + 1) % 8], n = loops[q + 1][m],
                           n1 = loops[q + 1][(m + 1) % 8];
            if (ringRunsForward) {
                mesh.faces.push_back({p1, p, n});
                mesh.faces.push_back({p1, n, n1});
            } else {
                mesh.faces.push_back({p, p1, n1});
                mesh.faces.push_back({p, n1, n});
            }
        }
    // Drop the two vertices at the centres of the removed quads.
    const uint32_t dropped[2] = {index(0, kInnerSide), index(kFarEnd, kInnerSide)};
    std::vector<uint32_t> renumbered(mesh.positions.size());
    Mesh result;
    for (uint32_t v = 0; v < mesh.positions.size(); ++v) {
        if (v == dropped[0] || v == dropped[1]) continue;
        renumbered[v] = static_cast<uint32_t>(result.positions.size());
        result.positions.push_back(mesh.positions[v]);
    }
    for (const Face& f : mesh.faces)
        result.faces.push_back({renumbered[f[0]], renumbered[f[1]], renumbered[f[2]]});
    meshgen::OrientOutward(result);
    return result;
}

// 24 points on a ring of radius 250 in the picture plane and two hubs 60 units before and behind
// its centre; vertex 0 and 1 are the hubs. Each ring point is corner a of two faces: one whose
// corner c is hub 0 (a flare of size 0..31) and one whose corner c is the next ring point, so
// the second flares grow around the ring (3 x index of c).
std::shared_ptr<MeshArrays> FlareRing() {
    constexpr uint32_t kRingPoints = 24;
    constexpr double kRadius = 250, kHubOffset = 60;
    Mesh mesh;
    mesh.positions = {{0, 0, -kHubOffset}, {0, 0, kHubOffset}};
    for (uint32_t k = 0; k < kRingPoints; ++k)
        mesh.positions.push_back({kRadius * std::cos(kTurn * k / kRingPoints),
                                  kRadius * std::sin(kTurn * k / kRingPoints), 0});
    for (uint32_t k = 0; k < kRingPoints; ++k) {
        const uint32_t point = 2 + k, next = 2 + (k + 1) % kRingPoints;
        mesh.faces.push_back({point, next, 0});
        mesh.faces.push_back({point, 1, next});
    }
    // Keep the faces as they are (corner c sizes the flares): mirror the hubs instead.
    if (meshgen::SignedVolume(mesh) < 0) std::swap(mesh.positions[0], mesh.positions[1]);
    return ArraysOf(mesh, false);
}

// One surface of the morph cycle: the level set 1 of a field of four metaballs (a pulsing one at
// the centre and three circling it at one, two and three turns per cycle), taken along rays from
// the centre. Vertex counts rise and fall over the cycle between 550 and 696; a 696-vertex
// surface has 695 on its rings and one face split at an edge, since 1388 faces would be too many.
Mesh MorphSurface(uint32_t step) {
    constexpr uint32_t kFewest = 550, kMost = 696;
    const double phase = kTurn * step / kMorphMeshCount;
    const auto vertices =
        static_cast<uint32_t>(kFewest + std::lround((kMost - kFewest) * (1 - std::cos(phase)) / 2));
    struct Ball {
        Vec3 centre;
        double strength;
    };
    std::array<Ball, 4> balls;
    balls[0] = {{0, 0, 0}, 330 * (1 + 0.1 * std::sin(2 * phase))};
    for (uint32_t k = 1; k < 4; ++k) {
        const double a = k * phase + kTurn * k / 3, tilt = 0.7 * k;
        const double orbit = 500 + 120 * std::sin(phase + 2 * k);
        balls[k] = {{orbit * std::cos(a), orbit * std::sin(a) * std::cos(tilt),
                     orbit * std::sin(a) * std::sin(tilt)},
                    300};
    }
    const auto field = [&](Vec3 p) {
        double sum = 0;
        for (const Ball& ball : balls) {
            const Vec3 d = p - ball.centre;
            sum += ball.strength * ball.strength / std::max(meshgen::Dot(d, d), 1.0);
        }
        return sum;
    };
    const auto surface = [&](Vec3 d) {
        constexpr double kFarthest = 2000, kStep = 8;
        double outside = kFarthest;
        while (outside > kStep && field(d * (outside - kStep)) < 1) outside -= kStep;
        double inside = outside - kStep;
        for (int i = 0; i < 40; ++i) {
            const double middle = (inside + outside) / 2;
            (field(d * middle) < 1 ? outside : inside) = middle;
        }
        return (inside + outside) / 2;
    };
    if (vertices < kMost) return meshgen::RingSphere(vertices, surface);
    Mesh mesh = meshgen::RingSphere(kMost - 1, surface);
    meshgen::SplitFaceAtFirstEdge(mesh, static_cast<uint32_t>(mesh.faces.size() / 2));
    return mesh;
}

uint32_t EntryNumber(const char* name) {
    for (uint32_t i = 0; i < kCatalogueEntryCount; ++i)
        if (std::strcmp(kCatalogue[i].name, name) == 0) return i + 1;
    return 0;
}

ObjectPlan Placed(std::shared_ptr<const MeshArrays> mesh, int32_t mode, int32_t x, int32_t y,
                  int32_t z, Tracks tracks) {
    ObjectPlan plan;
    plan.mesh = std::move(mesh);
    plan.drawingMode = mode;
    plan.focalLength = kFocalLength;
    plan.positionX = x;
    plan.positionY = y;
    plan.positionZ = z;
    plan.tracks = std::move(tracks);
    return plan;
}

ObjectPlan Textured(ObjectPlan plan, const char* texture) {
    plan.textureEntry = EntryNumber(texture);
    plan.hasSecondArray = plan.drawingMode == kModeEnvironment ? 1 : 0;
    return plan;
}

}  // namespace

ObjectPlan CameraPlan() {
    auto lookPoint = std::make_shared<MeshArrays>();
    lookPoint->vertices = {{0, 0, 8000}};
    Tracks still;
    for (auto& track : still) track.assign(2, {0, 0});
    for (TrackKey& key : still[kVisibleTrack]) key = {IntegerDelta(1), kKeyForEver};
    ObjectPlan camera = Placed(lookPoint, 0, 0, 0, 0, still);
    camera.declaredFaceCount = 1;
    return camera;
}

std::vector<ObjectPlan> ProductionObjectPlans() {
    std::vector<ObjectPlan> plans;
    plans.push_back(CameraPlan());

    const Mesh knot = KnottedTube();
    auto knotArrays = ArraysOf(knot, false);
    knotArrays->edges = WireframeLines(knot);
    plans.push_back(Placed(knotArrays, kModeGlass, -1000, 0, 4000, SteadyTurn(1.1f, 1.1f, 1.1f)));
    plans.push_back(Placed(knotArrays, kModeGlass, -1000, 0, 7000, SteadyTurn(1.1f, 1.1f, 1.1f)));

    plans.push_back(Placed(FlareCloud(), kModePoints, 0, 0, 1000, SteadyTurn(1.1f, 1.1f, 1.1f)));

    const auto top = ArraysOf(RibbedTop(), true);
    plans.push_back(Textured(
        Placed(top, kModeEnvironment, -500, 0, 5000, SteadyTurn(1.1f, 2.1f, 3.1f)), "texture8.~"));
    plans.push_back(
        Textured(Placed(top, kModeTexturedFixed, 500, 0, 5000, SteadyTurn(-2.1f, -1.4f, 3.1f)),
                 "flarebbw.~"));

    Tracks chromeTurn = TwoKeyTurn(0, 0, 0);
    SetTwoKeys(chromeTurn, 0, Turning(1.1f, 10), Turning(1.4f, 10));
    SetTwoKeys(chromeTurn, 1, Turning(1.3f, 10), Turning(1.2f, 10));
    SetTwoKeys(chromeTurn, 2, Turning(1.5f, 10), Turning(1.1f, 10));
    plans.push_back(
        Textured(Placed(ArraysOf(TrefoilKnot(), true), kModeEnvironment, 0, 0, 12000, chromeTurn),
                 "flarebbw.~"));

    plans.push_back(
        Placed(ArraysOf(RayBall(), false), kModePoints, 0, 0, 1000, SteadyTurn(0.1f, 0.1f, 0.1f)));

    plans.push_back(Textured(Placed(ArraysOf(PetalRing(), true), kModeEnvironment, 0, 0, 6000,
                                    SteadyTurn(1.1f, 1.1f, 1.1f)),
                             "texture1.~"));

    plans.push_back(Textured(Placed(ArraysOf(RoundedCube(), true), kModeTexturedFixed, 0, 0, 6000,
                                    SteadyTurn(-0.3f, -0.3f, -0.3f)),
                             "texture3.~"));

    Tracks swing = TwoKeyTurn(0, 0, 0);
    SetTwoKeys(swing, 0, Turning(1.1f, 10), Turning(2.1f, 10));
    SetTwoKeys(swing, 1, Turning(3.1f, 10), Turning(5.1f, 10));
    SetTwoKeys(swing, 2, Turning(5.1f, 10), Turning(3.1f, 10));
    SetTwoKeys(swing, kPositionTrackX + 2, Moving(-100, 50), Moving(100, 50));
    plans.push_back(Textured(
        Placed(ArraysOf(BarredRing(), true), kModeEnvironment, 0, 0, 8000, swing), "texture2.~"));

    const auto ring = FlareRing();
    Tracks bob = TwoKeyTurn(1.1f, 1.4f, 3.2f);
    SetTwoKeys(bob, kPositionTrackX + 2, Moving(100, 30), Moving(-100, 30));
    for (const char* texture : {"flarebbw.~", "flare.~"}) {
        ObjectPlan flares = Textured(Placed(ring, kModeSprites, 0, 0, 4000, bob), texture);
        flares.focalLength = kRingFocalLength;
        plans.push_back(flares);
    }

    for (uint32_t step = 0; step < kMorphMeshCount; ++step)
        plans.push_back(Textured(Placed(ArraysOf(MorphSurface(step), true), kModeEnvironment, 0, 0,
                                        4000, SteadyTurn(15.1f, 16.1f, 17.1f)),
                                 "texture2.~"));
    return plans;
}

}  // namespace qx
