// The page "Карта": every placed record of the open document seen from above,
// with a legend that shows and hides each kind and counts it, the records that
// cannot be placed (NaN or infinite coordinates) listed beside it, the selection
// shared with the Objects page, moving records by dragging them (one step of the
// record history per drag), and the areas of mass changes: the criteria's own,
// drawn with the records a run would select, and areas drawn here, which a
// command writes into the criteria. While the busy lock is held the page keeps
// its last picture, greyed, and takes no input.
#pragma once

#include <QTimer>
#include <QWidget>
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "document/documentsession.h"
#include "map/core/areafields.h"
#include "map/core/criteriaselection.h"
#include "map/core/zoneindex.h"
#include "map/ui/mapcanvas.h"
#include "shell/page.h"
#include "shell/recordactions.h"

class QAbstractButton;
class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace kelvarin {

class TShellServices;

class TMapPage : public QWidget, public TPage, private TDocumentListener {
  Q_OBJECT
 public:
  explicit TMapPage(TShellServices& shell, QWidget* parent = nullptr);
  ~TMapPage() override;

  // ---- TPage
  QWidget* PageWidget() override { return this; }
  // While the picture has the focus: Delete, Ctrl+D, Ctrl+C, Ctrl+X and Ctrl+V
  // act on the selected records.
  bool KeyDown(int key, Qt::KeyboardModifiers modifiers) override;

  // Selects the records inside the drawn area (of the kinds shown); false when
  // nothing is drawn.
  bool SelectDrawnArea();
  // Pastes the clipboard's records with the middle of their group at `at`.
  bool PasteAt(TPlanePosition at);

  // Writes the drawn area into the mass-change criteria (replacing an area of
  // the same type there) and ticks it; false when nothing is drawn or no page
  // holds the criteria.
  bool FillCriteria();
  // The current view as a PNG picture; false (after saying why) when it cannot
  // be written.
  bool ExportPng(const QString& path);
  void ExportPngAsked();

  // Brings the picture and the counts up to date with the document and the
  // criteria now, rather than at the next turn of the event loop.
  void RefreshNow();

  // The record's kind, name, identity and place, as the tooltip shows it.
  QString Describe(TObjRef ref) const;

  TMapCanvas* Canvas() const { return m_canvas; }
  const TZoneIndex& Zone() const { return m_zone; }
  QCheckBox* LegendEntry(ObjKind kind) const { return m_legend[std::size_t(kind)]; }
  QListWidget* UnplacedList() const { return m_unplaced; }
  QLabel* Info() const { return m_info; }
  // What the mass-change criteria select now, and what the drawn area would.
  const TCriteriaSelection& CriteriaPreview() const { return m_preview; }
  const std::optional<TCriteriaSelection>& DrawnSelection() const { return m_drawnSelection; }

  // The texts a drawn area becomes in the criteria.
  using TDrawnTexts = TAreaTexts;

 private:
  // TDocumentListener
  // On a load's worker thread: the zone index, ready for the rebuild.
  void PrepareDocument(const TMob& mob) override;
  void DocumentOpened() override;
  void DocumentClosed() override;
  // Saving changes no record: the view stays, fitted to the file's new name.
  void DocumentSaved(bool) override { m_fittedPath = m_session.Path(); }
  void LoadFailed() override { m_preparedZone.reset(); }
  void RecordsChanged(const TRecordsChange& change, TChangeCause cause, const TDocumentListener* origin) override;
  void BusyChanged(bool busy) override;

  QWidget* BuildToolBar();
  QWidget* BuildSidePanel();
  void Rebuild();
  void UpdateLegend();
  void UpdateUnplaced();
  void SchedulePreview();
  void RefreshPreview();
  void SetInfo(const QString& text);

  void RecordClicked(std::optional<TObjRef> ref);
  void RecordActivated(TObjRef ref);
  void OtherPageSelected(const std::vector<TObjRef>& refs, const QObject* from);
  void RecordToggled(TObjRef ref);
  // The records a drag of `ref` moves: the whole selection when `ref` is in it.
  std::vector<TObjRef> DragGroup(TObjRef ref) const;
  void ShowGroupAt(TObjRef ref, TPlanePosition position);
  void RecordDragged(TObjRef ref, TPlanePosition position);
  void DragFinished(TObjRef ref, TPlanePosition from, TPlanePosition to);
  void DragCancelled(TObjRef ref, TPlanePosition from);
  void ShapeChanged();
  void CursorMoved(std::optional<TPlanePoint> point);
  void ContextMenuAsked(QPoint globalPos);
  void LegendToggled();

  bool DocumentReadable() const;
  char DecimalSeparator() const { return m_canvas->DecimalSeparator(); }

  TShellServices& m_shell;
  TDocumentSession& m_session;
  TZoneIndex m_zone;
  std::unique_ptr<TZoneIndex> m_preparedZone;  // what a load built, until a rebuild takes it
  TMapCanvas* m_canvas;
  QWidget* m_sidePanel = nullptr;  // the legend and the records without a place
  std::array<QCheckBox*, kObjKindCount> m_legend{};
  QListWidget* m_unplaced = nullptr;
  QLabel* m_unplacedTitle = nullptr;
  QLabel* m_info = nullptr;
  QPushButton* m_fillBut = nullptr;
  QPushButton* m_clearBut = nullptr;
  std::vector<QWidget*> m_inputs;  // what the busy lock leaves unusable
  QTimer m_previewTimer;

  bool m_indexStale = false;  // the document changed while it was held
  std::string m_fittedPath;   // the file the view was last fitted to
  TCriteriaSelection m_preview;
  std::optional<TCriteriaSelection> m_drawnSelection;
  std::optional<TDrawnTexts> m_drawnTexts;
  std::string m_lastCriteriaError;
  // Where the records of the drag under way stood when it began.
  std::vector<std::pair<TObjRef, TPlanePosition>> m_dragStart;
  TRecordActions m_actions;
};

}  // namespace kelvarin
