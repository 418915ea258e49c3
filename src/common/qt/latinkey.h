// Shortcuts name keys, not letters: with a Cyrillic layout active, Ctrl+S arrives
// as Ctrl+Ы. LatinKeyOf maps the letters of the Russian and Ukrainian layouts back
// to the Latin key in the same place; every other key is returned unchanged.
#pragma once

namespace kelvarin {

int LatinKeyOf(int key);

}  // namespace kelvarin
