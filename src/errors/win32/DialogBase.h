// A form built as a dialog box from an empty in-memory template: the form
// lays out its controls in twips at its load, the dialog manager gives it
// Tab, Enter (the default button) and Esc. Modeless forms get the same keys
// through a message hook, so they work under any message loop.
#pragma once

#include <windows.h>

#include "common/Text.h"
#include "common/Twips.h"
#include "common/win32/Handles.h"

namespace tarnwick::win32 {

// The colour of link labels: pure blue.
inline constexpr COLORREF kLinkBlue = RGB(0, 0, 255);

// Pixels of a length in twips at the screen's DPI (15 twips a pixel at 96).
// A font by face, size in hundredths of a point and weight; a fixed-pitch
// request makes a missing face fall back to another monospaced font.
FontHandle CreatePointFont(const wchar_t* face, int hundredthsOfPoint, bool bold, int dpi,
                           bool fixedPitch = false);

// A plain child window that holds other controls and passes their
// notifications, colours and cursor questions on to its parent.
HWND CreateContainer(HWND parent, int id, RECT pixels);

class DialogBase {
 public:
  DialogBase() = default;
  virtual ~DialogBase();
  DialogBase(const DialogBase&) = delete;
  DialogBase& operator=(const DialogBase&) = delete;

  HWND hwnd() const { return hwnd_; }
  bool IsModal() const { return modal_; }

  // Returns when the dialog has been closed.
  void ShowModal(HWND owner);
  // Shows the dialog and returns; the dialog deletes itself when it closes.
  // Only for objects made with new.
  void ShowModelessOwned(HWND owner);
  // Closes the dialog however it was shown.
  void Unload();

  // True while a modeless dialog made by ShowModelessOwned is open.
  static bool AnyModelessOpen();

 protected:
  // Creates the controls and runs the form's load; called once.
  virtual void OnLoad() = 0;
  // A message the form handles itself; true when handled (result set).
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) = 0;
  // True for the link labels, which show the hand cursor.
  virtual bool IsLink(HWND /*control*/) const { return false; }

  int Px(int twips) const { return TwipsToPixels(twips, dpi_); }
  RECT TwipsRect(int left, int top, int width, int height) const;
  // Client area of the given size in twips, centred on the owner or, with
  // none, on the screen's work area.
  void SizeClientAndCentre(int widthTwips, int heightTwips, HWND centreOn);
  HWND AddControl(HWND parent, const wchar_t* cls, DWORD style, DWORD exStyle, int id, RECT pixels);
  int dpi() const { return dpi_; }

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

  HWND hwnd_ = nullptr;
  int dpi_ = USER_DEFAULT_SCREEN_DPI;
  bool modal_ = false;
  bool selfOwned_ = false;
};

}  // namespace tarnwick::win32
