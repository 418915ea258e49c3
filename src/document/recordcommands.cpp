#include "document/recordcommands.h"

#include <cstring>
#include <utility>

#include "common/cp1251.h"

namespace kelvarin {

TFieldEditCommand::TFieldEditCommand(TObjRef ref, std::string key, TFieldValue value, std::string caption)
    : TDocCommand(std::move(caption)), m_ref(ref), m_key(std::move(key)), m_other(std::move(value)) {}

std::unique_ptr<TFieldEditCommand> TFieldEditCommand::Set(const TMob& mob, TObjRef ref, std::string key,
                                                          TFieldValue value, std::string caption) {
  const std::optional<TFieldValue> now = ReadFieldValue(mob, ref, key);
  if (!now || now->index() != value.index() || SameBytes(*now, value)) return nullptr;
  return std::make_unique<TFieldEditCommand>(ref, std::move(key), std::move(value), std::move(caption));
}

void TFieldEditCommand::Exchange(TMob& mob) { SwapFieldValue(mob, m_ref, m_key, m_other); }

std::size_t TFieldEditCommand::MemorySize() const {
  return sizeof(*this) + HeapBytes(m_key) + HeapBytes(m_other) + HeapBytes(Caption());
}

std::string FieldEditCaption(std::string_view key, std::string_view displayText) {
  // Enough to recognise the value in a tooltip.
  constexpr std::size_t kMaxValue = 60;
  std::string caption(key);
  caption += " = ";
  if (displayText.size() <= kMaxValue) {
    caption += Cp1251ToUtf8(displayText);
  } else {
    caption += Cp1251ToUtf8(displayText.substr(0, kMaxValue));
    caption += "…";
  }
  return caption;
}

void TRecordsEditCommand::Redo(TMob& mob) {
  if (m_change) {
    SetCaption(std::exchange(m_change, nullptr)(mob, m_edit));
    return;
  }
  m_edit.Redo(mob);
}

TTurnCommand::TTurnCommand(TObjRef ref, const TRotationFields& before, const TRotationFields& after,
                           std::uint64_t gesture, std::string caption)
    : TDocCommand(std::move(caption)), m_ref(ref), m_before(before), m_after(after), m_gesture(gesture) {}

bool TTurnCommand::MergeWith(const TDocCommand& next) {
  const auto* turn = dynamic_cast<const TTurnCommand*>(&next);
  if (!turn || turn->m_gesture != m_gesture || turn->m_ref != m_ref) return false;
  m_after = turn->m_after;
  return true;
}

}  // namespace kelvarin
