#include "editor/synth_editor.h"

#include <algorithm>
#include <string>

#include "dsp/wave_bank.h"
#include "editor/editor_style.h"
#include "editor/value_hint.h"
#include "editor/wave_thumbnails.h"
#include "engine/voice_engine.h"
#include "gui/click_cycler.h"
#include "gui/color_panel.h"
#include "gui/cycle_switch.h"
#include "gui/draw_text.h"
#include "gui/font.h"
#include "gui/image.h"
#include "gui/label.h"
#include "gui/menu_trigger.h"
#include "gui/radio_menu.h"
#include "gui/resource_package.h"
#include "gui/root_observer.h"
#include "gui/strip_indicator.h"

namespace ostrel {

using namespace vellum;

namespace {

const std::vector<std::string> kLoopTexts = {"off", "0 --> 3", "1 --> 3", "2 --> 3", "0 <-> 3", "1 <-> 3", "2 <-> 3"};
const std::vector<std::string> kRepeatTexts = {"Continuous", "1", "2", "3", "4", "5", "6", "7"};

constexpr xSize kSmallKnob{18, 18};
constexpr xSize kBigKnob{26, 26};
constexpr xPoint kMatrixOrigin{370, 0};
constexpr xPoint kSelectorPosition{104, 78};
constexpr int kOscPitch = 45; // pixels between the oscillator columns
// The wave name hint beside a thumbnail, as a knob's beside a knob.
constexpr xPoint kThumbnailHintOffset{34, -12};

// Which control layer holds what: graphs, pictures, labels and the thumbnails' click areas at
// the bottom; knobs, switches, strips and menus above them; hints and readouts above those;
// the wave selectors on top.
enum Layer { kGraphs = 0, kControls = 1, kHints = 2, kPopups = 3 };

} // namespace

// What the editor takes from the resource package while it is built (the widgets keep their
// own references).
struct SynthEditor::Art {
    Art()
    {
        const xResourcePackage* package = getPackage();
        if (!package)
            return;
        font.reset(package->getFont("arial11"));
        knob.reset(package->getBitmap("knob_anim"));
        knob2.reset(package->getBitmap("knob2_anim"));
        loopText.reset(package->getBitmap("looptext"));
        repeatText.reset(package->getBitmap("repeattext"));
        button.reset(package->getBitmap("button"));
        matrix.reset(package->getBitmap("modmatrix"));
        cell.reset(package->getBitmap("modmatrixbutton"));
    }
    std::array<xBitmap*, 5> circles() const
    {
        return {circle[0].get(), circle[1].get(), circle[2].get(), circle[3].get(), circle[4].get()};
    }
    xSharedRef<xFont> font;
    xSharedRef<xBitmap> knob, knob2, loopText, repeatText, button, matrix, cell;
    std::array<xSharedRef<xBitmap>, 5> circle;
};

SynthEditor::SynthEditor(xRootInterface& root, Patch& patch) : root_(root), patch_(patch)
{
    // 1. The thumbnails of all waves, once.
    thumbnails_.reset(renderWaveThumbnails(waveBank()));
    // 2. A fresh observer; the resources.
    root_.setObserver(new xRootObserver);
    Art art;
    // 3. The background, in a layer of its own below everything.
    background_ = new xLayer;
    background_->addWidget(new xColorPanel({0, 0, kWidth, kHeight}, style::kBackground));
    root_.addLayer(background_);
    // 4. The control layers and the point markers.
    for (xLayer*& layer : layers_)
        layer = new xLayer;
    if (const xResourcePackage* package = getPackage()) {
        for (int k = 0; k < 5; ++k)
            art.circle[static_cast<std::size_t>(k)].reset(package->getBitmap("circle" + std::to_string(k)));
    }
    // 5, 6. Envelopes, then the panels on the right.
    buildEnvelopes(art);
    matrix_ = std::make_unique<ModMatrixView>(patch_, kMatrixOrigin, *layers_[kControls], *layers_[kHints],
                                              art.font.get(), art.knob.get(), art.cell.get());
    buildOscillators(art);
    buildFilterAndLfos(art);
    buildMaster(art);
    // 7. The control layers, the popups' last.
    for (xLayer* layer : layers_)
        root_.addLayer(layer);
}

SynthEditor::~SynthEditor()
{
    flagLinks_.clear();
    for (xLayer* layer : layers_)
        root_.removeLayer(layer);
    root_.removeLayer(background_);
}

void SynthEditor::engineChanged(VoiceEngine* engine)
{
    const PlayPositions* positions = engine ? engine->playPositions() : nullptr;
    mixEditor_->setPlayPositions(positions);
    filterEditor_->setPlayPositions(positions);
    ampEditor_->setPlayPositions(positions);
}

void SynthEditor::addLabel(const Art& art, const char* text, xPoint at)
{
    layers_[kGraphs]->addWidget(new xLabel(art.font.get(), text, at, style::kText));
}

void SynthEditor::addBigKnob(const Art& art, xParam& param, xPoint at, const char* unit)
{
    addHintedKnob(*layers_[kControls], *layers_[kHints], param.normalized(), param.text(), art.knob2.get(), kBigKnob,
                  at, style::kBigKnobHintOffset, unit, art.font.get());
}

void SynthEditor::buildEnvelopes(Art& art)
{
    xLayer& graphs = *layers_[kGraphs];
    xLayer& controls = *layers_[kControls];
    xLayer& hints = *layers_[kHints];
    xFont* font = art.font.get();

    for (EnvelopeReadout*& readout : readouts_)
        readout = new EnvelopeReadout(font);
    const auto views = [](auto& params) {
        std::array<xFloatView*, std::tuple_size_v<std::remove_reference_t<decltype(params)>>> out{};
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i] = &params[i]->normalized();
        return out;
    };
    mixEditor_ = new MixEnvelopeEditor(views(patch_.mixX), views(patch_.mixY), readouts_[0], {10, 20, 149, 149},
                                       art.circles(), font);
    filterEditor_ = new EnvelopeEditor(views(patch_.filterTime), views(patch_.filterLevel), readouts_[1],
                                       {10, 220, 470, 110}, art.circles(), FollowedEnvelope::filter);
    const auto ampLevels = views(patch_.ampLevel);
    ampEditor_ =
        new EnvelopeEditor(views(patch_.ampTime), {ampLevels[0], ampLevels[1], ampLevels[2], ampLevels[3], nullptr},
                           readouts_[2], {10, 360, 470, 110}, art.circles(), FollowedEnvelope::amplitude);

