#include "app/ui/qtprompts.h"

#include <QFileDialog>
#include <QMessageBox>

#include "program/appinfo.h"

using namespace Qt::StringLiterals;

namespace kelvarin {
namespace {

QMessageBox::Icon ToQt(TPrompts::Icon icon) {
  switch (icon) {
    case TPrompts::Icon::Warning: return QMessageBox::Warning;
    case TPrompts::Icon::Question: return QMessageBox::Question;
    case TPrompts::Icon::Error: return QMessageBox::Critical;
    case TPrompts::Icon::Information: return QMessageBox::Information;
  }
  return QMessageBox::NoIcon;
}

int Ask(QWidget* parent, const QString& text, TPrompts::Icon icon, QMessageBox::StandardButtons buttons) {
  QMessageBox box(ToQt(icon), QString::fromUtf8(ProgramName), text, buttons, parent);
  return box.exec();
}

}  // namespace

TPrompts::Answer TQtPrompts::AskYesNoCancel(const QString& text, Icon icon) {
  switch (Ask(m_parent, text, icon, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel)) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return Answer::Cancel;  // Esc and the close box cancel too
  }
}

bool TQtPrompts::AskYesNo(const QString& text, Icon icon) {
  return Ask(m_parent, text, icon, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void TQtPrompts::ShowMessage(const QString& text, Icon icon) {
  Ask(m_parent, text, icon, QMessageBox::Ok);
}

QString TQtPrompts::MobFilter() {
  // "All files" is "*": on this platform "*.*" would hide names without a dot.
  return u"МоБы (*.mob);;Всякая прочая херня (*)"_s;
}

QString TQtPrompts::ChooseOpenFile(const QString& folder) {
  return QFileDialog::getOpenFileName(m_parent, u"Открыть"_s, folder, MobFilter());
}

QString TQtPrompts::ChooseSaveFile(const QString& folder) {
  // The document commands ask about overwriting themselves, with their own text.
  return QFileDialog::getSaveFileName(m_parent, u"Сохранить как"_s, folder, MobFilter(), nullptr,
                                      QFileDialog::DontConfirmOverwrite);
}

QString TQtPrompts::ChooseSavePicture(const QString& suggested) {
  return QFileDialog::getSaveFileName(m_parent, u"Сохранить картинку"_s, suggested,
                                      u"Картинки PNG (*.png)"_s);
}

QString TQtPrompts::ChooseOpenBlockFile(const QString& folder) {
  return QFileDialog::getOpenFileName(m_parent, u"Заменить блок из файла"_s, folder, BlockFilter());
}

QString TQtPrompts::ChooseSaveBlockFile(const QString& path) {
  return QFileDialog::getSaveFileName(m_parent, u"Сохранить блок в файл"_s, path, BlockFilter());
}

QString TQtPrompts::ChooseOpenScript(const QString& folder) {
  return QFileDialog::getOpenFileName(m_parent, u"Выполнить сценарий Python"_s, folder,
                                      u"Сценарии Python (*.py);;Все файлы (*)"_s);
}

QString TQtPrompts::BlockFilter() { return u"Блоки (*.bin);;Все файлы (*)"_s; }

}  // namespace kelvarin
