// What the pages share besides the document: the record shown as selected (the
// Objects page's tree and the map follow each other's choice) and the mass-change
// criteria as their page holds them (the map draws them, previews what they
// select and fills their areas in). A page offers or follows these here, never
// through another page.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <optional>

#include "masschange/core/masschangeopts.h"
#include "mob/objref.h"

namespace kelvarin {

class TPageLinks : public QObject {
  Q_OBJECT
 public:
  using TReadCriteria = std::function<MassChangeOpts()>;
  using TPutCriteria = std::function<void(const MassChangeOpts&)>;

  // ---- the selected record
  // The record selected last on any page; nullopt for none.
  std::optional<ObjRef> SelectedRecord() const { return m_selected; }
  // Tells every page but `from` (the one selecting). The same record again is
  // news too: another page may have shown something else meanwhile (an undo
  // shows the record it touched without selecting it here).
  void SelectRecord(std::optional<ObjRef> ref, const QObject* from) {
    m_selected = ref;
    emit RecordSelected(ref, from);
  }

  // ---- the mass-change criteria
  // The page holding the criteria offers them: how to read them as they stand and
  // how to put options onto it. It lives as long as `owner`.
  void SetCriteriaSource(QObject* owner, TReadCriteria read, TPutCriteria put) {
    m_criteriaOwner = owner;
    m_readCriteria = std::move(read);
    m_putCriteria = std::move(put);
    emit CriteriaChanged();
  }
  // The options as their page holds them now; nullopt when no page offers them.
  std::optional<MassChangeOpts> Criteria() const {
    if (!m_criteriaOwner || !m_readCriteria) return std::nullopt;
    return m_readCriteria();
  }
  // Puts `opts` onto the page that holds the criteria; false when there is none.
  bool PutCriteria(const MassChangeOpts& opts) {
    if (!m_criteriaOwner || !m_putCriteria) return false;
    m_putCriteria(opts);
    return true;
  }
  // The page holding the criteria says they have changed (every edit and tick).
  void NotifyCriteriaChanged() { emit CriteriaChanged(); }

 signals:
  void RecordSelected(std::optional<kelvarin::ObjRef> ref, const QObject* from);
  void CriteriaChanged();

 private:
  std::optional<ObjRef> m_selected;
  QPointer<QObject> m_criteriaOwner;
  TReadCriteria m_readCriteria;
  TPutCriteria m_putCriteria;
};

}  // namespace kelvarin
