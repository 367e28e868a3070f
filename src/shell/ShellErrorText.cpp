#include "shell/ShellErrorText.h"

namespace tarnwick::mCommon {

Text ShellErrorText(std::int32_t code) {
  switch (code) {
    case 0:
      return u"The operating system is out of memory or resources.";
    case 2:
      return u"The specified file was not found.";
    case 3:
      return u"The specified path was not found.";
    case 5:
      return u"The operating system denied access to the specified file.";
    case 8:
      return u"There was not enough memory to complete the operation.";
    case 11:
      return u"The .exe file is invalid (non-Win32 .exe or error in .exe image).";
    case 26:
      return u"A sharing violation occurred.";
    case 27:
      return u"The file name association is incomplete or invalid.";
    case 31:
      return u"There is no application associated with the given file name extension. This "
             u"error will also be returned if you attempt to print a file that is not printable.";
    default:  // the DDE codes 28 to 30, 32 and all others show nothing
      return {};
  }
}

}  // namespace tarnwick::mCommon
