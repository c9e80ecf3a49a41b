#include "tools/render/wav_writer.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace ostrel::render {

namespace {

SNDFILE* handle(void* file)
{
    return static_cast<SNDFILE*>(file);
}

} // namespace

WavWriter::~WavWriter()
{
    if (file_)
        sf_close(handle(file_));
}

bool WavWriter::open(const std::string& path, int sampleRate, SampleFormat format, std::string& error)
{
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | (format == SampleFormat::Float32 ? SF_FORMAT_FLOAT : SF_FORMAT_PCM_24);
    if (!sf_format_check(&info)) {
        error = "cannot write a WAV file at " + std::to_string(sampleRate) + " Hz";
        return false;
    }
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) {
        error = "cannot write " + path + ": " + sf_strerror(nullptr);
        return false;
    }
    // Integer output saturates at full scale instead of wrapping around.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    file_ = file;
    return true;
}

bool WavWriter::write(const float* left, const float* right, int frames, std::string& error)
{
    if (!file_ || frames <= 0)
        return file_ != nullptr;
    interleaved_.resize(static_cast<std::size_t>(frames) * 2);
    for (int i = 0; i < frames; ++i) {
        interleaved_[static_cast<std::size_t>(i) * 2] = left[i];
        interleaved_[static_cast<std::size_t>(i) * 2 + 1] = right[i];
    }
    const sf_count_t written = sf_writef_float(handle(file_), interleaved_.data(), frames);
    if (written != frames) {
        error = std::string("writing the WAV file failed: ") + sf_strerror(handle(file_));
        return false;
    }
    return true;
}

bool WavWriter::close(std::string& error)
{
    if (!file_)
        return true;
    const int result = sf_close(handle(file_));
    file_ = nullptr;
    if (result != 0) {
        error = std::string("finishing the WAV file failed: ") + sf_error_number(result);
        return false;
    }
    return true;
}

bool measureWav(const std::string& path, AudioStats& stats, std::string& error)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) {
        error = "cannot read back " + path + ": " + sf_strerror(nullptr);
        return false;
    }
    stats = {};
    stats.sampleRate = info.samplerate;
    stats.channels = info.channels;
    std::vector<float> buffer(static_cast<std::size_t>(4096 * std::max(info.channels, 1)));
    double sumSquares = 0.0;
    std::int64_t samples = 0;
    for (;;) {
        const sf_count_t got = sf_readf_float(file, buffer.data(), 4096);
        if (got <= 0)
            break;
        stats.frames += got;
        const auto count = static_cast<std::size_t>(got) * static_cast<std::size_t>(info.channels);
        for (std::size_t i = 0; i < count; ++i) {
            const double v = static_cast<double>(buffer[i]);
            stats.peak = std::max(stats.peak, std::fabs(v));
            sumSquares += v * v;
        }
        samples += static_cast<std::int64_t>(count);
    }
    sf_close(file);
    stats.rms = samples > 0 ? std::sqrt(sumSquares / static_cast<double>(samples)) : 0.0;
    return true;
}

std::string formatDecibels(double linear)
{
    if (!(linear > 0.0))
        return "-inf";
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", 20.0 * std::log10(linear));
    return text;
}

} // namespace ostrel::render
