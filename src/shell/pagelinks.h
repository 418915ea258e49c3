// What the pages share besides the document: the records shown as selected (the
// Objects page's tree and the map follow each other's choice) and the mass-change
// criteria as their page holds them, read and checked (the map draws them,
// previews what they select and writes drawn areas into them). A page offers or follows these here, never
// through another page.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <optional>
#include <vector>

#include "criteria/areatexts.h"
#include "criteria/selectioncriteria.h"
#include "mob/objref.h"

namespace kelvarin {

class TPageLinks : public QObject {
  Q_OBJECT
 public:
  // Reads the criteria, with `withArea` (when given) in place of the area of its type.
  using TReadCriteria = std::function<TCriteriaReading(const TAreaTexts* withArea)>;
  using TPutArea = std::function<void(const TAreaTexts&)>;

  // ---- the selected records
  // The records selected last on any page, the current one first; empty for none.
  const std::vector<TObjRef>& SelectedRecords() const { return m_selected; }
  // The current one of them; nullopt for none.
  std::optional<TObjRef> SelectedRecord() const {
    return m_selected.empty() ? std::nullopt : std::optional<TObjRef>(m_selected.front());
  }
  // Tells every page but `from` (the one selecting; nullptr tells them all). The
  // same records again are news too: another page may have shown something else
  // meanwhile (an undo shows the record it touched without selecting it here).
  void SelectRecords(std::vector<TObjRef> refs, const QObject* from) {
    m_selected = std::move(refs);
    emit RecordsSelected(m_selected, from);
    emit SelectionChanged(m_selected);
  }
  // What a page selects as it follows an undo or redo, which every page follows
  // on its own: kept as the selection, and told to no page (told again, the map
  // would move its view to it).
  void NoteSelection(std::vector<TObjRef> refs) {
    m_selected = std::move(refs);
    emit SelectionChanged(m_selected);
  }
  void SelectRecord(std::optional<TObjRef> ref, const QObject* from) {
    SelectRecords(ref ? std::vector<TObjRef>{*ref} : std::vector<TObjRef>{}, from);
  }

  // ---- the mass-change criteria
  // The page holding the criteria offers them: how to read them as they stand and
  // how to write an area into them. It lives as long as `owner`.
  void SetCriteriaSource(QObject* owner, TReadCriteria read, TPutArea put) {
    m_criteriaOwner = owner;
    m_readCriteria = std::move(read);
    m_putArea = std::move(put);
    emit CriteriaChanged();
  }
  // The criteria as their page holds them now, or the check's message for them;
  // with `withArea`, as they would read once that area is written in. nullopt when
  // no page offers them.
  std::optional<TCriteriaReading> Criteria(const TAreaTexts* withArea = nullptr) const {
    if (!m_criteriaOwner || !m_readCriteria) return std::nullopt;
    return m_readCriteria(withArea);
  }
  // Writes `area` into the criteria's edits (ticking its shape), replacing the area
  // of its type; false when no page holds the criteria.
  bool PutArea(const TAreaTexts& area) {
    if (!m_criteriaOwner || !m_putArea) return false;
    m_putArea(area);
    return true;
  }
  // The page holding the criteria says they have changed (every edit and tick).
  void NotifyCriteriaChanged() { emit CriteriaChanged(); }

 signals:
  void RecordsSelected(const std::vector<kelvarin::TObjRef>& refs, const QObject* from);
  // The selection, however it changed: for what shows it outside the pages.
  void SelectionChanged(const std::vector<kelvarin::TObjRef>& refs);
  void CriteriaChanged();

 private:
  std::vector<TObjRef> m_selected;
  QPointer<QObject> m_criteriaOwner;
  TReadCriteria m_readCriteria;
  TPutArea m_putArea;
};

}  // namespace kelvarin
