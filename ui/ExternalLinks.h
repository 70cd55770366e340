#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

/** The web addresses the editor links to, and the one road by which the editor hands a web page
    or a document to the desktop. */
namespace ExternalLinks
{
    /** The vendor's home page (secure); product pages hang below it. */
    inline constexpr const char* vendorBaseAddress = "https://norrhaven.example/";

    /** The maker's home page (plain). */
    inline constexpr const char* makerBaseAddress = "http://orvik.example/";

    /** Opens a web address in the default browser. Replaceable, so that tests can see what would
        be opened without starting a browser; the default calls URL::launchInDefaultBrowser. */
    extern std::function<void (const juce::URL&)> openWebPage;

    /** Opens a document with the desktop's default application for it. Replaceable like
        openWebPage; the default calls Process::openDocument with no parameters. */
    extern std::function<void (const juce::String& fullPath)> openDocument;

    /** The folder under which the vendor installs its applications and manuals. Replaceable so
        that tests can stand in a folder they own; the default is the framework's global
        applications folder for this platform. */
    extern std::function<juce::File()> applicationsFolder;

    /** Puts the three functions back to their defaults. */
    void restoreDefaults();
}
