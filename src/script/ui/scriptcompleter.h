// Completion in the script editor: Ctrl+Space, or by itself once three letters of
// a word are typed. The list narrows as typing goes on; Enter or Tab takes the
// chosen entry, Escape closes it. What it offers comes from the highlighter's
// keyword table, the names the script declares (kept up to date line by line as
// the text changes) and, inside GetObjectByName("…"), the zone's object names.
//
// The list is filtered here, not by Scintilla, whose matching folds the case of
// ASCII letters only: it is shown with nothing counted as typed, and the chosen
// entry replaces the typed part of the word by our hand.
#pragma once

#include <QObject>
#include <QStringList>
#include <functional>

#include "script/core/scriptcompletion.h"
#include "script/core/scriptnameindex.h"
#include "script/core/zonescriptsyn.h"

class QsciScintilla;

namespace kelvarin {

class TMob;

class TScriptCompleter : public QObject {
  Q_OBJECT
 public:
  // `zone` gives the open document, or nullptr when none is open.
  TScriptCompleter(QsciScintilla& editor, std::function<const TMob*()> zone);

  // Opens the list for the word at the caret (Ctrl+Space). False when there is
  // nothing to offer there.
  bool Show();
  bool IsActive() const;
  // The entries of the open list, in their order.
  QStringList Entries() const { return m_entries; }

 private:
  void TextChanged(int position, int type, const char* text, int length, int linesAdded);
  void CharAdded(int ch);
  void Chosen(const char* entry);
  // Builds the list for the caret's context; `typed`: opened by typing.
  bool Open(bool typed);

  QsciScintilla& m_editor;
  std::function<const TMob*()> m_zone;
  TSynZoneScriptSyn m_scanner;
  TScriptNameIndex m_names;
  QStringList m_entries;
  long m_prefixFrom = 0;  // where the typed part of the word starts
};

}  // namespace kelvarin
