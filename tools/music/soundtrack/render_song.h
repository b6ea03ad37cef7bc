// Renders an XM module with libopenmpt at 44.1 kHz (float, stereo, the player's default
// interpolation) into a SongRender, noting where each row begins and the speed and tempo it
// plays at. Header-only so that only the programs that render link libopenmpt.
#pragma once

#include <libopenmpt/libopenmpt.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tools/music/soundtrack/song_analysis.h"

namespace qx {

inline constexpr uint32_t kRenderChunk = 64;          // frames between position readings
inline constexpr double kRenderLimitSeconds = 600.0;  // a song that never ends stops here

// Renders the whole song (played once). Fails with libopenmpt's error text when the module
// does not load; `warnings` receives the loader's warnings (empty for a clean file).
inline bool RenderSong(const std::vector<uint8_t>& file, SongRender& render, std::string& warnings,
                       std::string& failure) {
    int error = 0;
    const char* errorText = nullptr;
    openmpt_module* module = openmpt_module_create_from_memory2(
        file.data(), file.size(), openmpt_log_func_silent, nullptr, openmpt_error_func_store,
        nullptr, &error, &errorText, nullptr);
    if (module == nullptr) {
        failure = errorText != nullptr ? errorText : "the module does not load";
        openmpt_free_string(errorText);
        return false;
    }
    const char* loaderWarnings = openmpt_module_get_metadata(module, "warnings");
    warnings = loaderWarnings != nullptr ? loaderWarnings : "";
    openmpt_free_string(loaderWarnings);
    openmpt_module_set_repeat_count(module, 0);

    render = {};
    float chunk[2 * kRenderChunk];
    const auto limit = static_cast<uint64_t>(kRenderLimitSeconds * kAnalysisRate);
    while (render.Frames() < limit) {
        const size_t frames = openmpt_module_read_interleaved_float_stereo(module, kAnalysisRate,
                                                                           kRenderChunk, chunk);
        if (frames == 0) break;
        // The position is that of the row the chunk ended in: a new row began inside it.
        const auto row = static_cast<uint64_t>(openmpt_module_get_current_order(module)) * 64 +
                         static_cast<uint64_t>(openmpt_module_get_current_row(module));
        while (render.rowStart.size() <= row) {
            render.rowStart.push_back(render.Frames());
            render.speed.push_back(static_cast<uint32_t>(openmpt_module_get_current_speed(module)));
            render.tempo.push_back(static_cast<uint32_t>(openmpt_module_get_current_tempo(module)));
        }
        render.samples.insert(render.samples.end(), chunk, chunk + 2 * frames);
    }
    openmpt_module_destroy(module);
    return true;
}

}  // namespace qx
