#include "tools/meshes/object_image_writer.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "data/object_image.h"

namespace qx {

namespace {

constexpr uint32_t kRecordAlignment = 8;  // the matrices are float64

class ImageBuilder {
public:
    ImageBuilder() : bytes_(sizeof(ObjectImageHeader)) {}

    void Align(uint32_t alignment) {
        while (bytes_.size() % alignment != 0) bytes_.push_back(0);
    }
    // Appends the items, returning their offset (0 for none).
    template <typename T>
    ImageOffset Append(const T* items, size_t count) {
        if (count == 0) return 0;
        const auto offset = static_cast<ImageOffset>(bytes_.size());
        bytes_.resize(bytes_.size() + count * sizeof(T));
        std::memcpy(bytes_.data() + offset, items, count * sizeof(T));
        return offset;
    }
    template <typename T>
    ImageOffset Append(const std::vector<T>& items) {
        return Append(items.data(), items.size());
    }
    ImageOffset AppendZeros(size_t bytes) {
        const std::vector<uint8_t> zeros(bytes);
        return Append(zeros);
    }
    template <typename T>
    void Put(ImageOffset offset, const T& value) {
        std::memcpy(bytes_.data() + offset, &value, sizeof value);
    }
    std::vector<uint8_t> Finish(ObjectImageHeader header) {
        header.imageBytes = static_cast<uint32_t>(bytes_.size());
        Put(0, header);
        return std::move(bytes_);
    }

private:
    std::vector<uint8_t> bytes_;
};

struct MeshOffsets {
    ImageOffset vertices = 0, faces = 0, secondArray = 0, edges = 0;
};

}  // namespace

Tracks StillTracks(uint32_t keyCount) {
    Tracks tracks;
    for (auto& track : tracks) track.assign(keyCount, {0, kKeyForEver});
    for (TrackKey& key : tracks[kVisibleTrack]) key.delta = IntegerDelta(1);
    return tracks;
}

std::vector<uint8_t> WriteObjectImage(const std::vector<ObjectPlan>& objects) {
    ImageBuilder image;
    ObjectImageHeader header;
    header.objectCount = static_cast<uint32_t>(std::min<size_t>(objects.size(), kImageObjectCount));
    std::map<const MeshArrays*, MeshOffsets> written;
    for (size_t i = 0; i < objects.size() && i < kImageObjectCount; ++i) {
        const ObjectPlan& plan = objects[i];
        const MeshArrays& mesh = *plan.mesh;
        image.Align(kRecordAlignment);
        const ImageOffset recordOffset = image.AppendZeros(sizeof(ObjectRecord));
        header.records[i] = recordOffset;
        ObjectRecord record;
        record.baseMatrix = record.workMatrix = kIdentityMatrix;
        record.state = plan.state;
        record.visible = plan.visible;
        record.loop = plan.loop;
        record.lastKey = static_cast<int32_t>(plan.tracks[0].size()) - 1;
        record.hasSecondArray = plan.hasSecondArray;
        record.focalLength = plan.focalLength;
        record.positionX = plan.positionX;
        record.positionY = plan.positionY;
        record.positionZ = plan.positionZ;
        record.drawingMode = plan.drawingMode;
        record.vertexCount = static_cast<int32_t>(mesh.vertices.size());
        record.faceCount = plan.declaredFaceCount >= 0 ? plan.declaredFaceCount
                                                       : static_cast<int32_t>(mesh.faces.size());
        record.edgeCount = static_cast<int32_t>(mesh.edges.size());
        auto [shared, isNew] = written.try_emplace(&mesh);
        if (isNew)
            shared->second = {image.Append(mesh.vertices), image.Append(mesh.faces),
                              image.Append(mesh.secondArray), image.Append(mesh.edges)};
        record.vertexArray = shared->second.vertices;
        record.faceArray = shared->second.faces;
        record.secondArray = shared->second.secondArray;
        record.edgeArray = shared->second.edges;
        const size_t vertexBytes = mesh.vertices.size() * kVertexBytes;
        record.transformedVertices = image.AppendZeros(vertexBytes);
        if (plan.hasSecondArray == 1)
            record.transformedSecondArray = image.AppendZeros(vertexBytes);
        for (uint32_t track = 0; track < kTrackCount; ++track)
            record.tracks[track] = image.Append(plan.tracks[track]);
        if (plan.textureEntry != 0) record.textureCell = image.Append(&plan.textureEntry, 1);
        image.Put(recordOffset, record);
    }
    return image.Finish(header);
}

}  // namespace qx
