// The About dialog as the main window's About command uses it: a fresh
// instance for each showing, shown modally and released afterwards. The
// dialog itself registers its factory; until it does, About shows nothing.
#pragma once

#include <functional>
#include <memory>

#include "common/win32/FormRef.h"

namespace tarnwick::app {

class ModalDialog {
 public:
  virtual ~ModalDialog() = default;
  // Returns when the dialog has been closed.
  virtual void ShowModal(const win32::FormRef& owner) = 0;
};

using AboutDialogFactory = std::function<std::unique_ptr<ModalDialog>()>;
void SetAboutDialogFactory(AboutDialogFactory factory);
// A new About dialog, or nothing while no factory is registered.
std::unique_ptr<ModalDialog> CreateAboutDialog();

}  // namespace tarnwick::app
