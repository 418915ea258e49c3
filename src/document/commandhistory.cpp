#include "document/commandhistory.h"

namespace kelvarin {

void TCommandHistory::Push(std::unique_ptr<TDocCommand> command) {
  if (!command) return;
  DropRedoSteps();
  if (m_mergeOpen && !m_commands.empty()) {
    Step& last = m_commands.back();
    if (last.command->MergeWith(*command)) {
      m_memory -= last.size;
      last.size = last.command->MemorySize();
      m_memory += last.size;
      while (m_memory > m_limit && !m_commands.empty()) DropOldest();
      return;
    }
  }
  const std::size_t size = command->MemorySize();
  m_memory += size;
  m_commands.push_back({std::move(command), size});
  m_index = m_commands.size();
  m_mergeOpen = true;
  while (m_memory > m_limit && !m_commands.empty()) DropOldest();
}

void TCommandHistory::DropRedoSteps() {
  if (m_saved != kNoIndex && m_saved > m_index) m_saved = kNoIndex;  // that state is gone
  while (m_commands.size() > m_index) {
    m_memory -= m_commands.back().size;
    m_commands.pop_back();
  }
}

void TCommandHistory::DropOldest() {
  m_memory -= m_commands.front().size;
  m_commands.erase(m_commands.begin());
  if (m_index > 0) --m_index;
  // The state before the dropped step cannot be reached any more.
  m_saved = (m_saved == kNoIndex || m_saved == 0) ? kNoIndex : m_saved - 1;
  if (m_commands.empty()) m_mergeOpen = false;
  ++m_dropped;
}

const TDocCommand* TCommandHistory::Undo(TMob& mob) {
  if (!CanUndo()) return nullptr;
  m_mergeOpen = false;
  TDocCommand* command = m_commands[--m_index].command.get();
  command->Undo(mob);
  return command;
}

const TDocCommand* TCommandHistory::Redo(TMob& mob) {
  if (!CanRedo()) return nullptr;
  m_mergeOpen = false;
  TDocCommand* command = m_commands[m_index++].command.get();
  command->Redo(mob);
  return command;
}

void TCommandHistory::Clear() {
  m_commands.clear();
  m_index = 0;
  m_saved = 0;
  m_mergeOpen = false;
  m_memory = 0;
}

void TCommandHistory::Discard() {
  Clear();
  m_saved = kNoIndex;
}

void TCommandHistory::MarkSaved() {
  m_saved = m_index;
  m_mergeOpen = false;
}

void TCommandHistory::RevertToSaved() {
  if (m_saved == kNoIndex) {
    Clear();
    return;
  }
  while (m_commands.size() > m_saved) {
    m_memory -= m_commands.back().size;
    m_commands.pop_back();
  }
  m_index = m_saved;
  m_mergeOpen = false;
}

void TCommandHistory::SetMemoryLimit(std::size_t bytes) {
  m_limit = bytes;
  while (m_memory > m_limit && !m_commands.empty()) DropOldest();
}

}  // namespace kelvarin
