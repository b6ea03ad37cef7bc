// Geometry for the mesh generator: closed triangle meshes in float64 model units, built as
// star-shaped surfaces over latitude rings, tubes along closed or open curves, and the few edits
// the production's shapes need. Faces are wound the way the face renderer keeps them when they face
// the camera: the outward normal of face (a, b, c) is (c - a) x (b - a).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

namespace qx::meshgen {

struct Vec3 {
    double x = 0, y = 0, z = 0;
};
inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double Dot(Vec3 a, Vec3 b);
Vec3 Cross(Vec3 a, Vec3 b);
double Length(Vec3 a);
Vec3 Normalised(Vec3 a);

using Face = std::array<uint32_t, 3>;

struct Mesh {
    std::vector<Vec3> positions;
    std::vector<Face> faces;
};

// Six times the enclosed volume with the winding above: positive when the faces point outward.
double SignedVolume(const Mesh& mesh);
// Reverses every face when the mesh is wound inside out.
void OrientOutward(Mesh& mesh);
// Area-weighted outward unit normals, one per vertex.
std::vector<Vec3> VertexNormals(const Mesh& mesh);

// Vertex counts of latitude rings sharing ringTotal vertices, each about as long as the rings
// are apart, so that the triangles come out near equilateral.
std::vector<uint32_t> RingCounts(uint32_t ringTotal);

// A closed genus-0 surface of vertexCount vertices: a pole, latitude rings, a pole, with the pole
// axis along y; the vertex in unit direction d lies at radius(d) x d. Consecutive rings are joined
// by zipping them in angle order, so any counts work; faces = 2 x vertices - 4.
using RadialShape = std::function<double(Vec3 direction)>;
Mesh RingSphere(uint32_t vertexCount, const RadialShape& radius);

// A closed genus-1 tube around the closed curve centre(s), s in [0, 1): one ring of
// sideCounts[i] vertices per entry, at radius(s, angle) from the curve, in a frame carried along
// the curve without twist; faces = 2 x vertices.
using CurvePoint = std::function<Vec3(double s)>;
using TubeRadius = std::function<double(double s, double angle)>;
Mesh Tube(const CurvePoint& centre, const std::vector<uint32_t>& sideCounts,
          const TubeRadius& radius);
// A closed genus-0 tube along the open curve centre(s), s in [0, 1]: ring i of sideCounts[i]
// vertices at s = i / (rings - 1), in a frame carried along the curve without twist, and each end
// closed by a fan around a vertex at the curve's end; faces = 2 x vertices - 4. The curve is also
// read a little beyond both ends, for the tangents there.
Mesh CappedTube(const CurvePoint& centre, const std::vector<uint32_t>& sideCounts,
                const TubeRadius& radius);

// Splits face `face` in two at the midpoint of its first edge, leaving the neighbour across that
// edge whole: one vertex and one face more, the surface unchanged.
void SplitFaceAtFirstEdge(Mesh& mesh, uint32_t face);

// The mesh's edges in order of first use over the faces (a-b, b-c, c-a), each once.
std::vector<std::array<uint32_t, 2>> UniqueEdges(const Mesh& mesh);
// For each edge, the line joining the corners opposite it in the two faces that share it.
std::vector<std::array<uint32_t, 2>> CrossLines(const Mesh& mesh,
                                                const std::vector<std::array<uint32_t, 2>>& edges);

// splitmix64: the generator's only source of scattered numbers.
class Scatter {
public:
    explicit Scatter(uint64_t seed) : state_(seed) {}
    uint64_t Next();
    double Within(double low, double high);

private:
    uint64_t state_;
};

}  // namespace qx::meshgen
