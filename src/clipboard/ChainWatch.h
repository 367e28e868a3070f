// Notices that clipboard changes no longer reach the window through the
// viewer chain: a viewer in front of it ended without leaving the chain. A
// periodic check compares the clipboard's sequence number with the last one
// announced; a change that stays unannounced for a whole check period means
// the window must join the chain again.
#pragma once

#include <cstdint>

namespace tarnwick::clipboard {

class ChainWatch {
 public:
  // A change notification arrived (or our own write made this content).
  void Announced(std::uint32_t sequence) {
    announced_ = sequence;
    joined_ = true;
  }

  // At each periodic check. True once the content has stayed newer than
  // the last announcement from one check to the next with no announcement
  // in between; a late notification gets a full period to arrive.
  bool NeedsRejoin(std::uint32_t currentSequence) {
    if (!joined_ || currentSequence == announced_) {
      unannounced_ = false;
      return false;
    }
    if (unannounced_ && announcedAtCheck_ == announced_) {
      unannounced_ = false;
      return true;
    }
    unannounced_ = true;
    announcedAtCheck_ = announced_;
    return false;
  }

 private:
  bool joined_ = false;
  std::uint32_t announced_ = 0;
  // Set by a check that saw newer, unannounced content, with the last
  // announcement as it stood then.
  bool unannounced_ = false;
  std::uint32_t announcedAtCheck_ = 0;
};

}  // namespace tarnwick::clipboard
