#include "effects/objects.h"

#include <algorithm>
#include <cstring>

namespace qx {

ObjectState objectState;

namespace {

// A track delta's bits as the float32 they hold (tracks 0..5).
float FloatFromBits(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

const TrackKey& KeyAt(const ObjectRecord& object, uint32_t track, int32_t index) {
    return ImageArray<const TrackKey>(object.tracks[track])[index];
}

// Counts the track's countdown down; at 0 moves to the next key (wrapping past the last key,
// which stops a non-looping object) and returns it, else returns nullptr.
template <typename Track>
const TrackKey* StepTrack(ObjectRecord& object, uint32_t track, Track& state) {
    if (--state.countdown != 0) return nullptr;
    ++state.keyIndex;
    // Unsigned, so that an index no key holds can only wrap to key 0, never read outside.
    if (static_cast<uint32_t>(state.keyIndex) > static_cast<uint32_t>(object.lastKey)) {
        state.keyIndex = 0;
        if (object.loop != 1) object.state = 0;
    }
    const TrackKey& key = KeyAt(object, track, state.keyIndex);
    state.countdown = key.duration;
    return &key;
}

void AdvanceObject(ObjectRecord& object) {
    for (uint32_t track = 0; track < kAccumulatingTracks; ++track) {
        AccumulatingTrack& state = object.accumulatingTracks[track];
        if (const TrackKey* key = StepTrack(object, track, state))
            state.currentDelta = FloatFromBits(key->delta);
        state.accumulator += state.currentDelta;
    }
    int32_t* const positions[] = {&object.positionX, &object.positionY, &object.positionZ};
    for (uint32_t track = kAccumulatingTracks; track < kTrackCount; ++track) {
        DirectTrack& state = object.directTracks[track - kAccumulatingTracks];
        if (const TrackKey* key = StepTrack(object, track, state))
            state.currentDelta = static_cast<int32_t>(key->delta);
        if (track == kVisibleTrack)
            object.visible = state.currentDelta;
        else {  // positions wrap like the 32-bit words they are
            int32_t& position = *positions[track - kPositionTrackX];
            position = static_cast<int32_t>(static_cast<uint32_t>(position) +
                                            static_cast<uint32_t>(state.currentDelta));
        }
    }
}

}  // namespace

uint32_t ListedObjectCount() {
    return static_cast<uint32_t>(std::clamp<int32_t>(objectState.objectList.count, 0,
                                                     static_cast<int32_t>(kObjectListCapacity)));
}

void SetObjectList(std::initializer_list<ObjectRecord*> objects) {
    ObjectList& list = objectState.objectList;
    list.count = 0;
    for (ObjectRecord* object : objects) {
        if (list.count == static_cast<int32_t>(kObjectListCapacity)) break;
        list.objects[list.count++] = object;
    }
}

void SetUpObjects() {
    for (uint32_t i = 0; i < ListedObjectCount(); ++i) {
        ObjectRecord& object = *objectState.objectList.objects[i];
        for (uint32_t track = 0; track < kAccumulatingTracks; ++track) {
            const TrackKey& key = KeyAt(object, track, 0);
            object.accumulatingTracks[track].currentDelta = FloatFromBits(key.delta);
            object.accumulatingTracks[track].countdown = key.duration;
        }
        for (uint32_t track = kAccumulatingTracks; track < kTrackCount; ++track) {
            const TrackKey& key = KeyAt(object, track, 0);
            object.directTracks[track - kAccumulatingTracks].currentDelta =
                static_cast<int32_t>(key.delta);
            object.directTracks[track - kAccumulatingTracks].countdown = key.duration;
        }
        object.visible = object.directTracks[kVisibleTrack - kAccumulatingTracks].currentDelta;
        object.baseMatrix = kIdentityMatrix;
    }
}

void AdvanceObjects() {
    for (uint32_t i = 0; i < ListedObjectCount(); ++i) {
        ObjectRecord& object = *objectState.objectList.objects[i];
        if (object.state == kAnimating) AdvanceObject(object);
    }
}

}  // namespace qx
