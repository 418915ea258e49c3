// The undo step of a block replaced from a file: an unknown block of the main block
// or an unknown object sub-block takes other bytes, and the step keeps the bytes it
// took out.
#pragma once

#include <cstddef>
#include <string>

#include "common/bytes.h"
#include "document/commandhistory.h"

namespace kelvarin {

// An unknown block by its index in UnknownBlocks, or an unknown object sub-block by
// its index in UnknownObjectBlocks.
struct TUnknownBlockRef {
  bool subBlock = false;
  std::size_t index = 0;
  bool operator==(const TUnknownBlockRef&) const = default;
};

// The bytes of the block `ref` refers to; nullptr when there is no such block.
Bytes* UnknownBlockBytes(TMob& mob, TUnknownBlockRef ref);
const Bytes* UnknownBlockBytes(const TMob& mob, TUnknownBlockRef ref);

class TBlockReplaceCommand : public TDocCommand {
 public:
  // Redo puts `bytes` into the block, Undo gives it back what it held.
  TBlockReplaceCommand(TUnknownBlockRef ref, Bytes bytes, std::string caption);

  // The step that puts `bytes` into the block, for the session to apply; nullptr
  // when there is no such block or it holds these bytes already.
  static std::unique_ptr<TBlockReplaceCommand> Replace(const TMob& mob, TUnknownBlockRef ref, Bytes bytes,
                                                       std::string caption);

  void Undo(TMob& mob) override { Exchange(mob); }
  void Redo(TMob& mob) override { Exchange(mob); }
  TRecordsChange Change(bool) const override {
    TRecordsChange change;
    change.blocksReplaced = true;
    return change;
  }
  std::size_t MemorySize() const override;

  TUnknownBlockRef Block() const { return m_ref; }

 private:
  void Exchange(TMob& mob);

  TUnknownBlockRef m_ref;
  Bytes m_other;  // the bytes the block does not hold now
};

}  // namespace kelvarin
