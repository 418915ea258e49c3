#include "scriptedprompts.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace kelvarin {

TScriptedPrompts& TScriptedPrompts::Answer(TPrompts::Answer answer) {
  m_answers.emplace_back(answer);
  return *this;
}

TScriptedPrompts& TScriptedPrompts::AnswerYesNo(bool yes) {
  m_answers.emplace_back(yes);
  return *this;
}

TScriptedPrompts& TScriptedPrompts::ChooseFile(const QString& path) {
  m_answers.emplace_back(FileChoice{path});
  return *this;
}

std::vector<TScriptedPrompts::Record> TScriptedPrompts::RecordsOf(Kind kind) const {
  std::vector<Record> out;
  for (const Record& r : m_records)
    if (r.kind == kind) out.push_back(r);
  return out;
}

QStringList TScriptedPrompts::Texts() const {
  QStringList out;
  for (const Record& r : m_records)
    if (r.kind != Kind::OpenFile && r.kind != Kind::SaveFile && r.kind != Kind::SavePicture) out << r.text;
  return out;
}

void TScriptedPrompts::Clear() {
  m_answers.clear();
  m_records.clear();
}

template <class T> const T* TScriptedPrompts::Next(const char* what, const QString& text) {
  if (m_answers.empty()) {
    ADD_FAILURE() << "unexpected " << what << ": " << text.toStdString();
    return nullptr;
  }
  const T* answer = std::get_if<T>(&m_answers.front());
  if (!answer) {
    ADD_FAILURE() << "the next queued answer does not fit the " << what << ": " << text.toStdString();
    return nullptr;
  }
  return answer;
}

TPrompts::Answer TScriptedPrompts::AskYesNoCancel(const QString& text, Icon icon) {
  m_records.push_back({Kind::YesNoCancel, text, icon});
  const auto* a = Next<TPrompts::Answer>("yes/no/cancel question", text);
  if (!a) return TPrompts::Answer::Cancel;
  const TPrompts::Answer answer = *a;
  m_answers.pop_front();
  return answer;
}

bool TScriptedPrompts::AskYesNo(const QString& text, Icon icon) {
  m_records.push_back({Kind::YesNo, text, icon});
  const bool* a = Next<bool>("yes/no question", text);
  if (!a) return false;
  const bool yes = *a;
  m_answers.pop_front();
  return yes;
}

void TScriptedPrompts::ShowMessage(const QString& text, Icon icon) {
  m_records.push_back({Kind::Message, text, icon});
}

QString TScriptedPrompts::ChooseOpenFile(const QString& folder) {
  m_records.push_back({Kind::OpenFile, folder, Icon::Information});
  const FileChoice* c = Next<FileChoice>("open dialog", folder);
  if (!c) return {};
  const QString path = c->path;
  m_answers.pop_front();
  return path;
}

QString TScriptedPrompts::ChooseSaveFile(const QString& folder) {
  m_records.push_back({Kind::SaveFile, folder, Icon::Information});
  const FileChoice* c = Next<FileChoice>("save dialog", folder);
  if (!c) return {};
  const QString path = c->path;
  m_answers.pop_front();
  return path;
}

QString TScriptedPrompts::ChooseSavePicture(const QString& suggested) {
  m_records.push_back({Kind::SavePicture, suggested, Icon::Information});
  const FileChoice* c = Next<FileChoice>("picture dialog", suggested);
  if (!c) return {};
  const QString path = c->path;
  m_answers.pop_front();
  return path;
}

}  // namespace kelvarin
