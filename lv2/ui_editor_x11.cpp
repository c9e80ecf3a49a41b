#include "lv2/ui_editor.h"

namespace ostrel::lv2 {

UiEditor::UiEditor(LV2UI_Write_Function write, LV2UI_Controller controller, const LV2UI_Touch* touch,
                   const unsigned char* defaultBank, std::size_t defaultBankSize)
    : ports_(write, controller, touch),
      instance_(&ports_),
      binding_(kWidth, kHeight)
{
    // The controls are linked first, so that they hear the first program load.
    editor_ = std::make_unique<SynthEditor>(*binding_.getFacade(), instance_.patch());
    instance_.installPrograms(defaultBank, defaultBankSize);
    ports_.attach(instance_.patch().registry());
}

UiEditor::~UiEditor()
{
    // The window goes before the widgets it shows, the widgets before their parameters.
    binding_.close();
    editor_.reset();
}

bool UiEditor::idle()
{
    binding_.idle();
    return binding_.isOpen();
}

} // namespace ostrel::lv2