    // Loop and repeat of each envelope: the setting as a picture, its menu over it.
    const auto loopRow = [&](int labelX, int y, xIntParam& loop, xIntParam& repeat) {
        addLabel(art, "Loop:", {labelX, y});
        addLabel(art, "Repeat:", {labelX + 90, y});
        const xRect loopRect{labelX + 33, y, 41, 13};
        const xRect repeatRect{labelX + 133, y, 23, 13};
        controls.addWidget(
            new xStripIndicator(loop.value(), art.loopText.get(), {loopRect.x, loopRect.y}, {41, 13}, false));
        controls.addWidget(new xMenuTrigger(loop.value(), createRadioMenu("Loop", kLoopTexts), loopRect,
                                            {loopRect.x, loopRect.y}, xTriggerButton::left));
        controls.addWidget(
            new xStripIndicator(repeat.value(), art.repeatText.get(), {repeatRect.x, repeatRect.y}, {23, 13}, false));
        controls.addWidget(new xMenuTrigger(repeat.value(), createRadioMenu("Repeat", kRepeatTexts), repeatRect,
                                            {repeatRect.x, repeatRect.y}, xTriggerButton::left));
    };
    loopRow(10, 190, *patch_.mixLoop, *patch_.mixRepeat);
    loopRow(30, 333, *patch_.filterLoop, *patch_.filterRepeat);
    loopRow(30, 473, *patch_.ampLoop, *patch_.ampRepeat);

    auto* picture = new xImage(art.matrix.get(), kMatrixOrigin);
    for (int i = 0; i < kMixTimeCount; ++i) {
        xFloatParam& time = *patch_.mixTime[static_cast<std::size_t>(i)];
        addHintedKnob(controls, hints, time.normalized(), time.text(), art.knob.get(), kSmallKnob, {30 + 30 * i, 170},
                      style::kSmallKnobHintOffset, " ", font);
    }
    for (EnvelopeReadout* readout : readouts_) {
        readout->hide(false);
        hints.addWidget(readout);
    }
    graphs.addWidget(mixEditor_);
    graphs.addWidget(filterEditor_);
    graphs.addWidget(ampEditor_);
    graphs.addWidget(picture);
}

