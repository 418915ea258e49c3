// The recovery journal in the editor: the work of an editor that died (a record
// edited, the script typed into) is offered at the next start and comes back into
// the pages on "Восстановить", goes on "Удалить", stays on "Позже"; a file changed
// since is refused with a message and its journal kept.
#include <QDir>

#include "common/qt/qtext.h"
#include "document/recordcommands.h"
#include "editor_fixture.h"
#include "recovery/ui/recoveryguard.h"
#include "support/filebytes.h"

namespace kelvarin::test {
namespace {

using namespace Qt::StringLiterals;

TEST_F(EditorTest, TheWorkOfAnEditorThatDiedIsOfferedBack) {
  const struct {
    const char* name;
    TRecoveryChoice choice;
    bool fileChanged;
  } cases[] = {
      {"restore", TRecoveryChoice::Restore, false},
      {"delete", TRecoveryChoice::Delete, false},
      {"later", TRecoveryChoice::Later, false},
      {"restore a changed file", TRecoveryChoice::Restore, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string root = ToUtf8(TempPath(QString::fromLatin1(c.name)));
    const QString zone = MakeZone(u"zone.mob"_s);
    TDocumentSession& session = m_window->Session();
    ASSERT_TRUE(m_window->OpenMob(zone));
    const TObjRef ref{ObjKind::Unit, 1};
    {
      TRecoveryGuard dying(*m_window, root);
      ASSERT_TRUE(session.Apply(TFieldEditCommand::Set(session.Mob(), ref, "LoadX", TFieldValue(1234.5f), "x")));
      ScriptEd()->insert(u"// набрано\n"_s);
      dying.FlushNow();
    }
    // Gone without a word: what the window holds is dropped, the journal stays.
    session.Close();
    if (c.fileChanged) WriteFileBytes(ToUtf8(zone), FileBytes(zone) + "!");
    m_prompts.Clear();

    auto next = std::make_unique<TRecoveryGuard>(*m_window, root);
    QString asked;
    next->SetAsk([&](const QString& text) {
      asked = text;
      return c.choice;
    });
    next->OfferLeftJournals();
    EXPECT_TRUE(asked.startsWith(u"Восстановить несохранённые изменения файла "_s + zone + u"?"_s)) << ToUtf8(asked);
    const bool restored = c.choice == TRecoveryChoice::Restore && !c.fileChanged;
    EXPECT_EQ(session.Opened(), restored);
    if (restored) {
      EXPECT_TRUE(session.Modified());
      EXPECT_EQ(std::get<float>(*ReadFieldValue(session.Mob(), ref, "LoadX")), 1234.5f);
      EXPECT_TRUE(ScriptEd()->text().startsWith(u"// набрано\n"_s));
      EXPECT_EQ(session.History().NextUndo()->Caption(), "Восстановление");
    }
    if (c.fileChanged) {
      ASSERT_EQ(m_prompts.Texts().size(), 1);
      EXPECT_TRUE(m_prompts.Texts()[0].startsWith(u"Несохранённые изменения файла "_s + zone + u" не восстановлены: файл "_s))
          << ToUtf8(m_prompts.Texts()[0]);
    }
    // The old journal is left only when the user asked for it or the file refused it.
    const bool kept = c.choice == TRecoveryChoice::Later || c.fileChanged;
    EXPECT_EQ(FindLeftJournals(root).size(), kept ? 1u : 0u);
    // A normal close leaves nothing of this editor's own behind.
    session.Close();
    next.reset();
    EXPECT_EQ(QDir(FromUtf8(root)).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size(), kept ? 1 : 0);
  }
}

}  // namespace
}  // namespace kelvarin::test
