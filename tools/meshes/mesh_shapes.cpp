#include "tools/meshes/mesh_shapes.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <numbers>
#include <utility>

namespace qx::meshgen {

namespace {

constexpr double kTurn = 2 * std::numbers::pi;
constexpr uint32_t kSmallestRing = 3;
constexpr double kTangentStep = 1e-4;  // of the curve parameter, for central differences

// A closed ring of vertices with their angles in turns, increasing from about 0.
struct Loop {
    std::vector<uint32_t> vertices;
    std::vector<double> turns;
};

// Joins two rings by walking both in angle order; |a| + |b| triangles, all wound alike.
void ZipLoops(const Loop& a, const Loop& b, std::vector<Face>& faces) {
    const size_t na = a.vertices.size(), nb = b.vertices.size();
    const auto turnA = [&](size_t k) { return k < na ? a.turns[k] : a.turns[k - na] + 1; };
    const auto turnB = [&](size_t k) { return k < nb ? b.turns[k] : b.turns[k - nb] + 1; };
    size_t i = 0, j = 0;
    while (i < na || j < nb) {
        const uint32_t ai = a.vertices[i % na], bj = b.vertices[j % nb];
        if (j == nb || (i < na && turnA(i + 1) <= turnB(j + 1))) {
            faces.push_back({ai, bj, a.vertices[(i + 1) % na]});
            ++i;
        } else {
            faces.push_back({ai, bj, b.vertices[(j + 1) % nb]});
            ++j;
        }
    }
}

Vec3 RotatedAbout(Vec3 axis, Vec3 v, double angle) {
    return v * std::cos(angle) + Cross(axis, v) * std::sin(angle);
}

// Rings of sideCounts[i] vertices around the curve at radius(s, angle) from it, in a frame carried
// along the curve without twist: at s = i / rings round a closed curve (the last ring one step
// before the first), at s = i / (rings - 1) from end to end of an open one. A closed curve's frame
// comes back turned; that twist is spread evenly over the rings so that the last ring meets the
// first.
std::vector<Loop> PlaceRings(Mesh& mesh, const CurvePoint& centre,
                             const std::vector<uint32_t>& sideCounts, const TubeRadius& radius,
                             bool closed) {
    const auto rings = static_cast<uint32_t>(sideCounts.size());
    std::vector<double> at(rings);
    for (uint32_t i = 0; i < rings; ++i)
        at[i] = static_cast<double>(i) / (closed ? rings : rings - 1);
    const auto tangent = [&](double s) {
        return Normalised(centre(s + kTangentStep) - centre(s - kTangentStep));
    };
    // Carry a normal along the curve by projection.
    std::vector<Vec3> tangents(rings), normals(rings);
    for (uint32_t i = 0; i < rings; ++i) tangents[i] = tangent(at[i]);
    const Vec3 t0 = tangents[0];
    const Vec3 seed = std::abs(t0.z) < 0.9 ? Vec3{0, 0, 1} : Vec3{1, 0, 0};
    normals[0] = Normalised(seed - t0 * Dot(seed, t0));
    for (uint32_t i = 1; i < rings; ++i)
        normals[i] = Normalised(normals[i - 1] - tangents[i] * Dot(normals[i - 1], tangents[i]));
    if (closed) {
        const Vec3 returned = Normalised(normals[rings - 1] - t0 * Dot(normals[rings - 1], t0));
        const double twist =
            std::atan2(Dot(Cross(normals[0], returned), t0), Dot(normals[0], returned));
        for (uint32_t i = 0; i < rings; ++i)
            normals[i] = RotatedAbout(tangents[i], normals[i], -twist * i / rings);
    }

    std::vector<Loop> loops(rings);
    for (uint32_t i = 0; i < rings; ++i) {
        const Vec3 n = normals[i];
        const Vec3 b = Cross(tangents[i], n);
        const Vec3 c = centre(at[i]);
        for (uint32_t k = 0; k < sideCounts[i]; ++k) {
            const double turn = static_cast<double>(k) / sideCounts[i];
            const double angle = kTurn * turn;
            mesh.positions.push_back(c + (n * std::cos(angle) + b * std::sin(angle)) *
                                             radius(at[i], angle));
            loops[i].vertices.push_back(static_cast<uint32_t>(mesh.positions.size() - 1));
            loops[i].turns.push_back(turn);
        }
    }
    return loops;
}

}  // namespace

double Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 Cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double Length(Vec3 a) { return std::sqrt(Dot(a, a)); }
Vec3 Normalised(Vec3 a) { return a * (1 / Length(a)); }

double SignedVolume(const Mesh& mesh) {
    double volume = 0;
    for (const Face& f : mesh.faces)
        volume += Dot(mesh.positions[f[0]], Cross(mesh.positions[f[2]], mesh.positions[f[1]]));
    return volume;
}

void OrientOutward(Mesh& mesh) {
    if (SignedVolume(mesh) >= 0) return;
    for (Face& f : mesh.faces) std::swap(f[1], f[2]);
}

std::vector<Vec3> VertexNormals(const Mesh& mesh) {
    std::vector<Vec3> normals(mesh.positions.size());
    for (const Face& f : mesh.faces) {
        const Vec3 a = mesh.positions[f[0]], b = mesh.positions[f[1]], c = mesh.positions[f[2]];
        const Vec3 n = Cross(c - a, b - a);
        for (uint32_t corner : f) normals[corner] = normals[corner] + n;
    }
    for (Vec3& n : normals) n = Normalised(n);
    return normals;
}

std::vector<uint32_t> RingCounts(uint32_t ringTotal) {
    const double spacing = std::sqrt(2 * kTurn / ringTotal);  // radians between rings
    const auto rings =
        static_cast<uint32_t>(std::max<long>(1, std::lround(std::numbers::pi / spacing) - 1));
    std::vector<double> ideal(rings);
    double weights = 0;
    for (uint32_t r = 0; r < rings; ++r) {
        ideal[r] = std::sin(std::numbers::pi * (r + 1) / (rings + 1));
        weights += ideal[r];
    }
    std::vector<uint32_t> counts(rings);
    uint32_t given = 0;
    for (uint32_t r = 0; r < rings; ++r) {
        ideal[r] *= ringTotal / weights;
        counts[r] = std::max(kSmallestRing, static_cast<uint32_t>(ideal[r]));
        given += counts[r];
    }
    // Largest remainders first; the rings are symmetric, so ties go to the upper ring.
    while (given != ringTotal) {
        uint32_t pick = 0;
        double best = -1e9;
        for (uint32_t r = 0; r < rings; ++r) {
            const double remainder = ideal[r] - counts[r];
            const double score = given < ringTotal ? remainder : -remainder;
            if (score > best && (given < ringTotal || counts[r] > kSmallestRing)) {
                best = score;
                pick = r;
            }
        }
        counts[pick] += given < ringTotal ? 1 : -1;
        given += given < ringTotal ? 1 : -1;
    }
    return counts;
}

Mesh RingSphere(uint32_t vertexCount, const RadialShape& radius) {
    const std::vector<uint32_t> counts = RingCounts(vertexCount - 2);
    const auto rings = static_cast<uint32_t>(counts.size());
    Mesh mesh;
    const auto place = [&](Vec3 d) {
        mesh.positions.push_back(d * radius(d));
        return static_cast<uint32_t>(mesh.positions.size() - 1);
    };
    const uint32_t top = place({0, -1, 0});
    std::vector<Loop> loops(rings);
    for (uint32_t r = 0; r < rings; ++r) {
        const double polar = std::numbers::pi * (r + 1) / (rings + 1);
        const double stagger = (r % 2) * 0.5;  // half a step on every other ring
        for (uint32_t k = 0; k < counts[r]; ++k) {
            const double turn = (k + stagger) / counts[r];
            const Vec3 d = {std::sin(polar) * std::cos(kTurn * turn), -std::cos(polar),
                            std::sin(polar) * std::sin(kTurn * turn)};
            loops[r].vertices.push_back(place(d));
            loops[r].turns.push_back(turn);
        }
    }
    const uint32_t bottom = place({0, 1, 0});
    const Loop& first = loops.front();
    for (size_t k = 0; k < first.vertices.size(); ++k)
        mesh.faces.push_back(
            {top, first.vertices[k], first.vertices[(k + 1) % first.vertices.size()]});
    for (uint32_t r = 0; r + 1 < rings; ++r) ZipLoops(loops[r], loops[r + 1], mesh.faces);
    const Loop& last = loops.back();
    for (size_t k = 0; k < last.vertices.size(); ++k)
        mesh.faces.push_back(
            {last.vertices[k], bottom, last.vertices[(k + 1) % last.vertices.size()]});
    OrientOutward(mesh);
    return mesh;
}

Mesh Tube(const CurvePoint& centre, const std::vector<uint32_t>& sideCounts,
          const TubeRadius& radius) {
    const auto rings = static_cast<uint32_t>(sideCounts.size());
    Mesh mesh;
    const std::vector<Loop> loops = PlaceRings(mesh, centre, sideCounts, radius, true);
    for (uint32_t i = 0; i < rings; ++i) ZipLoops(loops[i], loops[(i + 1) % rings], mesh.faces);
    OrientOutward(mesh);
    return mesh;
}

Mesh CappedTube(const CurvePoint& centre, const std::vector<uint32_t>& sideCounts,
                const TubeRadius& radius) {
    const auto rings = static_cast<uint32_t>(sideCounts.size());
    Mesh mesh;
    const std::vector<Loop> loops = PlaceRings(mesh, centre, sideCounts, radius, false);
    for (uint32_t i = 0; i + 1 < rings; ++i) ZipLoops(loops[i], loops[i + 1], mesh.faces);
    // ZipLoops runs along the first ring of a pair against its angle order and along the second
    // with it; each cap runs its ring the other way.
    mesh.positions.push_back(centre(0));
    const auto first = static_cast<uint32_t>(mesh.positions.size() - 1);
    mesh.positions.push_back(centre(1));
    const auto last = static_cast<uint32_t>(mesh.positions.size() - 1);
    const std::vector<uint32_t>&start = loops.front().vertices, &end = loops.back().vertices;
    for (size_t k = 0; k < start.size(); ++k)
        mesh.faces.push_back({start[k], start[(k + 1) % start.size()], first});
    for (size_t k = 0; k < end.size(); ++k)
        mesh.faces.push_back({end[(k + 1) % end.size()], end[k], last});
    OrientOutward(mesh);
    return mesh;
}

void SplitFaceAtFirstEdge(Mesh& mesh, uint32_t face) {
    const Face f = mesh.faces[face];
    const auto middle = static_cast<uint32_t>(mesh.positions.size());
    mesh.positions.push_back((mesh.positions[f[0]] + mesh.positions[f[1]]) * 0.5);
    mesh.faces[face] = {f[0], middle, f[2]};
    mesh.faces.push_back({middle, f[1], f[2]});
}

std::vector<std::array<uint32_t, 2>> UniqueEdges(const Mesh& mesh) {
    std::vector<std::array<uint32_t, 2>> edges;
    std::map<std::pair<uint32_t, uint32_t>, bool> seen;
    for (const Face& f : mesh.faces)
        for (uint32_t k = 0; k < 3; ++k) {
            const uint32_t p = f[k], q = f[(k + 1) % 3];
            if (seen.emplace(std::minmax(p, q), true).second) edges.push_back({p, q});
        }
    return edges;
}

std::vector<std::array<uint32_t, 2>> CrossLines(const Mesh& mesh,
                                                const std::vector<std::array<uint32_t, 2>>& edges) {
    std::map<std::pair<uint32_t, uint32_t>, uint32_t> opposite;  // directed edge -> third corner
    for (const Face& f : mesh.faces)
        for (uint32_t k = 0; k < 3; ++k) opposite[{f[k], f[(k + 1) % 3]}] = f[(k + 2) % 3];
    std::vector<std::array<uint32_t, 2>> lines;
    for (const auto& [p, q] : edges) {
        const auto one = opposite.find({p, q}), other = opposite.find({q, p});
        if (one != opposite.end() && other != opposite.end())
            lines.push_back({one->second, other->second});
    }
    return lines;
}

uint64_t Scatter::Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EB;
    return z ^ (z >> 31);
}

double Scatter::Within(double low, double high) {
    return low + (high - low) * static_cast<double>(Next() >> 11) * 0x1.0p-53;
}

}  // namespace qx::meshgen
