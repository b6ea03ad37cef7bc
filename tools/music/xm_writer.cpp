#include "tools/music/xm_writer.h"

#include <algorithm>
#include <utility>

namespace qx {

namespace {

constexpr char kXmIdText[] = "Extended Module: ";
constexpr uint32_t kXmIdSize = 17;
constexpr uint32_t kXmVersion = 0x0104;
constexpr uint32_t kXmHeaderSize = 276;  // from the header size field to the pattern data
constexpr uint32_t kXmPatternHeaderSize = 9;
constexpr uint32_t kXmInstrumentHeaderSize = 263;
constexpr uint32_t kXmSampleHeaderSize = 40;
constexpr uint32_t kXmNameSize = 22;            // instrument and sample names
constexpr uint32_t kXmSongNameSize = 20;        // song and tracker names
constexpr uint32_t kXmInstrumentReserved = 22;  // bytes closing the instrument header
constexpr uint8_t kXmPackedCell = 0x80;
constexpr uint8_t kXmSixteenBit = 0x10;  // sample type flag
constexpr uint32_t kXmMaxVolume = 64;    // samples and envelope points

class Writer {
public:
    explicit Writer(std::vector<uint8_t>& out) : out(out) {}
    void U8(uint32_t value) { out.push_back(static_cast<uint8_t>(value)); }
    void U16(uint32_t value) {
        U8(value);
        U8(value >> 8);
    }
    void U32(uint32_t value) {
        U16(value & 0xFFFF);
        U16(value >> 16);
    }
    // The text, zero padded to size bytes.
    void Text(const std::string& text, uint32_t size) {
        out.insert(out.end(), text.begin(), text.end());
        out.insert(out.end(), size - text.size(), 0);
    }
    void Zeros(uint32_t count) { out.insert(out.end(), count, 0); }
    size_t Size() const { return out.size(); }
    void PatchU16(size_t at, uint32_t value) {
        out[at] = static_cast<uint8_t>(value);
        out[at + 1] = static_cast<uint8_t>(value >> 8);
    }

private:
    std::vector<uint8_t>& out;
};

// Points at strictly increasing ticks with values 0..64; sustain and loop points among them.
const char* CheckEnvelope(const XmEnvelope& envelope) {
    const std::vector<XmEnvelopePoint>& points = envelope.points;
    if (points.size() > kXmMaxEnvelopePoints) return "an envelope has more than 12 points";
    for (size_t k = 0; k < points.size(); ++k) {
        if (points[k].value > kXmMaxVolume) return "an envelope value is above 64";
        if (k > 0 && points[k].tick <= points[k - 1].tick)
            return "an envelope's ticks do not increase";
    }
    if ((envelope.sustain && envelope.sustainPoint >= points.size()) ||
        (envelope.loop &&
         (envelope.loopStart > envelope.loopEnd || envelope.loopEnd >= points.size())))
        return "an envelope's sustain or loop point is not one of its points";
    return nullptr;
}

const char* CheckModule(const XmModule& module) {
    if (module.name.size() > kXmSongNameSize || module.trackerName.size() > kXmSongNameSize)
        return "the song or tracker name is longer than 20 characters";
    if (module.channels == 0 || module.channels > kXmMaxChannels)
        return "the channel count is outside 1 to 32";
    if (module.orders.empty() || module.orders.size() > kXmMaxOrders)
        return "the order table holds no order or more than 256";
    if (module.restartPosition >= module.orders.size())
        return "the restart position lies past the order table";
    if (module.patterns.empty() || module.patterns.size() > kXmMaxPatterns)
        return "the module has no pattern or more than 256";
    for (const uint8_t order : module.orders)
        if (order >= module.patterns.size()) return "an order names a missing pattern";
    for (const XmPattern& pattern : module.patterns) {
        if (pattern.rows == 0 || pattern.rows > kXmMaxRows)
            return "a pattern's rows are outside 1 to 256";
        if (pattern.channels != module.channels ||
            pattern.cells.size() != pattern.rows * pattern.channels)
            return "a pattern's cells do not match its rows and the channel count";
    }
    if (module.instruments.size() > kXmMaxInstruments)
        return "the module has more than 128 instruments";
    for (const XmInstrument& instrument : module.instruments) {
        if (instrument.name.size() > kXmNameSize)
            return "an instrument name is longer than 22 characters";
        if (instrument.samples.size() > kXmMaxSamples)
            return "an instrument has more than 16 samples";
        for (const XmEnvelope* envelope : {&instrument.volumeEnvelope, &instrument.panningEnvelope})
            if (const char* failure = CheckEnvelope(*envelope); failure != nullptr) return failure;
        for (const uint8_t sample : instrument.keymap)
            if (sample != 0 && sample >= instrument.samples.size())
                return "the keymap names a missing sample";
        for (const XmSample& sample : instrument.samples) {
            if (sample.name.size() > kXmNameSize)
                return "a sample name is longer than 22 characters";
            if (uint64_t{sample.loopStart} + sample.loopLength > sample.frames.size())
                return "a sample loop reaches past the sample's end";
            if (sample.volume > kXmMaxVolume) return "a sample volume is above 64";
            if (!sample.sixteenBit)
                for (const int16_t frame : sample.frames)
                    if (frame < -128 || frame > 127) return "an 8-bit sample frame is out of range";
        }
    }
    return nullptr;
}

void WritePattern(Writer& w, const XmPattern& pattern) {
    w.U32(kXmPatternHeaderSize);
    w.U8(0);  // packing type
    w.U16(pattern.rows);
    const size_t sizeField = w.Size();
    w.U16(0);
    const size_t dataStart = w.Size();
    for (const XmCell& cell : pattern.cells) {
        const uint8_t fields[5] = {cell.note, cell.instrument, cell.volume, cell.effect,
                                   cell.parameter};
        uint32_t present = 0;
        for (uint32_t k = 0; k < 5; ++k)
            if (fields[k] != 0) present |= 1u << k;
        if (present == 0x1F) {
            for (const uint8_t field : fields) w.U8(field);
            continue;
        }
        w.U8(kXmPackedCell | present);
        for (uint32_t k = 0; k < 5; ++k)
            if ((present >> k & 1) != 0) w.U8(fields[k]);
    }
    w.PatchU16(sizeField, static_cast<uint32_t>(w.Size() - dataStart));
}

void WriteEnvelopePoints(Writer& w, const XmEnvelope& envelope) {
    for (const XmEnvelopePoint& point : envelope.points) {
        w.U16(point.tick);
        w.U16(point.value);
    }
    w.Zeros(4 * static_cast<uint32_t>(kXmMaxEnvelopePoints - envelope.points.size()));
}

uint32_t EnvelopeType(const XmEnvelope& envelope) {
    if (envelope.points.empty()) return 0;
    return 1u | (envelope.sustain ? 2u : 0u) | (envelope.loop ? 4u : 0u);
}

void WriteInstrument(Writer& w, const XmInstrument& instrument) {
    w.U32(kXmInstrumentHeaderSize);
    w.Text(instrument.name, kXmNameSize);
    w.U8(0);  // instrument type
    w.U16(static_cast<uint32_t>(instrument.samples.size()));
    w.U32(kXmSampleHeaderSize);
    for (const uint8_t sample : instrument.keymap) w.U8(sample);
    WriteEnvelopePoints(w, instrument.volumeEnvelope);
    WriteEnvelopePoints(w, instrument.panningEnvelope);
    const XmEnvelope& volume = instrument.volumeEnvelope;
    const XmEnvelope& panning = instrument.panningEnvelope;
    w.U8(static_cast<uint32_t>(volume.points.size()));
    w.U8(static_cast<uint32_t>(panning.points.size()));
    w.U8(volume.sustainPoint);
    w.U8(volume.loopStart);
    w.U8(volume.loopEnd);
    w.U8(panning.sustainPoint);
    w.U8(panning.loopStart);
    w.U8(panning.loopEnd);
    w.U8(EnvelopeType(volume));
    w.U8(EnvelopeType(panning));
    w.U8(instrument.vibratoType);
    w.U8(instrument.vibratoSweep);
    w.U8(instrument.vibratoDepth);
    w.U8(instrument.vibratoRate);
    w.U16(instrument.fadeout);
    w.Zeros(kXmInstrumentReserved);

    for (const XmSample& sample : instrument.samples) {
        const uint32_t frameBytes = sample.sixteenBit ? 2 : 1;
        w.U32(static_cast<uint32_t>(sample.frames.size()) * frameBytes);
        w.U32(sample.loopStart * frameBytes);
        w.U32(sample.loopLength * frameBytes);
        w.U8(sample.volume);
        w.U8(static_cast<uint8_t>(sample.finetune));
        w.U8(static_cast<uint32_t>(sample.loop) | (sample.sixteenBit ? kXmSixteenBit : 0u));
        w.U8(sample.panning);
        w.U8(static_cast<uint8_t>(sample.relativeNote));
        w.U8(0);  // reserved
        w.Text(sample.name, kXmNameSize);
    }
    // Sample data: each frame stored as the difference from the one before.
    for (const XmSample& sample : instrument.samples) {
        int32_t previous = 0;
        for (const int16_t frame : sample.frames) {
            const auto delta = static_cast<uint32_t>(frame - previous);
            if (sample.sixteenBit)
                w.U16(delta & 0xFFFF);
            else
                w.U8(delta & 0xFF);
            previous = frame;
        }
    }
}

}  // namespace

XmModule NewXmModule(std::string name, std::string trackerName, uint32_t channels, uint32_t speed,
                     uint32_t bpm) {
    XmModule module;
    module.name = std::move(name);
    module.trackerName = std::move(trackerName);
    module.channels = channels;
    module.defaultSpeed = speed;
    module.defaultBpm = bpm;
    return module;
}

bool WriteXm(const XmModule& module, std::vector<uint8_t>& file, const char*& failure) {
    failure = CheckModule(module);
    if (failure != nullptr) return false;
    file.clear();
    Writer w(file);
    w.Text(kXmIdText, kXmIdSize);
    w.Text(module.name, kXmSongNameSize);
    w.U8(0x1A);
    w.Text(module.trackerName, kXmSongNameSize);
    w.U16(kXmVersion);
    w.U32(kXmHeaderSize);
    w.U16(static_cast<uint32_t>(module.orders.size()));
    w.U16(module.restartPosition);
    w.U16(module.channels);
    w.U16(static_cast<uint32_t>(module.patterns.size()));
    w.U16(static_cast<uint32_t>(module.instruments.size()));
    w.U16(module.linearFrequencies ? 1 : 0);
    w.U16(module.defaultSpeed);
    w.U16(module.defaultBpm);
    for (const uint8_t order : module.orders) w.U8(order);
    w.Zeros(kXmMaxOrders - static_cast<uint32_t>(module.orders.size()));
    for (const XmPattern& pattern : module.patterns) WritePattern(w, pattern);
    for (const XmInstrument& instrument : module.instruments) WriteInstrument(w, instrument);
    return true;
}

}  // namespace qx
