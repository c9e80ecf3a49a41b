#include "patch/patch.h"

#include "dsp/wave_names.h"

#include <algorithm>
#include <string>

namespace ostrel {

const std::array<const char*, kModRows> modRouteMask = {
    "ooooooo  oo o  ", "ooooooooo   o  ", "ooooooooooooooo", "    ooo    oo  ",
    "    ooo     o  ", "oooo        o  ", "        o o   o",
};

bool modRouteExists(int row, int column)
{
    if (row < 0 || row >= kModRows || column < 0 || column >= kModColumns)
        return false;
    return modRouteMask[static_cast<std::size_t>(row)][column] != ' ';
}

namespace {

std::string numbered(const char* prefix, int a)
{
    std::string text(prefix);
    text.append(std::to_string(a));
    return text;
}

std::string modRouteName(int row, int column)
{
    std::string text = numbered("Mod", row);
    text.append(numbered("-", column));
    return text;
}

vellum::xValueFormatter* decimals(int n)
{
    return new vellum::DecimalFormatter(n);
}

} // namespace

Patch::Patch(AutomationSink* sink) : registry_(sink)
{
    for (int i = 0; i < kOscCount; ++i) {
        oscWaveform[i] = addInt("Waveform", 96, IntTextCallback::waveName());
        oscTune[i] = addFloat("Tune", "Semitone", -24.0f, 24.0f, 0, new LinearMapping(-24.0, 24.0), decimals(0));
        oscFinetune[i] = addFloat("Finetune", "Cents", -50.0f, 50.0f, 1, new LinearMapping(-50.0, 50.0), decimals(1));
    }
    for (auto& t : mixTime)
        t = addFloat("Time", "ms", 10.0f, 10000.0f, 0, new ExponentialMapping(10.0, 10000.0), decimals(0));
    for (int i = 0; i < kMixPointCount; ++i) {
        mixX[i] = addFloat("X", "", -1.0f, 1.0f, 3, new LinearMapping(-1.0, 1.0), decimals(3));
        mixY[i] = addFloat("Y", "", -1.0f, 1.0f, 3, new LinearMapping(-1.0, 1.0), decimals(3));
    }
    mixLoop = addInt("MixLoop", kLoopModeCount, IntTextCallback::number());
    mixRepeat = addInt("MixRepeat", kRepeatCount, IntTextCallback::number());

    // The cutoff knob is declared over 0..11 but the host reaches 0..10.
    cutoff = addFloat("Cutoff", "", 0.0f, 11.0f, 2, new LinearMapping(0.0, 10.0), decimals(2));
    resonance = addFloat("Resonance", "", 0.0f, 1.0f, 2, new LinearMapping(0.0, 1.0), decimals(2));
    filterEnvAmount = addFloat("Flt Env Amt", "", 0.0f, 10.0f, 2, new LinearMapping(0.0, 10.0), decimals(2));
    auto filterLevelParam = [this](int i) {
        return addFloat(numbered("Level ", i), "", 0.0f, 1.0f, 3, new LinearMapping(0.0, 1.0), decimals(3));
    };
    filterLevel[0] = filterLevelParam(0);
    for (int i = 0; i < kFilterTimeCount; ++i) {
        filterTime[i] = addFloat("Time", "", 0.0f, 1.0f, 3, new LinearMapping(0.0, 1.0), decimals(3));
        filterLevel[i + 1] = filterLevelParam(i + 1);
    }
    filterLoop = addInt("FilterLoop", kLoopModeCount, IntTextCallback::number());
    filterRepeat = addInt("FilterRepeat", kRepeatCount, IntTextCallback::number());

    // Amplitude levels keep three decimals but display none.
    for (int i = 0; i < kAmpTimeCount; ++i) {
        ampLevel[i] = addFloat("Level", "", 0.0f, 1.0f, 3, new LinearMapping(0.0, 1.0), decimals(0));
        ampTime[i] = addFloat("Time", "", 0.0f, 1.0f, 3, new LinearMapping(0.0, 1.0), decimals(3));
    }
    ampLoop = addInt("AmpLoop", kLoopModeCount, IntTextCallback::number());
    ampRepeat = addInt("AmpRepeat", kRepeatCount, IntTextCallback::number());

    for (int i = 0; i < kLfoCount; ++i) {
        lfoRate[i] = addFloat("LFO Rate", "Hz", 0.01f, 100.0f, 2, new ExponentialMapping(0.01, 100.0), decimals(2));
        lfoWave[i] = addInt("LFO Wave", kLfoWaveCount, IntTextCallback::number());
    }
    for (int row = 0; row < kModRows; ++row) {
        // LFO depths and the mod wheel are unipolar; the other sources are bipolar.
        const bool unipolar = row == 0 || row == 1 || row == 6;
        const float low = unipolar ? 0.0f : -1.0f;
        modAmount[row] = addFloat(numbered("ModAmount ", row), "", low, 1.0f, 3,
                                  new LinearMapping(static_cast<double>(low), 1.0), decimals(3));
    }

    auto* volumeText = new vellum::RangeTextFormatter(0);
    volumeText->addRange(-40.0f, -39.0f, "-oo");
    volume = addFloat("Volume", "dB", -40.0f, 20.0f, 0, new DecibelMapping(-40.0, 20.0), volumeText);

    chorusRate = addFloat("Chorus rate", "Hz", 0.05f, 5.0f, 2, new ExponentialMapping(0.05, 5.0), decimals(2));
    chorusDepth = addFloat("Chorus depth", "", 0.0f, 1.0f, 2, new LinearMapping(0.0, 1.0), decimals(2));
    chorusOn = addInt("Chorus on", 2, IntTextCallback::onOff());
    for (int i = 0; i < kPanCount; ++i)
        pan[i] = addFloat(numbered("Pan", i), "", -1.0f, 1.0f, 2, new LinearMapping(-1.0, 1.0), decimals(2));
    for (int row = 0; row < kModRows; ++row) {
        for (int column = 0; column < kModColumns; ++column) {
            if (modRouteExists(row, column))
                modRoute[row][column] = addInt(modRouteName(row, column), 2, IntTextCallback::onOff());
        }
    }
    // Stored values outside their count (only chunks carry them) are shown as what the engine
    // plays: the silent wave for a waveform, a routing cell on for any value but 0, and 0
    // (the first choice) for every other int.
    for (auto* wave : oscWaveform)
        wave->setOutOfRangeValue(kNullWave);
    for (auto& row : modRoute) {
        for (auto* cell : row) {
            if (cell)
                cell->setOutOfRangeValue(1);
        }
    }
    name_ = "Init";
    filterType = addInt("FilterType", kFilterTypeCount, IntTextCallback::number(), false);
    filterMode = addInt("FilterMode", kFilterModeCount, IntTextCallback::number());
    polyphony = addFloat("Polyphony", "", 1.0f, 32.0f, 0, new LinearMapping(1.0, 32.0), decimals(0), false);
}

Patch::~Patch() = default;

xFloatParam* Patch::addFloat(const std::string& name, const std::string& label, float min, float max, int decimals,
                             xValueMapping* mapping, vellum::xValueFormatter* formatter, bool registered)
{
    auto param = std::make_unique<xFloatParam>(name, label, min, max, decimals);
    param->setMapping(mapping);
    param->setFormatter(formatter);
    xFloatParam* raw = param.get();
    params_.push_back(std::move(param));
    if (registered)
        registerParam(raw);
    return raw;
}

xIntParam* Patch::addInt(const std::string& name, std::int32_t count, IntTextCallback* text, bool registered)
{
    auto param = std::make_unique<xIntParam>(name, "", count);
    param->setTextCallback(text);
    xIntParam* raw = param.get();
    params_.push_back(std::move(param));
    if (registered)
        registerParam(raw);
    return raw;
}

void Patch::registerParam(xParam* param)
{
    registry_.add(ParameterAdapter{param, &param->normalized(), &param->text()}, true);
}

std::string Patch::name() const
{
    std::lock_guard lock(nameLock_);
    return name_;
}

void Patch::setName(const std::string& name)
{
    std::lock_guard lock(nameLock_);
    name_ = name.substr(0, std::min(name.size(), std::min(name.find('\0'), kPatchNameLength)));
}

void Patch::initPatch()
{
    cutoff->value().set(7.0f);
    resonance->value().set(0.0f);
    filterEnvAmount->value().set(0.0f);
    for (int i = 0; i < kOscCount; ++i) {
        mixTime[i]->normalized().set(0.0f);
        oscWaveform[i]->value().set(94);
        oscTune[i]->value().set(0.0f);
        oscFinetune[i]->value().set(0.0f);
        mixX[i]->value().set(0.0f);
        mixY[i]->value().set(0.0f);
    }
    oscWaveform[0]->value().set(1);
    mixX[4]->value().set(0.0f);
    mixY[4]->value().set(0.0f);
    for (int i = 0; i < kLfoCount; ++i) {
        lfoRate[i]->value().set(1.0f);
        lfoWave[i]->value().set(0);
    }
    for (auto* t : filterTime)
        t->normalized().set(0.0f);
    for (auto* t : ampTime)
        t->normalized().set(0.0f);
    for (auto* l : filterLevel)
        l->normalized().set(0.0f);
    for (auto* l : ampLevel)
        l->normalized().set(0.0f);
    for (int i = 1; i < kAmpLevelCount; ++i)
        ampLevel[i]->normalized().set(1.0f);
    ampTime[3]->normalized().set(0.1f);
    mixLoop->value().set(0);
    mixRepeat->value().set(0);
    filterLoop->value().set(0);
    filterRepeat->value().set(0);
    ampLoop->value().set(0);
    ampRepeat->value().set(0);
    for (auto* a : modAmount)
        a->value().set(0.0f);
    for (auto& row : modRoute) {
        for (auto* cell : row) {
            if (cell)
                cell->value().set(0);
        }
    }
    modRoute[6][8]->value().set(1);
    volume->value().set(-6.0f);
    for (auto* p : pan)
        p->value().set(0.0f);
    chorusOn->value().set(0);
    chorusRate->value().set(0.2f);
    chorusDepth->value().set(0.5f);
    setName("Init");
    filterType->value().set(0);
    filterMode->value().set(0);
    polyphony->value().set(8.0f);
}

} // namespace ostrel
