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

#include "document/docpaths.h"
#include "app/core/settings.h"
#include "shell/pagelinks.h"
#include "shell/prompts.h"
#include "shell/shellservices.h"
#include "common/qt/qtext.h"
#include "masschange/core/masschangeengine.h"
#include "masschange/ui/cp1251validator.h"
#include "masschange/ui/shellmasschangehost.h"

using namespace Qt::StringLiterals;

namespace kelvarin {
namespace {

QString Name(const char* name) { return QString::fromLatin1(name); }

// A checkbox and its edit on one row of a group.
struct ParamRow {
  const char* box;
  const char* edit;
  const char16_t* caption;
};

constexpr ParamRow kCriteriaRows[] = {
    {"MC_KR_Param_Name1CB", "MC_KR_Param_Name1Ed", u"Prototype"},
    {"MC_KR_Param_Name2CB", "MC_KR_Param_Name2Ed", u"Name"},
    {"MC_KR_Param_ScriptVariableNameCB", "MC_KR_Param_ScriptVariableNameEd", u"ScriptVariableName"},
    {"MC_KR_Param_Model3dCB", "MC_KR_Param_Model3dEd", u"Model3d"},
    {"MC_KR_Param_FirstTextureCB", "MC_KR_Param_FirstTextureEd", u"FirstTexture"},
    {"MC_KR_Param_SecondTextureCB", "MC_KR_Param_SecondTextureEd", u"SecondTexture"},
    {"MC_KR_Param_PlayerNumberCB", "MC_KR_Param_PlayerNumberEd", u"PlayerNumber"},
};

constexpr ParamRow kChangeRows[] = {
    {"MC_AS_Params_Name1CB", "MC_AS_Params_Name1Ed", u"Name1"},
    {"MC_AS_Params_Name2CB", "MC_AS_Params_Name2Ed", u"Name2"},
    {"MC_AS_Params_ScriptVariableNameCB", "MC_AS_Params_ScriptVariableNameEd", u"ScriptVariableName"},
    {"MC_AS_Params_Model3dCB", "MC_AS_Params_Model3dEd", u"Model3d"},
    {"MC_AS_Params_FirstTextureCB", "MC_AS_Params_FirstTextureEd", u"FirstTexture"},
    {"MC_AS_Params_SecondTextureCB", "MC_AS_Params_SecondTextureEd", u"SecondTexture"},
    {"MC_AS_Params_PlayerNumberCB", "MC_AS_Params_PlayerNumberEd", u"PlayerNumber"},
};

// The controls the busy lock takes, in the order it walks them.
constexpr const char* kLockedControls[] = {
    // Criteria.
    "MC_KR_Param_Name1CB", "MC_KR_Param_Name1Ed", "MC_KR_Param_Name2CB", "MC_KR_Param_Name2Ed",
    "MC_KR_Param_ScriptVariableNameCB", "MC_KR_Param_ScriptVariableNameEd",
    "MC_KR_Param_Model3dCB", "MC_KR_Param_Model3dEd", "MC_KR_Param_FirstTextureCB",
    "MC_KR_Param_FirstTextureEd", "MC_KR_Param_SecondTextureCB", "MC_KR_Param_SecondTextureEd",
    "MC_KR_Param_PlayerNumberCB", "MC_KR_Param_PlayerNumberEd", "MC_KR_Coords_PramouglCB",
    "MC_KR_Coords_Pramougl_X1Ed", "MC_KR_Coords_Pramougl_Y1Ed", "MC_KR_Coords_Pramougl_X2Ed",
    "MC_KR_Coords_Pramougl_Y2Ed", "MC_KR_Coords_KrugCB", "MC_KR_Coords_Krug_XEd",
    "MC_KR_Coords_Krug_YEd", "MC_KR_Coords_Krug_RadEd", "MC_KR_Type_UnitCB", "MC_KR_Type_ObjectCB",
    "MC_KR_Type_LeverCB", "MC_KR_Type_TrapCB", "MC_KR_Type_FlameCB", "MC_KR_Type_Particle1CB",
    "MC_KR_Type_Particle2CB", "MC_KR_Type_Particle3CB",
    // Actions.
    "MC_AS_Obj_DelRB", "MC_AS_Obj_CopyRB", "MC_AS_Obj_MoveRB", "MC_AS_Obj_TargetMobSelBut",
    "MC_AS_Obj_TargetMobEd", "MC_AS_Obj_ReplaceCB", "MC_AS_Params_Name1CB", "MC_AS_Params_Name1Ed",
    "MC_AS_Params_Name2CB", "MC_AS_Params_Name2Ed", "MC_AS_Params_ScriptVariableNameCB",
    "MC_AS_Params_ScriptVariableNameEd", "MC_AS_Params_Model3dCB", "MC_AS_Params_Model3dEd",
    "MC_AS_Params_FirstTextureCB", "MC_AS_Params_FirstTextureEd", "MC_AS_Params_SecondTextureCB",
    "MC_AS_Params_SecondTextureEd", "MC_AS_Params_OffsetCB", "MC_AS_Params_OffsetXEd",
    "MC_AS_Params_OffsetYEd", "MC_AS_Params_PlayerNumberCB", "MC_AS_Params_PlayerNumberEd",
    // The buttons, and the mode the page's layout puts first.
    "MC_ResetBut", "MC_GoBut", "MC_AS_Obj_OnlyParamsRB",
};

constexpr std::pair<const char*, const char16_t*> kKindBoxes[] = {
    {"MC_KR_Type_UnitCB", u"Юнит"},
    {"MC_KR_Type_ObjectCB", u"Объект"},
    {"MC_KR_Type_LeverCB", u"Рычаг"},
    {"MC_KR_Type_TrapCB", u"Ловушка"},
    {"MC_KR_Type_FlameCB", u"Огонь (Flame)"},
    {"MC_KR_Type_Particle1CB", u"Партикл 1-го типа"},
    {"MC_KR_Type_Particle2CB", u"Партикл 2-го типа"},
    {"MC_KR_Type_Particle3CB", u"Партикл 3-го типа"},
};

}  // namespace

MassChangePage::MassChangePage(TShellServices& shell, QWidget* parent) : QWidget(parent), m_shell(shell) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  MassChangePK = new QTabWidget(this);
  MassChangePK->setObjectName(u"MassChangePK"_s);
  MassChangePK->addTab(BuildCriteriaPage(), u"Критерии отбора объектов"_s);
  MassChangePK->addTab(BuildActionsPage(), u"Действия над отобранными объектами"_s);
  layout->addWidget(MassChangePK, 1);

