// What the pages share besides the document: the record shown as selected (the
// Objects page's tree and the map follow each other's choice) and the mass-change
// criteria as their page holds them, read and checked (the map draws them,
// previews what they select and writes drawn areas into them). A page offers or follows these here, never
// through another page.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <optional>

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

  // ---- the selected record
  // The record selected last on any page; nullopt for none.
  std::optional<TObjRef> SelectedRecord() const { return m_selected; }
  // Tells every page but `from` (the one selecting). The same record again is
  // news too: another page may have shown something else meanwhile (an undo
  // shows the record it touched without selecting it here).
  void SelectRecord(std::optional<TObjRef> ref, const QObject* from) {
    m_selected = ref;
    emit RecordSelected(ref, from);
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
  void RecordSelected(std::optional<kelvarin::TObjRef> ref, const QObject* from);
  void CriteriaChanged();

 private:
  std::optional<TObjRef> m_selected;
  QPointer<QObject> m_criteriaOwner;
  TReadCriteria m_readCriteria;
  TPutArea m_putArea;
};

}  // namespace kelvarin
