// The script page's writing aids on a generated 100,000-line script, each beside
// a full scan of the same script by the highlighter's scanner (every line split
// into tokens) measured in the same run: opening the completion list, marking the
// occurrences of a word after a caret move, and replacing 100,000 matches at once.
//
//   xvfb-run -a build-release/bin/bench-script-assist [LINES]
//   (without a display it falls back to Qt's offscreen platform)
#include <QApplication>
#include <QKeyEvent>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "mob/generator.h"
#include "mob/tmob.h"
#include "script/core/zonescriptsyn.h"
#include "script/core/scriptcompletion.h"
#include "script/ui/occurrencemarker.h"
#include "script/ui/scriptcompleter.h"
#include "script/ui/scripteditor.h"
#include "script/ui/scriptpage.h"
#include "support/fakeshell.h"

#include "benchutil.h"

using namespace Qt::StringLiterals;

using namespace kelvarin;
using kelvarin::bench::BestMs;
using Sci = QsciScintillaBase;

namespace {

constexpr int kRuns = 5;

// Every line of the script through the scanner, token by token.
std::size_t ScanAll(TSynZoneScriptSyn& syn, std::string_view text) {
  std::size_t tokens = 0;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t lf = text.find('\n', start);
    if (lf == std::string_view::npos) lf = text.size();
    for (syn.SetLine(text.substr(start, lf - start)); !syn.GetEol(); syn.Next()) ++tokens;
    start = lf + 1;
  }
  return tokens;
}

void Row(const char* what, double ms, double scanMs, double aim) {
  std::printf("  %-46s %9.3f ms   %6.3fx of the scan   (aim <= %.1fx)\n", what, ms, ms / scanMs, aim);
}