  auto* panel = new QWidget(this);
  panel->setObjectName(u"MC_DownPanel"_s);
  panel->setFixedHeight(40);
  auto* buttons = new QHBoxLayout(panel);
  MC_ResetBut = new QPushButton(u"Сбросить"_s, panel);
  MC_ResetBut->setObjectName(u"MC_ResetBut"_s);
  MC_GoBut = new QPushButton(u"Выполнить изменения!"_s, panel);
  MC_GoBut->setObjectName(u"MC_GoBut"_s);
  buttons->addWidget(MC_ResetBut);
  buttons->addStretch(1);
  buttons->addWidget(MC_GoBut);
  layout->addWidget(panel);

  connect(MC_ResetBut, &QPushButton::clicked, this, [this] { ResetMassChangePage(); });
  connect(MC_GoBut, &QPushButton::clicked, this, [this] { MC_GoButClick(); });
  connect(MC_AS_Obj_TargetMobSelBut, &QPushButton::clicked, this,
          [this] { MC_AS_Obj_TargetMobSelButClick(); });

  for (const auto& field : MassChangeBoolFields())
    m_boolControls.push_back(findChild<QAbstractButton*>(Name(field.name)));
  for (const auto& field : MassChangeTextFields())
    m_textControls.push_back(findChild<QLineEdit*>(Name(field.name)));
  for (const char* name : kLockedControls) {
    QWidget* control = findChild<QWidget*>(Name(name));
    Q_ASSERT(control);
    m_lockedControls.push_back(control);
  }

