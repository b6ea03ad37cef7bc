#include "tools/music/xm_reader.h"

#include <cstring>

namespace qx {

namespace {

constexpr uint32_t kIdSize = 17;
constexpr uint32_t kHeaderSizeAt = 60;  // the header size field; it counts from here
constexpr uint32_t kNameSize = 22;
constexpr uint32_t kSampleHeaderSize = 40;
constexpr uint8_t kPackedCell = 0x80;
constexpr uint8_t kSixteenBit = 0x10;
constexpr uint8_t kLoopBits = 0x03;

class Reader {
public:
    explicit Reader(const std::vector<uint8_t>& in) : in(in) {}
    bool Has(uint64_t count) const { return at + count <= in.size(); }
    uint32_t U8() { return Has(1) ? in[at++] : (broken = true, 0u); }
    uint32_t U16() {
        const uint32_t low = U8();
        return low | U8() << 8;
    }
    uint32_t U32() {
        const uint32_t low = U16();
        return low | U16() << 16;
    }
    std::string Text(uint32_t size) {
        if (!Has(size)) {
            broken = true;
            return {};
        }
        std::string text(reinterpret_cast<const char*>(in.data() + at), size);
        at += size;
        return text.substr(0, text.find('\0'));
    }
    void Seek(uint64_t to) {
        if (to > in.size()) broken = true;
        at = to;
    }
    uint64_t Position() const { return at; }

    bool broken = false;

private:
    const std::vector<uint8_t>& in;
    uint64_t at = 0;
};

bool ReadPattern(Reader& r, uint32_t channels, XmPattern& pattern) {
    const uint64_t start = r.Position();
    const uint32_t headerSize = r.U32();
    r.U8();  // packing type, always 0
    const uint32_t rows = r.U16();
    const uint32_t packedSize = r.U16();
    r.Seek(start + headerSize);
    const uint64_t end = r.Position() + packedSize;
    pattern = XmPattern(rows, channels);
    if (packedSize == 0) return !r.broken;
    for (XmCell& cell : pattern.cells) {
        uint32_t flags = r.U8();
        if ((flags & kPackedCell) == 0) {
            cell.note = static_cast<uint8_t>(flags);
            flags = 0x1E;  // the other four fields follow
        } else if ((flags & 0x01) != 0) {
            cell.note = static_cast<uint8_t>(r.U8());
        }
        if ((flags & 0x02) != 0) cell.instrument = static_cast<uint8_t>(r.U8());
        if ((flags & 0x04) != 0) cell.volume = static_cast<uint8_t>(r.U8());
        if ((flags & 0x08) != 0) cell.effect = static_cast<uint8_t>(r.U8());
        if ((flags & 0x10) != 0) cell.parameter = static_cast<uint8_t>(r.U8());
    }
    return !r.broken && r.Position() == end;
}

bool ReadInstrument(Reader& r, XmInstrument& instrument) {
    const uint64_t start = r.Position();
    const uint32_t headerSize = r.U32();
    instrument.name = r.Text(kNameSize);
    r.U8();  // type
    const uint32_t sampleCount = r.U16();
    if (sampleCount > kXmMaxSamples) return false;
    // With samples, the header goes on with the size of each sample's header (40 bytes here, at
    // least the fields read below).
    const uint32_t sampleHeaderSize = sampleCount > 0 ? r.U32() : kSampleHeaderSize;
    if (sampleHeaderSize < kSampleHeaderSize) return false;
    r.Seek(start + headerSize);
    if (r.broken) return false;
    instrument.samples.resize(sampleCount);
    std::vector<uint32_t> bytes(sampleCount);
    for (uint32_t k = 0; k < sampleCount; ++k) {
        XmSample& sample = instrument.samples[k];
        const uint64_t sampleHeaderStart = r.Position();
        const uint32_t length = r.U32();
        const uint32_t loopStart = r.U32();
        const uint32_t loopLength = r.U32();
        sample.volume = static_cast<uint8_t>(r.U8());
        sample.finetune = static_cast<int8_t>(r.U8());
        const uint32_t type = r.U8();
        sample.panning = static_cast<uint8_t>(r.U8());
        sample.relativeNote = static_cast<int8_t>(r.U8());
        r.U8();  // reserved
        sample.name = r.Text(kNameSize);
        r.Seek(sampleHeaderStart + sampleHeaderSize);
        sample.sixteenBit = (type & kSixteenBit) != 0;
        sample.loop = static_cast<XmLoop>(type & kLoopBits);
        const uint32_t frameBytes = sample.sixteenBit ? 2 : 1;
        bytes[k] = length;
        sample.loopStart = loopStart / frameBytes;
        sample.loopLength = loopLength / frameBytes;
    }
    for (uint32_t k = 0; k < sampleCount; ++k) {
        XmSample& sample = instrument.samples[k];
        if (!r.Has(bytes[k])) return false;
        const uint32_t frames = bytes[k] / (sample.sixteenBit ? 2 : 1);
        sample.frames.reserve(frames);
        int32_t value = 0;
        for (uint32_t n = 0; n < frames; ++n) {
            value += static_cast<int32_t>(sample.sixteenBit ? static_cast<int16_t>(r.U16())
                                                            : static_cast<int8_t>(r.U8()));
            value = sample.sixteenBit ? static_cast<int16_t>(value) : static_cast<int8_t>(value);
            sample.frames.push_back(static_cast<int16_t>(value));
        }
    }
    return !r.broken;
}

}  // namespace

bool ReadXm(const std::vector<uint8_t>& file, XmModule& module, const char*& failure) {
    failure = "the file is truncated";
    if (file.size() < kHeaderSizeAt + 20 ||
        std::memcmp(file.data(), "Extended Module: ", kIdSize) != 0) {
        failure = "not an XM module";
        return false;
    }
    Reader r(file);
    module = {};
    r.Seek(kIdSize);
    module.name = r.Text(20);
    r.U8();
    module.trackerName = r.Text(20);
    r.Seek(kHeaderSizeAt);
    const uint32_t headerSize = r.U32();
    const uint32_t orderCount = r.U16();
    module.restartPosition = r.U16();
    module.channels = r.U16();
    const uint32_t patternCount = r.U16();
    const uint32_t instrumentCount = r.U16();
    module.linearFrequencies = (r.U16() & 1) != 0;
    module.defaultSpeed = r.U16();
    module.defaultBpm = r.U16();
    if (r.broken || orderCount > kXmMaxOrders || module.channels > kXmMaxChannels ||
        patternCount > kXmMaxPatterns || instrumentCount > kXmMaxInstruments) {
        failure = "the header is out of range";
        return false;
    }
    for (uint32_t k = 0; k < orderCount; ++k) module.orders.push_back(static_cast<uint8_t>(r.U8()));
    r.Seek(kHeaderSizeAt + uint64_t{headerSize});
    module.patterns.resize(patternCount);
    for (XmPattern& pattern : module.patterns)
        if (!ReadPattern(r, module.channels, pattern)) {
            failure = "a pattern does not unpack";
            return false;
        }
    module.instruments.resize(instrumentCount);
    for (XmInstrument& instrument : module.instruments)
        if (!ReadInstrument(r, instrument)) return false;
    return !r.broken;
}

}  // namespace qx
