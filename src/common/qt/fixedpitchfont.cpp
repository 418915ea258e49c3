#include "common/qt/fixedpitchfont.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QStringList>

namespace kelvarin {
namespace {

using namespace Qt::StringLiterals;

// Narrow and wide letters of both alphabets, digits and the blank.
const QString kSamples = u"iMW0 .jЖшщыі"_s;

}  // namespace

bool IsFixedPitchFamily(const QString& family) {
  QFont font(family);
  font.setPixelSize(40);  // large enough that rounding hides no difference
  font.setStyleStrategy(QFont::NoFontMerging);
  // Font matching stands in another family for a missing one ("Courier New" may
  // come out as a Courier clone that is not monospaced): only the real one counts.
  if (QFontInfo(font).family().compare(family, Qt::CaseInsensitive) != 0) return false;
  const QFontMetricsF metrics(font);
  const qreal width = metrics.horizontalAdvance(kSamples.at(0));
  for (const QChar c : kSamples)
    if (!metrics.inFont(c) || metrics.horizontalAdvance(c) != width) return false;
  // Bold and italic keywords must keep the columns too.
  font.setBold(true);
  font.setItalic(true);
  return QFontMetricsF(font).horizontalAdvance(u"iiiii"_s) == QFontMetricsF(font).horizontalAdvance(u"MMMMM"_s);
}

QString FixedPitchFamily() {
  static const QString family = [] {
    QStringList candidates{u"Courier New"_s};
    // What the desktop calls its monospace font, by its real name.
    candidates << QFontInfo(QFontDatabase::systemFont(QFontDatabase::FixedFont)).family();
    candidates << QStringList{u"DejaVu Sans Mono"_s, u"Liberation Mono"_s, u"Noto Sans Mono"_s, u"Noto Mono"_s,
                              u"Nimbus Mono PS"_s, u"FreeMono"_s};
    for (const QString& family : QFontDatabase::families(QFontDatabase::Cyrillic))
      if (QFontDatabase::isFixedPitch(family)) candidates << family;
    // Measured, not taken on trust: fontconfig's spacing flag is missing on some
    // monospaced fonts and the font matcher substitutes freely.
    for (const QString& candidate : candidates)
      if (IsFixedPitchFamily(candidate)) return candidate;
    // Nothing installed passes: the desktop's choice is the best there is.
    return candidates.at(1);
  }();
  return family;
}

QFont FixedPitchFont(int pixelSize) {
  QFont font(FixedPitchFamily());
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  font.setPixelSize(pixelSize);
  return font;
}

}  // namespace kelvarin