  // The criteria are shared: other pages read them, hear of every edit and tick,
  // and fill areas in.
  TPageLinks& links = shell.Links();
  links.SetCriteriaSource(
      this, [this] { return PageOptions(); }, [this](const MassChangeOpts& opts) { PutOptions(opts); });
  const auto changed = [links = QPointer<TPageLinks>(&links)] {
    if (links) links->NotifyCriteriaChanged();
  };
  for (QAbstractButton* button : m_boolControls) connect(button, &QAbstractButton::toggled, this, changed);
  for (QLineEdit* edit : m_textControls) connect(edit, &QLineEdit::textChanged, this, changed);
}

// ---- building ------------------------------------------------------------------

QCheckBox* MassChangePage::AddCheckBox(const char* name, const QString& caption) {
  auto* box = new QCheckBox(caption, this);
  box->setObjectName(Name(name));
  return box;
}

QRadioButton* MassChangePage::AddRadioButton(const char* name, const QString& caption) {
  auto* button = new QRadioButton(caption, this);
  button->setObjectName(Name(name));
  // Every mode change re-applies the delete-mode greying.
  connect(button, &QRadioButton::toggled, this, [this] { UpdateParamsEnabling(); });
  return button;
}

QLineEdit* MassChangePage::AddEdit(const char* name, const QString& accessibleName) {
  auto* edit = new QLineEdit(this);
  edit->setObjectName(Name(name));
  // Without a name of its own a screen reader calls every field by its group's title.
  edit->setAccessibleName(accessibleName);
  edit->setValidator(new Cp1251Validator(edit));
  return edit;
}

QGroupBox* MassChangePage::AddGroupBox(const char* name, const QString& caption, int width, int height,
                                       QGridLayout*& grid) {
  auto* box = new QGroupBox(caption, this);
  box->setObjectName(Name(name));
  box->setMinimumSize(width, height);
  grid = new QGridLayout(box);
  grid->setContentsMargins(6, 4, 6, 4);
  grid->setVerticalSpacing(2);
  return box;
}

void MassChangePage::TickWhenFilled(QCheckBox* box, std::vector<QLineEdit*> edits) {
  for (QLineEdit* edit : edits)
    connect(edit, &QLineEdit::textChanged, this, [box, edits] {
      bool filled = true;
      for (const QLineEdit* e : edits) filled = filled && !e->text().isEmpty();
      box->setChecked(filled);
    });
}

QWidget* MassChangePage::BuildCriteriaPage() {
  auto* page = new QWidget(this);
  page->setObjectName(u"MC_KriteriasSh"_s);
  auto* grid = new QGridLayout(page);
  grid->setContentsMargins(3, 1, 3, 3);
  QGridLayout* g = nullptr;

  QGroupBox* params = AddGroupBox("MC_KR_ParamGB", u"По параметрам:"_s, 302, 192, g);
  for (int row = 0; const ParamRow& r : kCriteriaRows) {
    QCheckBox* box = AddCheckBox(r.box, QString::fromUtf16(r.caption));
    QLineEdit* edit = AddEdit(r.edit, box->text());
    g->addWidget(box, row, 0);
    g->addWidget(edit, row++, 1);
    TickWhenFilled(box, {edit});
  }

  QGroupBox* coords = AddGroupBox("MC_KR_CoordsGB", u"По расположению на зоне:"_s, 302, 149, g);
  const auto labelled = [&](int row, int column, const QString& label, const char* name) {
    auto* caption = new QLabel(label, coords);
    QLineEdit* edit = AddEdit(name, label);
    caption->setBuddy(edit);
    g->addWidget(caption, row, column);
    g->addWidget(edit, row, column + 1);
    return edit;
  };
  QCheckBox* rect = AddCheckBox("MC_KR_Coords_PramouglCB", u"В прямоугольнике с координатами:"_s);
  g->addWidget(rect, 0, 0, 1, 4);
  QLineEdit* x1 = labelled(1, 0, u"X1"_s, "MC_KR_Coords_Pramougl_X1Ed");
  QLineEdit* y1 = labelled(1, 2, u"Y1"_s, "MC_KR_Coords_Pramougl_Y1Ed");
  QLineEdit* x2 = labelled(2, 0, u"X2"_s, "MC_KR_Coords_Pramougl_X2Ed");
  QLineEdit* y2 = labelled(2, 2, u"Y2"_s, "MC_KR_Coords_Pramougl_Y2Ed");
  TickWhenFilled(rect, {x1, y1, x2, y2});
  QCheckBox* circle = AddCheckBox("MC_KR_Coords_KrugCB", u"В круге с координатами:"_s);
  g->addWidget(circle, 3, 0, 1, 4);
  QLineEdit* cx = labelled(4, 0, u"X"_s, "MC_KR_Coords_Krug_XEd");
  QLineEdit* cy = labelled(4, 2, u"Y"_s, "MC_KR_Coords_Krug_YEd");
  QLineEdit* radius = labelled(5, 0, u"Радиус"_s, "MC_KR_Coords_Krug_RadEd");
  TickWhenFilled(circle, {cx, cy, radius});

  QGroupBox* kinds = AddGroupBox("MC_KR_TypeGB", u"По типу объекта:"_s, 129, 152, g);
  for (int row = 0; const auto& [name, caption] : kKindBoxes)
    g->addWidget(AddCheckBox(name, QString::fromUtf16(caption)), row++, 0);

  grid->addWidget(params, 0, 0);
  grid->addWidget(coords, 1, 0, Qt::AlignTop);
  grid->addWidget(kinds, 0, 1, Qt::AlignTop);
  grid->setRowStretch(2, 1);
  grid->setColumnStretch(2, 1);
  return page;
}