void SynthEditor::buildOscillators(Art& art)
{
    xLayer& graphs = *layers_[kGraphs];
    xLayer& controls = *layers_[kControls];
    xLayer& hints = *layers_[kHints];
    xFont* font = art.font.get();

    const char* const captions[kOscCount] = {"A", "B", "C", "D"};
    for (int i = 0; i < kOscCount; ++i)
        addLabel(art, captions[i], {210 + kOscPitch * i, 35});
    addLabel(art, "Wave", {169, 57});
    addLabel(art, "Tune", {170, 92});
    addLabel(art, "Fine", {173, 127});

    // The name hint is as wide as the longest wave name.
    int nameWidth = kKnobHintWidth;
    if (font) {
        for (const char* name : waveNames)
            nameWidth = std::max(nameWidth, textWidth(*font, name) + 6);
    }
    for (int i = 0; i < kOscCount; ++i) {
        const auto osc = static_cast<std::size_t>(i);
        const xPoint at{200 + kOscPitch * i, 50};
        xIntParam& wave = *patch_.oscWaveform[osc];

        selectorFlags_[osc] = std::make_unique<xIntParam>("", "", 2);
        selectorFlags_[osc]->setValue(0);
        graphs.addWidget(
            new xClickCycler(selectorFlags_[osc]->value(), {at.x, at.y, kThumbnailWidth, kThumbnailHeight}, 2, false));
        const xRect namePlace{at.x + kThumbnailHintOffset.x, at.y + kThumbnailHintOffset.y, nameWidth, kHintHeight};
        ValueHint name = makeValueHint(
            new xStripIndicator(wave.value(), thumbnails_.get(), at, {kThumbnailWidth, kThumbnailHeight}, false),
            wave.text(), font, namePlace, "", hints);
        controls.addWidget(name.decorator);
        thumbnailHints_[osc] = name.decorator;

        xFloatParam& tune = *patch_.oscTune[osc];
        xFloatParam& fine = *patch_.oscFinetune[osc];
        addBigKnob(art, tune, {at.x, 85}, "");
        addBigKnob(art, fine, {at.x, 120}, "");

        selectors_[osc] = new WaveSelector(wave.value(), font, thumbnails_.get(), kSelectorPosition);
        layers_[kPopups]->addWidget(selectors_[osc]);
        flagLinks_.push_back(std::make_unique<xViewLink>(selectorFlags_[osc]->value(), [this, i] { openSelector(i); }));
    }
}

void SynthEditor::openSelector(int osc)
{
    // The thumbnail's name hint goes away, as after a release of the button.
    thumbnailHints_[static_cast<std::size_t>(osc)]->onLeftUp(xMouseEvent{});
    WaveSelector& selector = *selectors_[static_cast<std::size_t>(osc)];
    selector.enable();
    selector.show(true);
}

void SynthEditor::buildFilterAndLfos(Art& art)
{
    addLabel(art, "  Cutoff", {490, 227});
    addLabel(art, "   Reso", {490, 262});
    addLabel(art, "EnvAmt", {490, 297});
    addLabel(art, "  Mode", {490, 332});
    addBigKnob(art, *patch_.cutoff, {535, 220}, "");
    addBigKnob(art, *patch_.resonance, {535, 255}, "");
    addBigKnob(art, *patch_.filterEnvAmount, {535, 290}, "");
    addBigKnob(art, *patch_.filterMode, {535, 325}, "");

    addLabel(art, "LFO1", {643, 215});
    addLabel(art, "LFO2", {688, 215});
    addLabel(art, "Rate", {610, 237});
    addLabel(art, "Wave", {610, 267});
    for (int i = 0; i < kLfoCount; ++i) {
        addBigKnob(art, *patch_.lfoRate[static_cast<std::size_t>(i)], {645 + kOscPitch * i, 230}, "");
        addBigKnob(art, *patch_.lfoWave[static_cast<std::size_t>(i)], {645 + kOscPitch * i, 260}, "");
    }
}

void SynthEditor::buildMaster(Art& art)
{
    xLayer& controls = *layers_[kControls];
    xLayer& hints = *layers_[kHints];
    xFont* font = art.font.get();

    addLabel(art, "Volume", {562, 375});
    addLabel(art, "Voices", {625, 375});
    addBigKnob(art, *patch_.volume, {570, 390}, "dB");
    addBigKnob(art, *patch_.polyphony, {630, 390}, "");

    addLabel(art, "Chorus", {485, 430});
    addLabel(art, "Rate", {531, 430});
    addLabel(art, "Depth", {567, 430});
    controls.addWidget(new xCycleSwitch(patch_.chorusOn->value(), art.button.get(), {500, 445, 18, 27}, 2, false));
    addBigKnob(art, *patch_.chorusRate, {530, 445}, "Hz");
    addBigKnob(art, *patch_.chorusDepth, {570, 445}, "");

    addLabel(art, "Pan", {698, 316});
    for (int i = 0; i < kPanCount; ++i) {
        xFloatParam& pan = *patch_.pan[static_cast<std::size_t>(i)];
        addHintedKnob(controls, hints, pan.normalized(), pan.text(), art.knob.get(), kSmallKnob, {700, 330 + 20 * i},
                      style::kSmallKnobHintOffset, " ", font);
    }
}

} // namespace ostrel
