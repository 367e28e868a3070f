#include "case/mCase.h"

#include <utility>

#include "case/CaseRules.h"
#include "errors/ErrTrap.h"

namespace tarnwick::mCase {
namespace {

using mErrTrap::Trap;
using mErrTrap::TrapKind;

TextField* boundField = nullptr;

TextField& MainTextField() {
  if (boundField == nullptr) mErrTrap::RaiseRuntime(mErrTrap::rt::ObjectNotSet);
  return *boundField;
}

}  // namespace

void BindMainTextField(TextField* field) { boundField = field; }

Text SCase(Text str) {
  Trap trap(u"mCase.SCase(str)", TrapKind::Inner, str);
  return trap.Run([&] {
    // In place, so that a failure records the text as far as it got.
    trap.Step(10, [&] { SentenceInPlace(str.data(), str.size()); });
    return std::move(str);
  });
}

void ToggleCase() {
  Trap trap(u"mCase.ToggleCase", TrapKind::Inner);
  trap.Run([&] {
    TextField& field = trap.Step(10, [&]() -> TextField& { return MainTextField(); });
    const Text text = trap.Step(20, [&] { return field.GetText(); });
    const Text toggled = trap.Step(30, [&] { return ToggledCase(text); });
    trap.Step(40, [&] { field.SetText(toggled); });
  });
}

}  // namespace tarnwick::mCase
