// The page "Массовые измененя": criteria and actions of a mass change, the rules
// that tie its controls together, the Reset and Go buttons, and the choice of the
// target file. Every control carries its name as objectName; the page hands the
// main window the ones its busy lock takes, in the lock's order.
#pragma once

#include <QWidget>
#include <vector>

#include "criteria/areatexts.h"
#include "masschange/core/masschangeopts.h"
#include "shell/page.h"

class QAbstractButton;
class QGridLayout;
class QGroupBox;
class QLineEdit;
class QTabWidget;

namespace kelvarin {

class TShellServices;

class TMassChangePage : public QWidget, public TPage {
  Q_OBJECT
 public:
  explicit TMassChangePage(TShellServices& shell, QWidget* parent = nullptr);

  // ---- TPage
  QWidget* PageWidget() override { return this; }
  // The criteria, then the actions, then Reset, Go and "only parameters".
  std::vector<QWidget*> LockedControls() const override { return m_controls; }
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
  // states).
  void PutOptions(const MassChangeOpts& opts);
  // Writes an area other pages have drawn into its edits.
  void PutArea(const TAreaTexts& area);

 private:
  // The group box kGroups[`index`] (masschangepage.cpp) with its controls of the
  // table in masschangeopts.h, created and laid out row by row.
  QGroupBox* BuildGroup(std::size_t index);
  QWidget* AddControl(const TMassChangeControl& control, QGroupBox* box, QGridLayout* grid);
  QWidget* BuildTab(const char* name, int tab);
  // Ticks each checkbox while every edit that ticks it holds text, unticks it otherwise.
  void TickWhenFilled();
  void RunCommand(TMassChangeCommand command);
  // The stored texts, or checked states, onto the page in field order.
  void SetTexts(const MassChangeOpts& opts);
  void SetChecks(const MassChangeOpts& opts);
  static void SetChecked(QAbstractButton* button, bool checked);

  QAbstractButton* Button(bool MassChangeOpts::*field) const;
  QLineEdit* Edit(std::string MassChangeOpts::*field) const;

  TShellServices& m_shell;
  QTabWidget* MassChangePK = nullptr;
  // The widget of each control, in the order of MassChangeControls().
  std::vector<QWidget*> m_controls;
  // What delete mode greys out.
  std::vector<QWidget*> m_paramChangeControls;
};

}  // namespace kelvarin
