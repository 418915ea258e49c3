#include "masschange/ui/masschangepage.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "document/docpaths.h"
#include "document/documentsession.h"
#include "program/settings.h"
#include "shell/pagelinks.h"
#include "shell/prompts.h"
#include "shell/shellservices.h"
#include "common/qt/qtext.h"
#include "masschange/core/masschangeengine.h"
#include "masschange/ui/cp1251validator.h"
#include "masschange/ui/shellmasschangehost.h"

using namespace Qt::StringLiterals;

namespace kelvarin {

using O = MassChangeOpts;

namespace {

// A group box of the page: where it stands on which tab.
struct TGroup {
  TMassChangeGroup group;
  const char* name;
  const char16_t* caption;
  int width, height;
  int tab;  // 0 criteria, 1 actions
  int row, column;
  bool alignTop;
};

QString Name(const char* name) { return QString::fromLatin1(name); }

using enum TMassChangeGroup;
constexpr TGroup kGroups[] = {
    {Params, "MC_KR_ParamGB", u"По параметрам:", 302, 192, 0, 0, 0, false},
    {Coords, "MC_KR_CoordsGB", u"По расположению на зоне:", 302, 149, 0, 1, 0, true},
    {Types, "MC_KR_TypeGB", u"По типу объекта:", 129, 152, 0, 0, 1, true},
    {Objects, "MC_AS_ObjGB", u"Действия над самими объектами:", 526, 152, 1, 0, 0, false},
    {ParamChanges, "MC_AS_ParamsGB", u"Изменять параметры на:", 526, 214, 1, 1, 0, true},
};

std::size_t IndexOf(const TMassChangeControl* control) {
  Q_ASSERT(control);
  return std::size_t(control - MassChangeControls().data());
}

}  // namespace

TMassChangePage::TMassChangePage(TShellServices& shell, QWidget* parent) : QWidget(parent), m_shell(shell) {
  const auto controls = MassChangeControls();
  m_controls.resize(controls.size());
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  MassChangePK = new QTabWidget(this);
  MassChangePK->setObjectName(u"MassChangePK"_s);
  MassChangePK->addTab(BuildTab("MC_KriteriasSh", 0), u"Критерии отбора объектов"_s);
  MassChangePK->addTab(BuildTab("MC_ActionsSh", 1), u"Действия над отобранными объектами"_s);
  layout->addWidget(MassChangePK, 1);

  // Reset at the left, Go at the right.
  auto* panel = new QWidget(this);
  panel->setObjectName(u"MC_DownPanel"_s);
  panel->setFixedHeight(40);
  auto* buttons = new QHBoxLayout(panel);
  for (const TMassChangeControl& c : controls) {
    if (c.group != Panel) continue;
    if (c.column > 0) buttons->addStretch(1);
    buttons->addWidget(AddControl(c, nullptr, nullptr));
  }
  layout->addWidget(panel);
  for (QWidget* control : m_controls) Q_ASSERT(control);
  TickWhenFilled();

  // The criteria are shared: other pages read them, hear of every edit and tick,
  // and write areas in.
  TPageLinks& links = shell.Links();
  links.SetCriteriaSource(
      this,
      [this](const TAreaTexts* area) {
        MassChangeOpts opts = PageOptions();
        if (area) kelvarin::PutArea(opts, *area);
        return ParseCriteria(opts, LocaleDecimalSeparator());
      },
      [this](const TAreaTexts& area) { PutArea(area); });
  const auto changed = [links = QPointer<TPageLinks>(&links)] {
    if (links) links->NotifyCriteriaChanged();
  };
  for (std::size_t i = 0; i < controls.size(); ++i) {
    if (controls[i].flag) connect(static_cast<QAbstractButton*>(m_controls[i]), &QAbstractButton::toggled, this, changed);
    if (controls[i].text) connect(static_cast<QLineEdit*>(m_controls[i]), &QLineEdit::textChanged, this, changed);
  }
}

// ---- building ------------------------------------------------------------------

QWidget* TMassChangePage::BuildTab(const char* name, int tab) {
  auto* page = new QWidget(this);
  page->setObjectName(Name(name));
  auto* grid = new QGridLayout(page);
  grid->setContentsMargins(3, 1, 3, 3);
  int rows = 0, columns = 0;
  for (std::size_t i = 0; i < std::size(kGroups); ++i) {
    const TGroup& group = kGroups[i];
    if (group.tab != tab) continue;
    QGroupBox* box = BuildGroup(i);
    if (group.alignTop) grid->addWidget(box, group.row, group.column, Qt::AlignTop);
    else grid->addWidget(box, group.row, group.column);
    rows = std::max(rows, group.row + 1);
    columns = std::max(columns, group.column + 1);
  }
  // The groups keep to the top left corner.
  grid->setRowStretch(rows, 1);
  grid->setColumnStretch(columns, 1);
  return page;
}

QGroupBox* TMassChangePage::BuildGroup(std::size_t index) {
  const TGroup& group = kGroups[index];
  auto* box = new QGroupBox(QString::fromUtf16(group.caption), this);
  box->setObjectName(Name(group.name));
  box->setMinimumSize(group.width, group.height);
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(6, 4, 6, 4);
  grid->setVerticalSpacing(2);
  // Row by row, so that the keyboard walks them as the eye reads them.
  std::vector<const TMassChangeControl*> inGroup;
  for (const TMassChangeControl& c : MassChangeControls())
    if (c.group == group.group) inGroup.push_back(&c);
  std::stable_sort(inGroup.begin(), inGroup.end(), [](const auto* a, const auto* b) {
    return std::pair(a->row, a->column) < std::pair(b->row, b->column);
  });
  for (const TMassChangeControl* c : inGroup) AddControl(*c, box, grid);
  return box;
}

QWidget* TMassChangePage::AddControl(const TMassChangeControl& c, QGroupBox* box, QGridLayout* grid) {
  const QString caption = c.caption ? QString::fromUtf8(c.caption) : QString();
  QWidget* widget = nullptr;
  switch (c.kind) {
    case TMassChangeControlKind::CheckBox: widget = new QCheckBox(caption, this); break;
    case TMassChangeControlKind::RadioButton: {
      auto* button = new QRadioButton(caption, this);
      // Every mode change re-applies the delete-mode greying.
      connect(button, &QRadioButton::toggled, this, [this] { UpdateParamsEnabling(); });
      widget = button;
      break;
    }
    case TMassChangeControlKind::Edit: {
      QLabel* label = c.caption ? new QLabel(caption, box) : nullptr;
      auto* edit = new QLineEdit(this);
      // Without a name of its own a screen reader calls every field by its group's
      // title: the label's text, or the caption of the checkbox of its row.
      edit->setAccessibleName(c.caption ? caption : QString::fromUtf8(ControlOf(c.ticks)->caption));
      edit->setValidator(new TCp1251Validator(edit));
      if (label) {
        label->setBuddy(edit);
        grid->addWidget(label, c.row, c.column - 1);
      }
      widget = edit;
      break;
    }
    case TMassChangeControlKind::Button: {
      auto* button = new QPushButton(caption, box ? static_cast<QWidget*>(box) : this);
      connect(button, &QPushButton::clicked, this, [this, command = c.command] { RunCommand(command); });
      widget = button;
      break;
    }
  }
  widget->setObjectName(Name(c.name));
  if (grid) grid->addWidget(widget, c.row, c.column, 1, c.columnSpan);
  if (c.group == ParamChanges) m_paramChangeControls.push_back(widget);
  m_controls[IndexOf(&c)] = widget;
  return widget;
}

void TMassChangePage::TickWhenFilled() {
  const auto controls = MassChangeControls();
  for (const TMassChangeControl& c : controls) {
    if (c.kind != TMassChangeControlKind::CheckBox) continue;
    auto* box = static_cast<QAbstractButton*>(m_controls[IndexOf(&c)]);
    std::vector<QLineEdit*> edits;
    for (const TMassChangeControl& e : controls)
      if (e.ticks == c.flag) edits.push_back(static_cast<QLineEdit*>(m_controls[IndexOf(&e)]));
    for (QLineEdit* edit : edits)
      connect(edit, &QLineEdit::textChanged, this, [box, edits] {
        bool filled = true;
        for (const QLineEdit* e : edits) filled = filled && !e->text().isEmpty();
        box->setChecked(filled);
      });
  }
}

QAbstractButton* TMassChangePage::Button(bool O::*field) const {
  return static_cast<QAbstractButton*>(m_controls[IndexOf(ControlOf(field))]);
}

QLineEdit* TMassChangePage::Edit(std::string O::*field) const {
  return static_cast<QLineEdit*>(m_controls[IndexOf(ControlOf(field))]);
}

void TMassChangePage::RunCommand(TMassChangeCommand command) {
  switch (command) {
    case TMassChangeCommand::ChooseTarget: MC_AS_Obj_TargetMobSelButClick(); break;
    case TMassChangeCommand::Reset: ResetMassChangePage(); break;
    case TMassChangeCommand::Go: MC_GoButClick(); break;
    case TMassChangeCommand::None: break;
  }
}

// ---- options -------------------------------------------------------------------

void TMassChangePage::SetChecked(QAbstractButton* button, bool checked) {
  if (checked || !button->isChecked()) {
    button->setChecked(checked);  // checking a mode clears the other modes
    return;
  }
  // A checked radio button cannot be unchecked directly; a settings file may still
  // hold no mode at all, and the page then shows none.
  const bool exclusive = button->autoExclusive();
  button->setAutoExclusive(false);
  button->setChecked(false);
  button->setAutoExclusive(exclusive);
}

void TMassChangePage::SetTexts(const MassChangeOpts& opts) {
  for (const TMassChangeControl& c : MassChangeControls())
    if (c.text) Edit(c.text)->setText(FromCp1251(opts.*c.text));
}

void TMassChangePage::SetChecks(const MassChangeOpts& opts) {
  // In field order, the mode "only parameters" last: checking a mode clears the
  // others, so of several modes on, the last one wins.
  for (const TMassChangeControl& c : MassChangeControls())
    if (c.flag) SetChecked(Button(c.flag), opts.*c.flag);
}

MassChangeOpts TMassChangePage::PageOptions() const {
  MassChangeOpts opts;
  for (const TMassChangeControl& c : MassChangeControls()) {
    if (c.flag) opts.*c.flag = Button(c.flag)->isChecked();
    // The edits' validator keeps out what code page 1251 cannot hold.
    if (c.text) opts.*c.text = ToCp1251(Edit(c.text)->text()).value();
  }
  return opts;
}

void TMassChangePage::MassChangeOptsToPage() { PutOptions(m_shell.Settings().MassChange); }

void TMassChangePage::PutOptions(const MassChangeOpts& opts) {
  SetTexts(opts);   // their change handlers tick checkboxes...
  SetChecks(opts);  // ...and the given states win
}

void TMassChangePage::PutArea(const TAreaTexts& area) {
  MassChangeOpts opts = PageOptions();
  kelvarin::PutArea(opts, area);
  PutOptions(opts);
}

void TMassChangePage::MassChangePageToOpts() {
  m_shell.Settings().MassChange = PageOptions();
  m_shell.SaveSettings();
}

void TMassChangePage::ResetMassChangePage() {
  const MassChangeOpts defaults;
  SetChecks(defaults);
  SetTexts(defaults);
  MassChangePageToOpts();
}

void TMassChangePage::UpdateParamsEnabling() {
  if (!m_shell.Session().Opened()) return;
  const bool enable = !Button(&O::MC_AS_Obj_DelRB)->isChecked();
  for (QWidget* control : m_paramChangeControls) control->setEnabled(enable);
}

// ---- commands ------------------------------------------------------------------

void TMassChangePage::MC_AS_Obj_TargetMobSelButClick() {
  const QString chosen = m_shell.Prompts().ChooseOpenFile(FromCp1251(m_shell.Settings().WorkPath));
  if (chosen.isEmpty()) return;
  const QString path = QFileInfo(chosen).absoluteFilePath();
  if (!ToCp1251(path)) {
    m_shell.Prompts().ShowMessage(
        u"Путь "_s + path +
            u" содержит символы, которых нет в кодировке 1251: такой целевой моб не сохранить в "
            u"настройках. Переименуйте файл или папку."_s,
        TPrompts::Icon::Error);
    return;
  }
  Edit(&O::MC_AS_Obj_TargetMobEd)->setText(path);
  // The next settings save keeps the folder; nothing is written now.
  m_shell.Settings().WorkPath = *ToCp1251(FromUtf8(FolderOf(ToUtf8(path))));
}

void TMassChangePage::MC_GoButClick() {
  m_shell.CommitEdits();  // the run reads and changes the records
  // A snapshot: nothing the user could change during a threaded run reaches it.
  const TMassChangeParse options = ParseMassChange(PageOptions(), LocaleDecimalSeparator());
  TShellMassChangeHost host(m_shell);
  const TMassChangeResult result = RunMassChanges(host, options);
  // The log page may not be showing: the summary is in the status bar as well.
  if (!result.summary.empty()) m_shell.ShowStatusMessage(FromUtf8(result.summary));
}

}  // namespace kelvarin
