// The compressors as the two compression dialogs see them. The Video compression dialog
// lists the installed video compressors by name and, for a moment at a time, creates the
// compressor filter of one name to learn which of its own dialogs it offers (configuration,
// about box, property pages) and to show them. The Audio compression dialog only lists
// names. The platform's device enumerator and compressor filters stand behind these
// interfaces; the dialogs never see them.
//
// A source outlives every dialog that uses it; a created filter belongs to the caller and
// is released when the caller drops it. User-interface thread only.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zentar {

// One created video compressor filter (the platform's IAMVfwCompressDialogs and
// ISpecifyPropertyPages, when it offers them). `parentWindow` is the asking dialog's
// QWidget*, handed on to the compressor's own dialog as its owner.
class ChosenVideoCompressor {
public:
    virtual ~ChosenVideoCompressor() = default;

    // Whether the filter offers the compressor-dialog interface at all.
    virtual bool hasCompressDialogs() const = 0;
    // The interface's two queries: does the compressor have a configuration dialog / an
    // about box (ShowDialog with QueryConfig / QueryAbout giving S_OK).
    virtual bool queryConfigDialog(void* parentWindow) = 0;
    virtual bool queryAboutDialog(void* parentWindow) = 0;
    // Shows the compressor's configuration dialog / about box modally.
    virtual void showConfigDialog(void* parentWindow) = 0;
    virtual void showAboutDialog(void* parentWindow) = 0;

    // Whether the filter offers property pages, and a modal frame showing them
    // (caption "Filter", at the owner's top left).
    virtual bool hasPropertyPages() const = 0;
    virtual void showPropertyPages(void* parentWindow) = 0;

    // The encoder preset the compressor's configuration dialog edits (empty: its default).
    virtual std::string preset() const { return {}; }
    virtual void setPreset(const std::string& /*preset*/) {}
};

class VideoCompressorSource {
public:
    virtual ~VideoCompressorSource() = default;

    // The friendly names of the installed video compressors in enumeration order; an
    // unreadable name is an empty entry.
    virtual std::vector<std::string> names() = 0;
    // Creates the first installed compressor whose name equals `name` byte for byte. A
    // name that is not installed or cannot be created raises CMyException with code 5.
    virtual std::unique_ptr<ChosenVideoCompressor> create(const std::string& name) = 0;
};

// The installed video compressors of this system.
VideoCompressorSource& InstalledVideoCompressors();

// The Audio compression dialog's walk: the audio compressors' names in enumeration
// order, unreadable names left out.
using AudioCompressorWalk = std::function<std::vector<std::string>()>;
std::vector<std::string> InstalledAudioCompressorNames();

} // namespace zentar
