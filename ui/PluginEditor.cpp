#include "ui/PluginEditor.h"

#include "ui/TarskUI.h"

TarskAudioProcessorEditor::TarskAudioProcessorEditor (OrvikQ4::TarskAudioProcessor& p)
    : juce::AudioProcessorEditor (p)
{
    ui = std::make_unique<TarskUI> (&p);

    // Showing the panel runs its first refresh at once and starts its polls.
    ui->setVisible (true);
    addAndMakeVisible (ui.get());

    // The front plate and, along its bottom edge, the 24-pixel toolbar.
    height += 24;
    setSize (width, height);
}

TarskAudioProcessorEditor::~TarskAudioProcessorEditor()
{
    ui.reset();
}

void TarskAudioProcessorEditor::paint (juce::Graphics&)
{
    // The panel covers the whole editor.
}

void TarskAudioProcessorEditor::resized()
{
    if (ui != nullptr)
        ui->setBounds (0, 0, width, height);
}

void TarskAudioProcessorEditor::setControlHighlight (ParameterControlHighlightInfo info)
{
    if (! info.isHighlighted)
    {
        ui->highlights.erase (info.parameterIndex);
    }
    else
    {
        const auto entry = ui->paramToComponent.find (info.parameterIndex);

        if (entry != ui->paramToComponent.end() && entry->second != nullptr)
            ui->highlights[info.parameterIndex] = { entry->second->getBoundsInParent(), info.suggestedColour };
    }

    ui->repaint();
}

int TarskAudioProcessorEditor::getControlParameterIndex (juce::Component& c)
{
    const auto entry = ui->componentToParam.find (&c);
    return entry != ui->componentToParam.end() ? entry->second : -1;
}
