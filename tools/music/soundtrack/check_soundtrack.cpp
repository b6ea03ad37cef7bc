// qx_check_soundtrack MODULE [--wav FILE] [--spectrogram FILE]: reads the module back (sample
// DC, unused instruments, drum bar reuse, copied orders), renders it with libopenmpt at 44.1 kHz,
// prints the per-order and per-section levels and low-end shares, the arc, the show's ending,
// stereo width and DC, the longest quiet stretch and the onsets at the sync rows, and exits 1
// when a check fails. --wav writes the
// render (16-bit stereo); --spectrogram draws it with sox (which must be installed).
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/archive/file_io.h"
#include "tools/music/soundtrack/render_song.h"
#include "tools/music/soundtrack/soundtrack_checks.h"
#include "tools/music/xm_reader.h"

namespace {

constexpr uint32_t kWavHeaderBytes = 44;

void PutLe(std::vector<uint8_t>& out, uint32_t value, uint32_t bytes) {
    for (uint32_t k = 0; k < bytes; ++k) out.push_back(static_cast<uint8_t>(value >> (8 * k)));
}

bool WriteWav(const char* path, const qx::SongRender& render) {
    const auto dataBytes = static_cast<uint32_t>(render.samples.size() * 2);
    std::vector<uint8_t> out;
    out.reserve(kWavHeaderBytes + dataBytes);
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    PutLe(out, kWavHeaderBytes - 8 + dataBytes, 4);
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    PutLe(out, 16, 4);  // format chunk size
    PutLe(out, 1, 2);   // PCM
    PutLe(out, 2, 2);   // channels
    PutLe(out, qx::kAnalysisRate, 4);
    PutLe(out, qx::kAnalysisRate * 4, 4);  // bytes per second
    PutLe(out, 4, 2);                      // bytes per frame
    PutLe(out, 16, 2);                     // bits per sample
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    PutLe(out, dataBytes, 4);
    for (const float sample : render.samples) {
        const long value = std::lround(std::fmax(-1.0f, std::fmin(1.0f, sample)) * 32767.0f);
        PutLe(out, static_cast<uint32_t>(value), 2);
    }
    return qx::WriteWholeFile(path, out.data(), out.size());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: qx_check_soundtrack MODULE [--wav FILE] [--spectrogram FILE]\n");
        return 64;
    }
    std::string wavPath;
    std::string pngPath;
    for (int i = 2; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--wav") == 0)
            wavPath = argv[i + 1];
        else if (std::strcmp(argv[i], "--spectrogram") == 0)
            pngPath = argv[i + 1];
        else {
            std::fprintf(stderr, "qx_check_soundtrack: unknown option %s\n", argv[i]);
            return 64;
        }
    }
    std::vector<uint8_t> file;
    if (!qx::ReadWholeFile(argv[1], file)) {
        std::fprintf(stderr, "qx_check_soundtrack: cannot read %s\n", argv[1]);
        return 1;
    }
    qx::XmModule module;
    const char* unreadable = "";
    if (!qx::ReadXm(file, module, unreadable)) {
        std::fprintf(stderr, "qx_check_soundtrack: %s: %s\n", argv[1], unreadable);
        return 1;
    }
    const qx::ModuleChecks moduleChecks = qx::CheckModule(module);
    qx::SongRender render;
    std::string warnings;
    std::string failure;
    if (!qx::RenderSong(file, render, warnings, failure)) {
        std::fprintf(stderr, "qx_check_soundtrack: %s\n", failure.c_str());
        return 1;
    }
    std::printf("%s: %zu bytes, %.1f s rendered; loader warnings: %s\n\n", argv[1], file.size(),
                static_cast<double>(render.Frames()) / qx::kAnalysisRate,
                warnings.empty() ? "none" : warnings.c_str());
    const qx::SoundtrackChecks checks = qx::CheckSoundtrack(render);
    qx::PrintSoundtrackChecks(checks, stdout);
    qx::PrintModuleChecks(moduleChecks, stdout);
    const bool passed =
        checks.failures.empty() && moduleChecks.failures.empty() && warnings.empty();

    if (pngPath.empty() && wavPath.empty()) return passed ? 0 : 1;
    const std::string wav = wavPath.empty() ? pngPath + ".wav" : wavPath;
    if (!WriteWav(wav.c_str(), render)) {
        std::fprintf(stderr, "qx_check_soundtrack: cannot write %s\n", wav.c_str());
        return 1;
    }
    if (!pngPath.empty()) {
        // Mixed to mono and resampled to 16 kHz: the 0-8 kHz band, one column per 0.17 s.
        const std::string command = "sox '" + wav +
                                    "' -n remix - rate 16k spectrogram -x 1200 -y 257 -z 90 "
                                    "-t 'Marrowtide soundtrack' -o '" +
                                    pngPath + "'";
        const int status = std::system(command.c_str());
        if (wavPath.empty()) std::remove(wav.c_str());
        if (status != 0) {
            std::fprintf(stderr, "qx_check_soundtrack: sox failed (%d); is it installed?\n",
                         status);
            return 1;
        }
    }
    return passed ? 0 : 1;
}