void Note(const char* what, double ms, double scanMs) {
  std::printf("  %-46s %9.3f ms   %6.3fx of the scan\n", what, ms, ms / scanMs);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const std::size_t lines = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;

  TFakeShell shell;
  GenerateZone(shell.mob, {.records = 20000, .seed = 1, .scriptLines = lines});
  shell.session.Adopt("zone.mob");
  // Every statement gets a short note: the text replace-all looks for, once a line.
  std::string script;
  std::size_t notes = 0;
  for (std::size_t start = 0; start < shell.mob.ScriptText.size();) {
    std::size_t lf = shell.mob.ScriptText.find('\n', start);
    if (lf == std::string::npos) lf = shell.mob.ScriptText.size();
    script.append(shell.mob.ScriptText, start, lf - start);
    if (lf - start > 2 && notes < lines) {
      script += " // note";
      ++notes;
    }
    script += '\n';
    start = lf + 1;
  }
  shell.mob.ScriptText = script;

  TScriptPage page(shell);
  page.resize(900, 700);
  page.show();
  QApplication::processEvents();
  page.UpdateEditMenu(true);
  page.MobToScript();
  TScriptEditor& ed = *page.ScriptEd();
  ed.setFocus();
  ed.viewport()->repaint();

  TSynZoneScriptSyn syn;
  std::size_t tokens = 0;
  const double scanMs = BestMs(kRuns, [&] { tokens = ScanAll(syn, shell.mob.ScriptText); });

  // Completion in the middle of the script, after a typed "Get". The first list
  // after opening the script also scans the lines it declares names on.
  const long middle = long(ed.lines() / 2);
  ed.GoTo(middle, 0);
  ed.SendScintilla(Sci::SCI_ADDTEXT, 4UL, "Get ");
  ed.SendScintilla(Sci::SCI_CHARLEFT);
  auto cancel = [&] { ed.SendScintilla(Sci::SCI_AUTOCCANCEL); };
  const double firstCompleteMs = BestMs(1, [&] { page.Completer().Show(); });
  const double completeMs = BestMs(kRuns, cancel, [&] { page.Completer().Show(); });
  const qsizetype functionEntries = page.Completer().Entries().size();
  cancel();
  // What the list offers, without the list window: the names and their ranking.
  const double entriesMs = BestMs(kRuns, [&] {
    volatile std::size_t n = IdentifierCompletions("Get", std::vector<std::string>{"alarm", "dist", "g", "name"}).size();
    (void)n;
  });
  // Object names inside GetObjectByName(" of a zone of 20,000 records.
  ed.SendScintilla(Sci::SCI_ADDTEXT, 20UL, "ObjectByName(\"orc_w ");
  ed.SendScintilla(Sci::SCI_CHARLEFT);
  const double namesMs = BestMs(kRuns, cancel, [&] { page.Completer().Show(); });
  const qsizetype nameEntries = page.Completer().Entries().size();
  cancel();
  ed.undo();

  // Occurrences after a jump to a word far down the script.
  const long farWord = ed.SendScintilla(Sci::SCI_POSITIONFROMLINE, static_cast<unsigned long>(ed.lines() - 20)) + 4;
  const double occurrencesMs = BestMs(
      kRuns, [&] { ed.SendScintilla(Sci::SCI_GOTOPOS, 0UL); },
      [&] {
        ed.SendScintilla(Sci::SCI_GOTOPOS, static_cast<unsigned long>(farWord));
        ed.Occurrences().Update();
      });
  const std::string markedWord = ed.Occurrences().Word();

  // Typing one letter at the end of the script, and at its start.
  auto typeLetter = [&] {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, u"x"_s);
    QApplication::sendEvent(&ed, &press);
  };
  ed.SendScintilla(Sci::SCI_DOCUMENTEND);
  const double keyEndMs = BestMs(kRuns, typeLetter);
  ed.SendScintilla(Sci::SCI_DOCUMENTSTART);
  const double keyStartMs = BestMs(kRuns, typeLetter);
  ed.undo();

  // Replace all: every note at once, as one step, and the repaint that shows it;
  // with the view at the top, and at the end, whose lines then all need styling
  // again (the lexer styles from the first changed line down to the view).
  shell.settings.SearchStr = "note";
  shell.settings.RepStr = "mark";
  shell.settings.MakeReplace = true;
  auto replaceAt = [&](long position) {
    return BestMs(
        kRuns,
        [&] {
          if (shell.statusMessages.size() > 0) ed.undo();
          ed.SendScintilla(Sci::SCI_GOTOPOS, static_cast<unsigned long>(position));
          ed.viewport()->repaint();
        },
        [&] {
          page.ReplaceAll();
          ed.viewport()->repaint();
        });
  };
  const double replaceTopMs = replaceAt(0);
  const double replaceEndMs = replaceAt(ed.SendScintilla(Sci::SCI_GETLENGTH));
  const QString replaced = shell.statusMessages.isEmpty() ? QString() : shell.statusMessages.back();

  std::printf("bench-script-assist: %d lines, %.2f MB, %zu tokens, zone of 20000 records, platform %s\n", ed.lines(),
              double(script.size()) / 1e6, tokens, qPrintable(QGuiApplication::platformName()));
  std::printf("  %-46s %9.3f ms   (baseline)\n", "full scan by the highlighter's scanner", scanMs);
  Row(qPrintable(u"open completion (\"Get\", %1 entries)"_s.arg(functionEntries)), completeMs, scanMs, 0.1);
  Note("  of which finding and ranking the entries", entriesMs, scanMs);
  Note("first completion after opening the script", firstCompleteMs, scanMs);
  Note(qPrintable(u"open object names (\"orc_w\", %1 entries)"_s.arg(nameEntries)), namesMs, scanMs);
  Row(qPrintable(u"mark occurrences after a jump (\"%1\")"_s.arg(QString::fromStdString(markedWord))),
      occurrencesMs, scanMs, 0.1);
  Note("one typed letter at the start of the script", keyStartMs, scanMs);
  Note("one typed letter at the end of the script", keyEndMs, scanMs);
  Row(qPrintable(u"replace all, view at the top (%1)"_s.arg(replaced)), replaceTopMs, scanMs, 3.0);
  Note("replace all, view at the end (restyles all)", replaceEndMs, scanMs);
  return 0;
}
