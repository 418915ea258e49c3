// Marks every occurrence of the identifier at the caret in the lines on screen,
// with an indicator (the selection stays as it is). Only the visible lines are
// scanned, so the cost of a caret move or a scroll does not grow with the script.
#pragma once

#include <QObject>
#include <string>

#include "script/core/zonescriptsyn.h"

class QsciScintilla;

namespace kelvarin {

class TOccurrenceMarker : public QObject {
  Q_OBJECT
 public:
  static constexpr int kIndicator = 8;  // the first indicator left to applications

  explicit TOccurrenceMarker(QsciScintilla& editor);

  // Marks again for the present caret and view; the editor's updates call it.
  void Update();
  // The word marked now (empty: none).
  const std::string& Word() const { return m_word; }

 private:
  QsciScintilla& m_editor;
  TSynZoneScriptSyn m_scanner;
  std::string m_word;
  bool m_marked = false;  // whether any mark may be standing
};

}  // namespace kelvarin
