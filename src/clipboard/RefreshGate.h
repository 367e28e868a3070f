// Keeps the clipboard refresh from running inside itself. The platform may
// deliver a change notification while the refresh has the clipboard open
// or converts; that nested call only marks the refresh as pending, and the
// outer call looks again once it is done. A refresh that waits in a modal
// loop (an error dialog its conversion opened) does not hold the gate for
// that loop: notifications arriving there are handled at once, as
// everything else is while a dialog is open.
#pragma once

namespace tarnwick::clipboard {

class RefreshGate {
 public:
  // True when the caller may refresh now: no refresh runs, or the one that
  // runs waits in a modal loop opened after it began. `modalDepth` is the
  // number of modal loops running. False (and pending marked) otherwise.
  bool TryEnter(int modalDepth) {
    if (busy_ && modalDepth <= depth_) {
      pending_ = true;
      return false;
    }
    busy_ = true;
    depth_ = modalDepth;
    pending_ = false;
    return true;
  }
  // True once per nested notification since the last call.
  bool TakePending() {
    const bool pending = pending_;
    pending_ = false;
    return pending;
  }

 private:
  friend class RefreshScope;
  bool busy_ = false;
  bool pending_ = false;
  int depth_ = 0;
};

// Enters the gate and leaves it on every way out, giving back the state of
// a refresh that this one ran inside of.
class RefreshScope {
 public:
  RefreshScope(RefreshGate& gate, int modalDepth) : gate_(gate), outer_(gate) {
    entered_ = gate.TryEnter(modalDepth);
  }
  ~RefreshScope() {
    if (entered_) gate_ = outer_;
  }
  RefreshScope(const RefreshScope&) = delete;
  RefreshScope& operator=(const RefreshScope&) = delete;
  bool Entered() const { return entered_; }

 private:
  RefreshGate& gate_;
  const RefreshGate outer_;
  bool entered_ = false;
};

}  // namespace tarnwick::clipboard
