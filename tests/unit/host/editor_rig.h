#pragma once

// A plug-in with its editor on a headless window binding (the committed GUI resources, the
// audio tests' sine wave bank), resumed at 44100 Hz, with a host that logs what it is told:
// parameter reports and the begin and end of edits.
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "gui/headless_window.h"
#include "host/headless_editor_binding.h"
#include "test_audio_support.h"
#include "tests/support/module_data.h"

namespace ostrel::editortest {

struct HostEvent {
    vst::VstInt32 opcode;
    vst::VstInt32 index;
    float value;
    bool operator==(const HostEvent&) const = default;
};

// Read it while no other thread reports (the threading test reports from several).
inline std::vector<HostEvent>& hostLog()
{
    static std::vector<HostEvent> log;
    return log;
}

inline std::mutex& hostLogLock()
{
    static std::mutex lock;
    return lock;
}

inline vst::VstIntPtr loggingHost(vst::AEffect*, vst::VstInt32 opcode, vst::VstInt32 index, vst::VstIntPtr, void*,
                                  float opt)
{
    if (opcode == vst::audioMasterAutomate || opcode == vst::audioMasterBeginEdit
        || opcode == vst::audioMasterEndEdit) {
        const std::lock_guard lock(hostLogLock());
        hostLog().push_back({opcode, index, opt});
    }
    return opcode == vst::audioMasterVersion ? 2400 : 0;
}

inline std::string sourceDir()
{
    if (const char* dir = std::getenv("OSTREL_SOURCE_DIR"))
        return dir;
    const std::string here = __FILE__;
    return here.substr(0, here.rfind("/tests/unit/host/"));
}

struct EditorRig {
    EditorRig()
    {
        audiotest::ensureSineWaveBank();
        moduledata::loadPackage(sourceDir() + "/resources");
        auto owned = std::make_unique<HeadlessEditorBinding>(SynthPlugin::kEditorWidth, SynthPlugin::kEditorHeight);
        binding = owned.get();
        plugin = new SynthPlugin(loggingHost, nullptr, 0, std::move(owned));
        effect = plugin->getAeffect();
        call(vst::effSetSampleRate, 0, 0, nullptr, 44100.0f);
        call(vst::effMainsChanged, 0, 1);
        window().paintAll();
        hostLog().clear();
    }
    ~EditorRig() { call(vst::effClose); }
    EditorRig(const EditorRig&) = delete;
    EditorRig& operator=(const EditorRig&) = delete;

    vst::VstIntPtr call(vst::VstInt32 opcode, vst::VstInt32 index = 0, vst::VstIntPtr value = 0, void* ptr = nullptr,
                        float opt = 0.0f)
    {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }
    vellum::xHeadlessWindow& window() { return binding->headless(); }
    // The host index of a parameter of the patch.
    vst::VstInt32 indexOf(const xParam* param)
    {
        for (vst::VstInt32 i = 0; i < plugin->patch().registry().count(); ++i) {
            if (plugin->patch().registry().find(i)->param == param)
                return i;
        }
        return -1;
    }
    void drag(int x, int y, int toX, int toY)
    {
        window().press(vellum::xMouseButton::left, x, y);
        window().move((x + toX) / 2, (y + toY) / 2);
        window().move(toX, toY);
        window().release(vellum::xMouseButton::left, toX, toY);
    }

    HeadlessEditorBinding* binding = nullptr;
    SynthPlugin* plugin = nullptr;
    vst::AEffect* effect = nullptr;
};

} // namespace ostrel::editortest
