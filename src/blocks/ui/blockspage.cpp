#include "blocks/ui/blockspage.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTreeView>
#include <QVBoxLayout>

#include "blocks/core/blockreplace.h"
#include "blocks/ui/hexview.h"
#include "common/filesystem.h"
#include "common/qt/qtext.h"
#include "mob/tmob.h"
#include "shell/prompts.h"
#include "shell/shellservices.h"

namespace kelvarin {

using namespace Qt::StringLiterals;

TBlocksPage::TBlocksPage(TShellServices& shell, QWidget* parent)
    : QWidget(parent),
      m_shell(shell),
      m_session(shell.Session()),
      m_model(new TBlocksTableModel(this)),
      m_table(new QTreeView),
      m_hex(new THexView),
      m_info(new QLabel),
      m_exportBut(new QPushButton(u"Сохранить блок в файл..."_s)),
      m_replaceBut(new QPushButton(u"Заменить блок из файла..."_s)) {
  setObjectName(u"BlocksPage"_s);

  m_table->setObjectName(u"BlocksTable"_s);
  m_table->setModel(m_model);
  m_table->setUniformRowHeights(true);
  m_table->setSelectionMode(QAbstractItemView::SingleSelection);
  m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
  m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  m_table->setAllColumnsShowFocus(true);
  m_table->header()->setStretchLastSection(false);
  m_table->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  m_table->header()->setSectionResizeMode(TBlocksTableModel::kWhat, QHeaderView::Stretch);
  connect(m_table->selectionModel(), &QItemSelectionModel::currentChanged, this, &TBlocksPage::ShowSelected);

  m_info->setObjectName(u"BlocksInfoLab"_s);
  m_info->setWordWrap(true);
  m_exportBut->setObjectName(u"ExportBlockBut"_s);
  m_exportBut->setToolTip(u"Сохранить выбранный блок целиком, с его 8-байтовым заголовком"_s);
  m_replaceBut->setObjectName(u"ReplaceBlockBut"_s);
  m_replaceBut->setToolTip(
      u"Заменить выбранный неизвестный блок или неизвестный объект блоком того же типа из файла"_s);
  connect(m_exportBut, &QPushButton::clicked, this, &TBlocksPage::ExportSelected);
  connect(m_replaceBut, &QPushButton::clicked, this, &TBlocksPage::ReplaceSelected);

  auto* splitter = new QSplitter(Qt::Vertical);
  splitter->setObjectName(u"BlocksSplitter"_s);
  splitter->setChildrenCollapsible(false);
  splitter->addWidget(m_table);
  splitter->addWidget(m_hex);
  splitter->setStretchFactor(0, 3);
  splitter->setStretchFactor(1, 2);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(m_info, 1);
  buttons->addWidget(m_exportBut);
  buttons->addWidget(m_replaceBut);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(splitter, 1);
  layout->addLayout(buttons);

  m_session.AddListener(this);
  TakeFile();
}

TBlocksPage::~TBlocksPage() { m_session.RemoveListener(this); }

bool TBlocksPage::DocumentReadable() const { return m_session.Opened() && !m_session.Busy(); }

// ---- the picture ------------------------------------------------------------

void TBlocksPage::PreparePicture(const TMob& mob) {
  auto picture = std::make_unique<TPicture>();
  picture->layout = FileLayoutOf(mob);
  picture->baseline.Take(mob);
  picture->records = mob.TotalRecordCount();
  picture->unknownBlocks = mob.UnknownBlocks.size();
  m_prepared = std::move(picture);
}

void TBlocksPage::DocumentClosed() {
  m_prepared.reset();
  TakeFile();
}

void TBlocksPage::TakeFile() {
  // The lock's holder owns the document: the last picture stays until the release.
  if (m_session.Busy()) {
    m_fileStale = true;
    return;
  }
  m_fileStale = m_marksStale = false;
  const std::optional<TBlockRow> selected = SelectedRow();
  std::unique_ptr<TPicture> prepared = std::move(m_prepared);
  if (m_session.Opened()) {
    const TMob& mob = m_session.Mob();
    if (prepared && prepared->records == mob.TotalRecordCount() && prepared->unknownBlocks == mob.UnknownBlocks.size()) {
      m_baseline = std::move(prepared->baseline);
      m_model->Refresh(mob, m_baseline, std::move(prepared->layout));
    } else {
      m_baseline.Take(mob);
      m_model->Refresh(mob, m_baseline);
    }
  } else {
    m_baseline.Clear();
    m_model->Clear();
  }
  if (const auto object = m_model->Layout().ObjectBlockIndex()) m_table->expand(m_model->index(int(*object), 0));
  const QModelIndex again = selected ? m_model->IndexOf(*selected) : QModelIndex();
  if (again.isValid())
    m_table->setCurrentIndex(again);
  else
    ShowSelected();  // the reset has taken the selection away
}

void TBlocksPage::UpdateMarks() {
  if (m_session.Busy()) {
    m_marksStale = true;
    return;
  }
  m_marksStale = false;
  if (m_session.Opened()) m_model->UpdateMarks(m_session.Mob(), m_baseline);
  ShowSelected();
}

void TBlocksPage::RecordsChanged(const TRecordsChange& change, TChangeCause, const TDocumentListener*) {
  m_prepared.reset();  // sizes or blocks may differ from the picture
  if (change.blocksReplaced) UpdateMarks();
}

void TBlocksPage::BusyChanged(bool busy) {
  m_table->setEnabled(!busy);
  m_hex->setEnabled(!busy);
  if (!busy) {
    if (m_fileStale)
      TakeFile();
    else if (m_marksStale)
      UpdateMarks();
  }
  UpdateButtons();
}

// ---- the selected row -----------------------------------------------------------

std::optional<TBlockRow> TBlocksPage::SelectedRow() const {
  const QModelIndex current = m_table->currentIndex();
  return current.isValid() ? m_model->RowAt(current) : std::nullopt;
}

std::optional<TUnknownBlockRef> TBlocksPage::UnknownBlockOf(const TBlockRow& row) const {
  const TBlockLayout& layout = m_model->Layout();
  if (row.kind == TBlockRow::Kind::Block && row.index < layout.blocks.size() &&
      layout.blocks[row.index].kind == TBlockKind::Unknown)
    return TUnknownBlockRef{false, layout.blocks[row.index].unknownIndex};
  if (row.kind == TBlockRow::Kind::UnknownSubBlock && row.index < layout.subBlocks.size() &&
      layout.subBlocks[row.index].unknown)
    return TUnknownBlockRef{true, layout.subBlocks[row.index].unknownIndex};
  return std::nullopt;
}

std::optional<Bytes> TBlocksPage::BytesOf(const TBlockRow& row) const {
  if (!DocumentReadable()) return std::nullopt;
  const TMob& mob = m_session.Mob();
  if (const auto ref = UnknownBlockOf(row)) {
    const Bytes* bytes = UnknownBlockBytes(mob, *ref);
    return bytes ? std::optional<Bytes>(*bytes) : std::nullopt;
  }
  if (row.kind == TBlockRow::Kind::Block && row.index < m_model->Layout().blocks.size())
    return BlockBytes(mob, m_model->Layout().blocks[row.index]);
  return std::nullopt;  // a group of records is no block
}

QString TBlocksPage::RowName(const TBlockRow& row) const {
  const TBlockLayout& layout = m_model->Layout();
  if (const auto ref = UnknownBlockOf(row); ref && ref->subBlock)
    return u"Неизвестный объект № %1"_s.arg(ref->index + 1);
  if (row.kind == TBlockRow::Kind::Block && row.index < layout.blocks.size()) {
    const TBlockPlace& block = layout.blocks[row.index];
    return block.kind == TBlockKind::Tail ? u"Хвост"_s : u"Блок № %1"_s.arg(block.number);
  }
  return {};
}

void TBlocksPage::ShowSelected() {
  const std::optional<TBlockRow> row = SelectedRow();
  if (!m_session.Busy()) {
    // The hex view holds a copy, so it goes on showing it while the lock is held.
    const std::optional<TUnknownBlockRef> ref = row ? UnknownBlockOf(*row) : std::nullopt;
    const Bytes* bytes = ref && m_session.Opened() ? UnknownBlockBytes(m_session.Mob(), *ref) : nullptr;
    m_hex->SetBytes(bytes ? *bytes : Bytes());
  }

  QString info;
  const TBlockLayout& layout = m_model->Layout();
  if (layout.blocks.empty()) {
    info = u"Моб не открыт."_s;
  } else {
    info = u"Файл: %1 байт, основной блок: %2 байт."_s.arg(layout.fileSize).arg(layout.mainBlockLength);
    if (row && !UnknownBlockOf(*row))
      info += u" Байты показываются для неизвестных блоков и неизвестных объектов."_s;
  }
  m_info->setText(info);
  UpdateButtons();
}

void TBlocksPage::UpdateButtons() {
  const std::optional<TBlockRow> row = SelectedRow();
  const bool usable = DocumentReadable() && row.has_value();
  m_exportBut->setEnabled(usable && row->kind != TBlockRow::Kind::Group);
  m_replaceBut->setEnabled(usable && UnknownBlockOf(*row).has_value());
}

// ---- the commands -----------------------------------------------------------------

void TBlocksPage::ExportSelected() {
  const std::optional<TBlockRow> row = SelectedRow();
  if (!row) return;
  const std::optional<Bytes> bytes = BytesOf(*row);
  if (!bytes) return;

  const QFileInfo mobFile(FromUtf8(m_session.Path()));
  QString name = mobFile.completeBaseName().isEmpty() ? u"block"_s : mobFile.completeBaseName();
  if (const auto ref = UnknownBlockOf(*row); ref && ref->subBlock)
    name += u"_object%1.bin"_s.arg(ref->index + 1);
  else if (m_model->Layout().blocks[row->index].kind == TBlockKind::Tail)
    name += u"_tail.bin"_s;
  else
    name += u"_block%1.bin"_s.arg(m_model->Layout().blocks[row->index].number);
  const QString folder = m_session.Path().empty() ? QString() : mobFile.absolutePath() + u'/';
  const QString path = m_shell.Prompts().ChooseSaveBlockFile(folder + name);
  if (path.isEmpty()) return;

  const std::string error = !m_session.Path().empty() && SameFile(ToUtf8(path), m_session.Path())
                                ? "Не удалось записать блок в файл " + ToUtf8(path) +
                                      ": это файл открытого моба, блок заменил бы его."
                                : WriteBlockFile(Files(), ToUtf8(path), *bytes);
  if (!error.empty()) {
    m_shell.Prompts().ShowMessage(FromUtf8(error), TPrompts::Icon::Error);
    return;
  }
  m_shell.ShowStatusMessage(u"%1 сохранён в файл %2 (%3 байт)"_s.arg(RowName(*row), path).arg(bytes->size()));
}

void TBlocksPage::ReplaceSelected() {
  const std::optional<TBlockRow> row = SelectedRow();
  const std::optional<TUnknownBlockRef> ref = row ? UnknownBlockOf(*row) : std::nullopt;
  if (!ref || !DocumentReadable()) return;

  const QString folder = m_session.Path().empty() ? QString() : QFileInfo(FromUtf8(m_session.Path())).absolutePath();
  const QString path = m_shell.Prompts().ChooseOpenBlockFile(folder);
  if (path.isEmpty()) return;
  // The dialog is modal, but a file it named may be anything: read it first.
  std::string error;
  std::optional<Bytes> bytes = ReadBlockFile(Files(), ToUtf8(path), error);
  if (!bytes) {
    m_shell.Prompts().ShowMessage(FromUtf8(error), TPrompts::Icon::Error);
    return;
  }
  TMob& mob = m_session.Mob();
  const Bytes* current = UnknownBlockBytes(mob, *ref);
  if (!current || !DocumentReadable()) return;
  if (const auto refusal = CheckReplacementBlock(*current, *bytes)) {
    m_shell.Prompts().ShowMessage(
        u"%1 не заменён файлом %2.\n%3"_s.arg(RowName(*row), path, FromUtf8(ReplaceRefusalText(*refusal))),
        TPrompts::Icon::Error);
    return;
  }

  const std::size_t length = bytes->size();
  const QString name = RowName(*row);
  auto step = TBlockReplaceCommand::Replace(mob, *ref, std::move(*bytes),
                                            ToUtf8(u"%1 заменён из файла %2"_s.arg(name, QFileInfo(path).fileName())));
  if (!m_session.Apply(std::move(step), this)) {  // the marks follow from the notice
    m_shell.ShowStatusMessage(u"В файле %1 те же байты, что и в блоке: ничего не изменилось"_s.arg(path));
    return;
  }
  m_shell.ShowStatusMessage(u"%1 заменён байтами из файла %2 (%3 байт)"_s.arg(name, path).arg(length));
}

}  // namespace kelvarin