QWidget* MassChangePage::BuildActionsPage() {
  auto* page = new QWidget(this);
  page->setObjectName(u"MC_ActionsSh"_s);
  auto* grid = new QGridLayout(page);
  grid->setContentsMargins(3, 1, 3, 3);
  QGridLayout* g = nullptr;

  QGroupBox* objects = AddGroupBox("MC_AS_ObjGB", u"Действия над самими объектами:"_s, 526, 152, g);
  g->addWidget(AddRadioButton("MC_AS_Obj_OnlyParamsRB", u"Только изменить параметры"_s), 0, 0, 1, 3);
  MC_AS_Obj_DelRB = AddRadioButton("MC_AS_Obj_DelRB", u"Удалять"_s);
  g->addWidget(MC_AS_Obj_DelRB, 1, 0, 1, 3);
  g->addWidget(AddRadioButton("MC_AS_Obj_CopyRB", u"Копировать в целевой моб"_s), 2, 0, 1, 3);
  g->addWidget(AddRadioButton("MC_AS_Obj_MoveRB", u"Переносить в целевой моб"_s), 3, 0, 1, 3);
  auto* targetLabel = new QLabel(u"Целевой моб:"_s, objects);
  g->addWidget(targetLabel, 4, 0);
  MC_AS_Obj_TargetMobEd = AddEdit("MC_AS_Obj_TargetMobEd", targetLabel->text());
  targetLabel->setBuddy(MC_AS_Obj_TargetMobEd);
  g->addWidget(MC_AS_Obj_TargetMobEd, 4, 1);
  MC_AS_Obj_TargetMobSelBut = new QPushButton(u"Выбрать..."_s, objects);
  MC_AS_Obj_TargetMobSelBut->setObjectName(u"MC_AS_Obj_TargetMobSelBut"_s);
  g->addWidget(MC_AS_Obj_TargetMobSelBut, 4, 2);
  g->addWidget(AddCheckBox("MC_AS_Obj_ReplaceCB", u"Заменять при совпадении ID"_s), 5, 0, 1, 3);

  QGroupBox* changes = AddGroupBox("MC_AS_ParamsGB", u"Изменять параметры на:"_s, 526, 214, g);
  int row = 0;
  for (const ParamRow& r : kChangeRows) {
    QCheckBox* box = AddCheckBox(r.box, QString::fromUtf16(r.caption));
    QLineEdit* edit = AddEdit(r.edit, box->text());
    g->addWidget(box, row, 0);
    g->addWidget(edit, row++, 1, 1, 4);
    TickWhenFilled(box, {edit});
    m_paramChangeControls.insert(m_paramChangeControls.end(), {box, edit});
  }
  QCheckBox* offset = AddCheckBox("MC_AS_Params_OffsetCB", u"Смещать по координатам:"_s);
  auto* dxLabel = new QLabel(u"X"_s, changes);
  auto* dyLabel = new QLabel(u"Y"_s, changes);
  QLineEdit* dx = AddEdit("MC_AS_Params_OffsetXEd", dxLabel->text());
  QLineEdit* dy = AddEdit("MC_AS_Params_OffsetYEd", dyLabel->text());
  dxLabel->setBuddy(dx);
  dyLabel->setBuddy(dy);
  g->addWidget(offset, row, 0);
  g->addWidget(dxLabel, row, 1);
  g->addWidget(dx, row, 2);
  g->addWidget(dyLabel, row, 3);
  g->addWidget(dy, row, 4);
  TickWhenFilled(offset, {dx, dy});
  m_paramChangeControls.insert(m_paramChangeControls.end(), {offset, dx, dy});

  grid->addWidget(objects, 0, 0);
  grid->addWidget(changes, 1, 0, Qt::AlignTop);
  grid->setRowStretch(2, 1);
  grid->setColumnStretch(1, 1);
  return page;
}

