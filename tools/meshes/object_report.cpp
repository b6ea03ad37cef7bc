#include "tools/meshes/object_report.h"

#include <array>
#include <cstdio>
#include <cstring>

#include "archive/asset_catalogue.h"
#include "data/object_image.h"

namespace qx {

namespace {

// In ObjectId order.
constexpr const char* kNamedObjectNames[kNamedObjectCount] = {
    "camera", "wireframe", "glass",    "flare-cloud", "twin-a",           "twin-b",        "chrome",
    "rays",   "web",       "textured", "swinging",    "white-flare-ring", "red-flare-ring"};

constexpr const char* kTrackNames[kTrackCount] = {
    "rotation x",    "rotation y", "rotation z", "translation x", "translation y",
    "translation z", "position x", "position y", "position z",    "visible"};

std::string Format(const char* format, auto... values) {
    char text[256];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

std::string ModeName(int32_t mode) {
    switch (mode) {
        case kModeTexturedFixed:
            return "1 (textured, fixed coordinates)";
        case kModeEnvironment:
            return "2 (environment-mapped)";
        case kModeSprites:
            return "3 (one additive sprite per face)";
        case kModeGlass:
            return "5 (additive glass)";
        case kModePoints:
            return "-1 (points, never drawn as faces)";
        default:
            return Format("%d (never drawn)", mode);
    }
}

std::string TextureName(const ObjectRecord& object) {
    const uint32_t* cell = ImageArray<const uint32_t>(object.textureCell);
    if (cell == nullptr) return "-";
    if (*cell == 0 || *cell > kCatalogueEntryCount) return Format("entry %u (none)", *cell);
    std::string name = kCatalogue[*cell - 1].name;
    return name.substr(0, name.size() - 2);  // without ".~"
}

// A float track's delta bits as the float32 they hold.
float FloatFromBits(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::string KeyText(uint32_t track, const TrackKey& key) {
    const std::string delta = track < kAccumulatingTracks
                                  ? Format("%g", FloatFromBits(key.delta))
                                  : Format("%d", static_cast<int32_t>(key.delta));
    if (key.duration == kKeyForEver) return Format("{%s, for ever}", delta.c_str());
    return Format("{%s, %u steps}", delta.c_str(), key.duration);
}

}  // namespace

const char* ImageObjectName(uint32_t index) {
    static const auto morphNames = [] {
        std::array<std::array<char, 12>, kMorphMeshCount> names{};
        for (uint32_t i = 0; i < kMorphMeshCount; ++i)
            std::snprintf(names[i].data(), names[i].size(), "morph-%02u", i);
        return names;
    }();
    if (index < kNamedObjectCount) return kNamedObjectNames[index];
    if (index < kImageObjectCount) return morphNames[index - kNamedObjectCount].data();
    return nullptr;
}

int32_t FindImageObject(const std::string& name) {
    for (uint32_t i = 0; i < kImageObjectCount; ++i)
        if (name == ImageObjectName(i)) return static_cast<int32_t>(i);
    return -1;
}

std::string DescribeObject(const ObjectRecord& object, const std::string& name) {
    std::string text = Format("%s\n", name.c_str());
    text += Format("  vertices %d, faces %d, edges %d\n", object.vertexCount, object.faceCount,
                   object.edgeCount);
    const char* second = object.secondArray == 0      ? "none"
                         : object.hasSecondArray == 1 ? "transformed"
                                                      : "fixed";
    text += Format("  drawing mode %s, texture %s, second array %s\n",
                   ModeName(object.drawingMode).c_str(), TextureName(object).c_str(), second);
    text += Format("  focal length %d, position (%d, %d, %d)\n", object.focalLength,
                   object.positionX, object.positionY, object.positionZ);
    text += Format("  state %d, visible %d, loop %d, last key %d\n", object.state, object.visible,
                   object.loop, object.lastKey);
    for (uint32_t track = 0; track < kTrackCount; ++track) {
        text += Format("  track %u %-13s", track, kTrackNames[track]);
        const TrackKey* keys = ImageArray<const TrackKey>(object.tracks[track]);
        for (int32_t k = 0; keys != nullptr && k <= object.lastKey; ++k)
            text += Format(" %s", KeyText(track, keys[k]).c_str());
        text += "\n";
    }
    return text;
}

std::string WavefrontObj(const ObjectRecord& object, const std::string& name) {
    const MeshVertex* vertices = ImageArray<const MeshVertex>(object.vertexArray);
    const MeshVertex* normals = ImageArray<const MeshVertex>(object.secondArray);
    const MeshFace* faces = ImageArray<const MeshFace>(object.faceArray);
    const int32_t faceCount = faces == nullptr ? 0 : object.faceCount;
    std::string text = Format("# %s: %d vertices, %d faces (qxobjects)\no %s\n", name.c_str(),
                              object.vertexCount, faceCount, name.c_str());
    for (int32_t i = 0; i < object.vertexCount; ++i)
        text += Format("v %d %d %d\n", vertices[i].x, -vertices[i].y, -vertices[i].z);
    for (int32_t i = 0; normals != nullptr && i < object.vertexCount; ++i)
        text += Format("vn %d %d %d\n", normals[i].x, -normals[i].y, -normals[i].z);
    for (int32_t i = 0; i < faceCount; ++i) {
        const uint32_t a = faces[i].a / kVertexBytes + 1, b = faces[i].b / kVertexBytes + 1,
                       c = faces[i].c / kVertexBytes + 1;
        text += normals != nullptr ? Format("f %u//%u %u//%u %u//%u\n", a, a, c, c, b, b)
                                   : Format("f %u %u %u\n", a, c, b);
    }
    return text;
}

}  // namespace qx
