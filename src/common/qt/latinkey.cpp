#include "common/qt/latinkey.h"

#include <utility>

namespace kelvarin {

int LatinKeyOf(int key) {
  static const std::pair<char16_t, char> kPlaces[] = {
      {u'Й', 'Q'}, {u'Ц', 'W'}, {u'У', 'E'}, {u'К', 'R'}, {u'Е', 'T'}, {u'Н', 'Y'}, {u'Г', 'U'},
      {u'Ш', 'I'}, {u'Щ', 'O'}, {u'З', 'P'}, {u'Ф', 'A'}, {u'Ы', 'S'}, {u'І', 'S'}, {u'В', 'D'},
      {u'А', 'F'}, {u'П', 'G'}, {u'Р', 'H'}, {u'О', 'J'}, {u'Л', 'K'}, {u'Д', 'L'}, {u'Я', 'Z'},
      {u'Ч', 'X'}, {u'С', 'C'}, {u'М', 'V'}, {u'И', 'B'}, {u'Т', 'N'}, {u'Ь', 'M'}};
  for (const auto& [cyrillic, latin] : kPlaces)
    if (key == int(cyrillic)) return latin;
  return key;
}

}  // namespace kelvarin
