// The base of every window of the program (the main window, the About
// dialog, the error dialog and the error details form). One window procedure
// serves them all: it hands each message to the object that owns the window
// and lets no exception out. The base also keeps the list of loaded windows
// by design name, gives every window the dialog keys (Tab, Enter, Esc)
// whatever message loop runs, and runs modal loops.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>

#include "common/Text.h"
#include "common/win32/FormRef.h"

namespace tarnwick::win32 {

class Window {
 public:
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  // Destroys the window if it is still there.
  virtual ~Window();

  HWND hwnd() const { return hwnd_; }
  bool IsLoaded() const { return hwnd_ != nullptr; }
  const char16_t* Name() const { return name_; }
  FormRef Ref() const { return {hwnd_, name_}; }

  // Shows the window and returns once it has been closed. Meanwhile every
  // other window of the program that was enabled is disabled; each is
  // enabled again before this one goes, so the owner gets the activation.
  void ShowModal();
  // Shows the window and returns at once; the window owns itself from now
  // on and is deleted when it is destroyed.
  static void ShowModeless(std::unique_ptr<Window> window);
  // Ends a modal loop, or destroys a window shown otherwise.
  void Close();

  // The modal loops running now, innermost last (0: none).
  static int ModalDepth();
  // The first loaded window of this design name, or nullptr.
  static Window* FindLoaded(TextView name);
  // True while any window of the program is loaded.
  static bool AnyLoaded();

 protected:
  explicit Window(const char16_t* name) : name_(name) {}

  struct CreateParams {
    const wchar_t* className;  // registered with the common procedure on first use
    HBRUSH background;         // the class's background brush
    const wchar_t* caption;
    DWORD style;
    DWORD exStyle;
    RECT frame;  // the outer frame, in screen pixels
    HWND owner;
  };
  // Creates the window; false when the system refuses. The system's error
  // code is left for the caller to record.
  bool Create(const CreateParams& params);

  // The window's own handling of a message; nullopt for the default one.
  virtual std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;

  // Gives the focus to the first control that takes it.
  void FocusFirstControl();

 private:
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Destroyed(WPARAM wParam, LPARAM lParam) noexcept;
  void Attach(HWND hwnd);
  void Detach();

  const char16_t* name_;
  HWND hwnd_ = nullptr;
  HWND lastFocus_ = nullptr;  // the control that had the focus when the window lost it
  bool inModalLoop_ = false;
  bool modalEnded_ = false;
};

// Runs the thread's message loop until WM_QUIT; the exit code.
int RunMessageLoop();
// Runs the thread's message loop while any window of the program is loaded.
void RunWhileAnyWindowIsLoaded();

}  // namespace tarnwick::win32
