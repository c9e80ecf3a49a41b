#pragma once

namespace ostrel {

class VoiceEngine;

// Whoever keeps a pointer to the running engine besides its owner (the editor's envelope
// displays, which read its last started voice). The owner tells the holder about every
// engine it hands over, on its own (non-audio) thread: at registration and each time it
// builds a new engine. The engine told before stays valid until the holder has been told
// about the next one.
class EngineHolder {
public:
    virtual ~EngineHolder() = default;
    virtual void engineChanged(VoiceEngine* engine) = 0;
};

} // namespace ostrel
