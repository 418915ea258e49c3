// The one fixed-width font family of the editor's text views (script, gutter, log).
#pragma once

#include <QFont>
#include <QString>

namespace kelvarin {

// An installed family in which every character the script and the log show
// (Latin, digits, Cyrillic) is equally wide, chosen once per run: "Courier New"
// where it is such a font, otherwise the desktop's monospace family or another
// installed one. The family is named outright, so that a view that keeps only a
// font's family name (QScintilla's styles do) still draws it at fixed width.
QString FixedPitchFamily();

// That family at `pixelSize`.
QFont FixedPitchFont(int pixelSize);

// Whether `family` is installed under that name (not stood in for by another) and
// draws every sample character at one width.
bool IsFixedPitchFamily(const QString& family);

}  // namespace kelvarin
