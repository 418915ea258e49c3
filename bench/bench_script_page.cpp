// The script page with a generated 100,000-line script: opening it, painting it,
// jumping to its end (which styles every line), scrolling through it in 200 stops,
// searching to its last line and handing it back for a save. Each timing stands
// beside the same step on a plain QScintilla editor without lexer or gutter,
// measured in the same run.
//
//   xvfb-run -a build-release/bin/bench-script-page [LINES]
//   (without a display it falls back to Qt's offscreen platform)
#include <Qsci/qsciscintilla.h>

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "mob/generator.h"
#include "mob/tmob.h"
#include "script/core/scripttext.h"
#include "script/ui/scripteditor.h"
#include "script/ui/scriptpage.h"
#include "support/fakeshell.h"

#include "benchutil.h"

using namespace Qt::StringLiterals;

using namespace kelvarin;
using kelvarin::bench::Ms;

namespace {

struct Scroll {
  double totalMs = 0, worstMs = 0;
  int steps = 0;
};

// Scrolls from the top to the end in `steps` even jumps of many pages each,
// painting every stop: each stop shows lines never shown (nor styled) before.
Scroll ScrollThrough(QsciScintilla& ed, int steps = 200) {
  Scroll s;
  const long stride = std::max(1L, long(ed.lines()) / steps);
  for (long top = 0; top < ed.lines(); top += stride) {
    const double ms = Ms([&] {
      ed.SendScintilla(QsciScintillaBase::SCI_SETFIRSTVISIBLELINE, static_cast<unsigned long>(top));
      ed.viewport()->repaint();
    });
    s.totalMs += ms;
    s.worstMs = std::max(s.worstMs, ms);
    ++s.steps;
  }
  return s;
}

void Row(const char* what, double ms, double baseMs) {
  std::printf("  %-34s %9.1f ms   plain editor %9.1f ms   %5.2fx\n", what, ms, baseMs, ms / baseMs);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const std::size_t lines = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;

  TFakeShell shell;
  GenerateZone(shell.mob, {.records = 8, .seed = 1, .scriptLines = lines});
  shell.session.Adopt("zone.mob");
  const std::string utf8 = ScriptTextToEditor(shell.mob.ScriptText);

  QsciScintilla plain;
  plain.setUtf8(true);
  plain.resize(900, 700);
  plain.show();
  TScriptPage page(shell);
  page.resize(900, 700);
  page.show();
  QApplication::processEvents();
  TScriptEditor& ed = *page.ScriptEd();

  const double plainOpen = Ms([&] {
    plain.SendScintilla(QsciScintillaBase::SCI_CLEARALL);
    plain.SendScintilla(QsciScintillaBase::SCI_APPENDTEXT, static_cast<uintptr_t>(utf8.size()), utf8.data());
    plain.SendScintilla(QsciScintillaBase::SCI_EMPTYUNDOBUFFER);
    plain.viewport()->repaint();
  });
  const double pageOpen = Ms([&] {
    page.MobToScript();
    ed.viewport()->repaint();
  });
  const double plainEnd = Ms([&] {
    plain.SendScintilla(QsciScintillaBase::SCI_DOCUMENTEND);
    plain.viewport()->repaint();
  });
  const double pageEnd = Ms([&] {
    ed.SendScintilla(QsciScintillaBase::SCI_DOCUMENTEND);
    ed.viewport()->repaint();
  });
  const Scroll plainScroll = ScrollThrough(plain);
  const Scroll pageScroll = ScrollThrough(ed);

  // Search from the top for the closing brace on the last line, through all text.
  shell.settings.SearchStr = "}";
  const double plainSearch = Ms([&] {
    plain.SendScintilla(QsciScintillaBase::SCI_GOTOPOS, 0UL);
    plain.findFirst(u"}"_s, false, false, false, false);
  });
  const double pageSearch = Ms([&] {
    ed.SendScintilla(QsciScintillaBase::SCI_GOTOPOS, 0UL);
    page.SearchNext();
  });
  const double plainText = Ms([&] { volatile auto n = plain.text().size(); (void)n; });
  const double pageSave = Ms([&] { page.ScriptToMob(); });

  std::printf("bench-script-page: %d lines, %.2f MB of UTF-8, window 900 x 700, platform %s\n", ed.lines(),
              double(utf8.size()) / 1e6, qPrintable(QGuiApplication::platformName()));
  Row("open and first paint", pageOpen, plainOpen);
  Row("jump to the end (styles every line)", pageEnd, plainEnd);
  Row("scroll through in 200 stops", pageScroll.totalMs, plainScroll.totalMs);
  std::printf("  %-34s %9.2f ms   plain editor %9.2f ms   (%d stops)\n", "  slowest stop", pageScroll.worstMs,
              plainScroll.worstMs, pageScroll.steps);
  Row("search top to last line", pageSearch, plainSearch);
  Row("ScriptToMob / plain text()", pageSave, plainText);
  return 0;
}