// ---- options -------------------------------------------------------------------

void MassChangePage::SetChecked(QAbstractButton* button, bool checked) {
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

void MassChangePage::SetTexts(const MassChangeOpts& opts) {
  const auto fields = MassChangeTextFields();
  for (std::size_t i = 0; i < fields.size(); ++i) m_textControls[i]->setText(FromCp1251(opts.*fields[i].member));
}

void MassChangePage::SetChecks(const MassChangeOpts& opts) {
  // In field order, the mode "only parameters" last: checking a mode clears the
  // others, so of several modes on, the last one wins.
  const auto fields = MassChangeBoolFields();
  for (std::size_t i = 0; i < fields.size(); ++i) SetChecked(m_boolControls[i], opts.*fields[i].member);
}

MassChangeOpts MassChangePage::PageOptions() const {
  MassChangeOpts opts;
  const auto bools = MassChangeBoolFields();
  for (std::size_t i = 0; i < bools.size(); ++i) opts.*bools[i].member = m_boolControls[i]->isChecked();
  const auto texts = MassChangeTextFields();
  // The edits' validator keeps out what code page 1251 cannot hold.
  for (std::size_t i = 0; i < texts.size(); ++i)
    opts.*texts[i].member = ToCp1251(m_textControls[i]->text()).value();
  return opts;
}

void MassChangePage::MassChangeOptsToPage() { PutOptions(m_shell.Settings().MassChange); }

void MassChangePage::PutOptions(const MassChangeOpts& opts) {
  SetTexts(opts);   // their change handlers tick checkboxes...
  SetChecks(opts);  // ...and the given states win
}

void MassChangePage::MassChangePageToOpts() {
  m_shell.Settings().MassChange = PageOptions();
  m_shell.SaveSettings();
}

void MassChangePage::ResetMassChangePage() {
  const MassChangeOpts defaults;
  SetChecks(defaults);
  SetTexts(defaults);
  MassChangePageToOpts();
}

void MassChangePage::UpdateParamsEnabling() {
  if (!m_shell.MobOpened()) return;
  const bool enable = !MC_AS_Obj_DelRB->isChecked();
  for (QWidget* control : m_paramChangeControls) control->setEnabled(enable);
}

// ---- commands ------------------------------------------------------------------

void MassChangePage::MC_AS_Obj_TargetMobSelButClick() {
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
  MC_AS_Obj_TargetMobEd->setText(path);
  // The next settings save keeps the folder; nothing is written now.
  m_shell.Settings().WorkPath = *ToCp1251(FromUtf8(FolderOf(ToUtf8(path))));
}

void MassChangePage::MC_GoButClick() {
  m_shell.CommitEdits();  // the run reads and changes the records
  // A snapshot: nothing the user could change during a threaded run reaches it.
  const MassChangeOpts opts = PageOptions();
  TShellMassChangeHost host(m_shell);
  const MassChangeResult result = RunMassChanges(host, opts, LocaleDecimalSeparator());
  // The log page may not be showing: the summary is in the status bar as well.
  if (!result.summary.empty()) m_shell.ShowStatusMessage(FromUtf8(result.summary));
}

}  // namespace kelvarin
