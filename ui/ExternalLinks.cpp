#include "ui/ExternalLinks.h"

namespace ExternalLinks
{
namespace
{
    void launchInBrowser (const juce::URL& url)
    {
        url.launchInDefaultBrowser(); // failures are not reported to the user
    }

    void openWithDefaultApplication (const juce::String& fullPath)
    {
        juce::Process::openDocument (fullPath, {});
    }

    juce::File globalApplicationsFolder()
    {
        return juce::File::getSpecialLocation (juce::File::globalApplicationsDirectory);
    }
}

std::function<void (const juce::URL&)> openWebPage = launchInBrowser;
std::function<void (const juce::String&)> openDocument = openWithDefaultApplication;
std::function<juce::File()> applicationsFolder = globalApplicationsFolder;

void restoreDefaults()
{
    openWebPage = launchInBrowser;
    openDocument = openWithDefaultApplication;
    applicationsFolder = globalApplicationsFolder;
}
}
