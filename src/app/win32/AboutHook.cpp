#include "app/win32/AboutHook.h"

namespace tarnwick::app {

namespace {
AboutDialogFactory& Factory() {
  static AboutDialogFactory factory;
  return factory;
}
}  // namespace

void SetAboutDialogFactory(AboutDialogFactory factory) { Factory() = std::move(factory); }

std::unique_ptr<ModalDialog> CreateAboutDialog() {
  return Factory() ? Factory()() : nullptr;
}

}  // namespace tarnwick::app
