// Keeps the clipboard refresh from running inside itself. The platform may
// deliver a change notification while the refresh has the clipboard open;
// that nested call only marks the refresh as pending, and the outer call
// looks again once it is done.
#pragma once

namespace tarnwick::clipboard {

class RefreshGate {
 public:
  // True when the caller may refresh now; false (and pending marked) when
  // a refresh is already running.
  bool TryEnter() {
    if (busy_) {
      pending_ = true;
      return false;
    }
    busy_ = true;
    pending_ = false;
    return true;
  }
  // True once per nested notification since the last call.
  bool TakePending() {
    const bool pending = pending_;
    pending_ = false;
    return pending;
  }
  void Leave() { busy_ = false; }
  bool Busy() const { return busy_; }

 private:
  bool busy_ = false;
  bool pending_ = false;
};

// Leaves the gate on every way out of the refresh.
class RefreshScope {
 public:
  explicit RefreshScope(RefreshGate& gate) : gate_(gate), entered_(gate.TryEnter()) {}
  ~RefreshScope() {
    if (entered_) gate_.Leave();
  }
  RefreshScope(const RefreshScope&) = delete;
  RefreshScope& operator=(const RefreshScope&) = delete;
  bool Entered() const { return entered_; }

 private:
  RefreshGate& gate_;
  bool entered_;
};

}  // namespace tarnwick::clipboard
