#pragma once

// Stereo WAV output through libsndfile (32-bit float or 24-bit PCM), and a reader that
// measures a written file's length, peak and RMS.

#include <cstdint>
#include <string>
#include <vector>

namespace ostrel::render {

enum class SampleFormat { Float32, Pcm24 };

class WavWriter {
public:
    WavWriter() = default;
    ~WavWriter();
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;

    // Creates (or replaces) the file. False with `error` set when it cannot be written.
    bool open(const std::string& path, int sampleRate, SampleFormat format, std::string& error);
    // Appends frames; false with `error` set when the write fails (disk full, ...).
    bool write(const float* left, const float* right, int frames, std::string& error);
    // Finishes the header. False with `error` set when that fails.
    bool close(std::string& error);

private:
    void* file_ = nullptr; // SNDFILE*
    std::vector<float> interleaved_;
};

struct AudioStats {
    std::int64_t frames = 0;
    int sampleRate = 0;
    int channels = 0;
    double peak = 0.0; // largest absolute sample
    double rms = 0.0;  // over all samples of all channels
};

// Reads the file back and measures it.
bool measureWav(const std::string& path, AudioStats& stats, std::string& error);

// "-6.02" style decibels relative to full scale; "-inf" for silence.
std::string formatDecibels(double linear);

} // namespace ostrel::render
