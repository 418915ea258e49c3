// The page "Массовые измененя": criteria and actions of a mass change, the rules
// that tie its controls together, the Reset and Go buttons, and the choice of the
// target file. Every control carries its name as objectName; the page hands the
// main window the ones its busy lock takes, in the lock's order.
#pragma once

#include <QWidget>
#include <vector>

#include "masschange/core/masschangeopts.h"
#include "shell/page.h"

class QAbstractButton;
class QCheckBox;
class QGridLayout;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace kelvarin {

class TShellServices;

class MassChangePage : public QWidget, public TPage {
  Q_OBJECT
 public:
  explicit MassChangePage(TShellServices& shell, QWidget* parent = nullptr);

  // ---- TPage
  QWidget* PageWidget() override { return this; }
  // The criteria, then the actions, then Reset, Go and "only parameters".
  std::vector<QWidget*> LockedControls() const override { return m_lockedControls; }
  void ControlsEnabled() override { UpdateParamsEnabling(); }
  void WindowShown() override { MassChangeOptsToPage(); }
  void WindowClosing() override { MassChangePageToOpts(); }

  // The stored options (the settings' MassChangeOpts) into the controls: texts
  // first, so that the stored checked states win over the automatic ticking.
  void MassChangeOptsToPage();
  // The controls into the stored options, then the settings file is written.
  void MassChangePageToOpts();
  // In delete mode the parameter changes are greyed out (with a document open).
  void UpdateParamsEnabling();
  // "Сбросить": the defaults on the page and in the settings file at once.
  void ResetMassChangePage();
  // "Выбрать...": the target file through the open dialog.
  void MC_AS_Obj_TargetMobSelButClick();
  // "Выполнить изменения!": a mass change with the options as the page holds them.
  void MC_GoButClick();

  // The options as the page holds them now.
  MassChangeOpts PageOptions() const;
  // Puts `opts` onto the page as the stored options are put (texts, then checked
  // states): what other pages fill in through the shared criteria.
  void PutOptions(const MassChangeOpts& opts);

 private:
  QCheckBox* AddCheckBox(const char* name, const QString& caption);
  QRadioButton* AddRadioButton(const char* name, const QString& caption);
  QLineEdit* AddEdit(const char* name, const QString& accessibleName);
  QGroupBox* AddGroupBox(const char* name, const QString& caption, int width, int height,
                         QGridLayout*& grid);
  QWidget* BuildCriteriaPage();
  QWidget* BuildActionsPage();
  // Ticks `box` while every one of `edits` holds text, unticks it otherwise.
  void TickWhenFilled(QCheckBox* box, std::vector<QLineEdit*> edits);
  // The stored texts, or checked states, onto the page in field order.
  void SetTexts(const MassChangeOpts& opts);
  void SetChecks(const MassChangeOpts& opts);
  static void SetChecked(QAbstractButton* button, bool checked);

  TShellServices& m_shell;
  QTabWidget* MassChangePK = nullptr;
  QPushButton* MC_ResetBut = nullptr;
  QPushButton* MC_GoBut = nullptr;
  QPushButton* MC_AS_Obj_TargetMobSelBut = nullptr;
  QRadioButton* MC_AS_Obj_DelRB = nullptr;
  QLineEdit* MC_AS_Obj_TargetMobEd = nullptr;
  // The controls of the option fields, in the order of MassChangeBoolFields() and
  // MassChangeTextFields().
  std::vector<QAbstractButton*> m_boolControls;
  std::vector<QLineEdit*> m_textControls;
  // What delete mode greys out.
  std::vector<QWidget*> m_paramChangeControls;
  std::vector<QWidget*> m_lockedControls;
};

}  // namespace kelvarin
