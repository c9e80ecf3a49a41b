#include "engine/render_callback.h"

#include "engine/render_fp_env.h"
#include "engine/voice_engine.h"

#include <algorithm>

namespace ostrel {

void renderAudioCallback(VoiceEngine& engine, Patch& patch, EventQueue& queue, float* left, float* right,
                         std::int32_t frames, OutputMode mode, float* scratchLeft, float* scratchRight)
{
    const RealtimeFpScope fpScope;
    const std::int32_t total = std::max<std::int32_t>(frames, 0);
    std::int32_t done = 0;
    do {
        const int n = static_cast<int>(std::min<std::int32_t>(total - done, VoiceEngine::kMaxBlock));
        const bool last = done + n >= total;
        engine.snapshotParameters(patch);
        float* l = left ? left + done : nullptr;
        float* r = right ? right + done : nullptr;
        if (mode == OutputMode::Replace && l && r) {
            engine.renderBlock(queue, l, r, n, done, last);
        } else {
            engine.renderBlock(queue, scratchLeft, scratchRight, n, done, last);
            for (int i = 0; i < n; ++i) {
                if (mode == OutputMode::Replace) {
                    if (l)
                        l[i] = scratchLeft[i];
                    if (r)
                        r[i] = scratchRight[i];
                } else {
                    if (l)
                        l[i] += scratchLeft[i];
                    if (r)
                        r[i] += scratchRight[i];
                }
            }
        }
        done += n;
    } while (done < total);
}

} // namespace ostrel
