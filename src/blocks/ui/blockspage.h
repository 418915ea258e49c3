// The Blocks page: the open file's structure as its reader and writer see it. The
// block table (file order, the object block's parts under it, the tail last), the
// hex view of the selected unknown block or unknown object sub-block, and the two
// commands on the selected row: save a block to a file, and replace an unknown
// block or sub-block from such a file (one step of the record history). The table
// is the file as last read or written: it is taken again when a document opens, is
// saved or comes back from a mass change, and otherwise only its marks of replaced
// blocks change. While the busy lock is held the page keeps its last picture,
// greyed, and reads nothing of the document until the release.
#pragma once

#include <QWidget>
#include <memory>
#include <optional>

#include "blocks/core/blockbaseline.h"
#include "blocks/ui/blockstablemodel.h"
#include "mob/blocklayout.h"
#include "document/blockcommands.h"
#include "document/documentsession.h"
#include "shell/page.h"

class QLabel;
class QPushButton;
class QTreeView;

namespace kelvarin {

class TShellServices;
class THexView;

class TBlocksPage : public QWidget, public TPage, private TDocumentListener {
  Q_OBJECT

 public:
  explicit TBlocksPage(TShellServices& shell, QWidget* parent = nullptr);
  ~TBlocksPage() override;

  // ---- TPage
  QWidget* PageWidget() override { return this; }
  // The page is not in the busy lock's list: it greys itself while the session is
  // busy, as the lock would.
  void ControlsEnabled() override { UpdateButtons(); }

  // The commands of the two buttons, on the selected row.
  void ExportSelected();
  void ReplaceSelected();

  // The selected row of the table; nullopt when none is.
  std::optional<TBlockRow> SelectedRow() const;
  // The unknown block or unknown object sub-block a row stands for.
  std::optional<TUnknownBlockRef> UnknownBlockOf(const TBlockRow& row) const;

  QTreeView* BlocksTable() const { return m_table; }
  TBlocksTableModel* TableModel() const { return m_model; }
  THexView* HexView() const { return m_hex; }
  QLabel* InfoLab() const { return m_info; }
  QPushButton* ExportBut() const { return m_exportBut; }
  QPushButton* ReplaceBut() const { return m_replaceBut; }

 private:
  // TDocumentListener
  // On a load's or save's worker thread: the picture of the file, for TakeFile.
  void PrepareDocument(const TMob& mob) override { PreparePicture(mob); }
  void PrepareSaved(const TMob& mob) override { PreparePicture(mob); }
  void DocumentOpened() override { TakeFile(); }
  void DocumentClosed() override;
  void DocumentSaved(bool) override { TakeFile(); }
  void LoadFailed() override { m_prepared.reset(); }
  void SaveFailed() override { m_prepared.reset(); }
  void RecordsChanged(const TRecordsChange& change, TChangeCause cause, const TDocumentListener* origin) override;

  // What TakeFile reads from the document: its file's layout and the unknown
  // blocks' fingerprints (a pass over every unknown block's bytes).
  struct TPicture {
    TBlockLayout layout;
    TBlockBaseline baseline;
    std::size_t records = 0;  // the document's, to tell a picture of another
    std::size_t unknownBlocks = 0;
  };
  void PreparePicture(const TMob& mob);
  void BusyChanged(bool busy) override;

  // The document matches its file now: a new picture and a new baseline.
  void TakeFile();
  void UpdateMarks();
  void ShowSelected();
  void UpdateButtons();
  // The bytes of the selected row as a file of it holds them (the whole block).
  std::optional<Bytes> BytesOf(const TBlockRow& row) const;
  // "Блок № 4", "Неизвестный объект № 1", "Хвост": a row as messages name it.
  QString RowName(const TBlockRow& row) const;
  bool DocumentReadable() const;

  TShellServices& m_shell;
  // Kept apart from the shell: the page is removed from the session when it goes,
  // and the session outlives the window's services.
  TDocumentSession& m_session;
  TBlocksTableModel* m_model;
  QTreeView* m_table;
  THexView* m_hex;
  QLabel* m_info;
  QPushButton* m_exportBut;
  QPushButton* m_replaceBut;
  TBlockBaseline m_baseline;
  std::unique_ptr<TPicture> m_prepared;  // until TakeFile takes it
  bool m_fileStale = false;   // the picture is to be taken again at the lock's release
  bool m_marksStale = false;  // the marks are to be updated then
};

}  // namespace kelvarin
