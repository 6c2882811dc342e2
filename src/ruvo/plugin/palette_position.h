#pragma once
// The palette's place from one run of the host to the next: the file "PMPosition.xml" in
// the host's per-user folder, whose element "PS" holds what the palette set saves.

#include <QDomElement>
#include <QString>
#include <filesystem>

namespace ui {
class PaletteSet;
}

namespace ruvo {

inline constexpr const char* kPalettePositionFile = "PMPosition.xml";

// `node` itself when its name equals `name` ignoring case, else its first direct child
// element of that name, else a null element.
QDomElement FindChildElement(const QDomElement& node, const QString& name);

// Applies the file's "PS" element to the set (or hands it no element when there is none).
// A missing or malformed file changes nothing. False when nothing was applied.
bool LoadPalettePosition(ui::PaletteSet& set, const std::filesystem::path& file);

// Writes a document whose root "PS" holds what the set saves, replacing the file through a
// temporary file; false (and the old file kept) when it cannot be written.
bool SavePalettePosition(const ui::PaletteSet& set, const std::filesystem::path& file);

}  // namespace ruvo
