// Binary mode for the C runtime's stdin and stdout: without it CR LF would
// become LF on input and a NUL-free text mode would alter the bytes. And
// whether standard input is a file on disk, by its handle's type.
#include "../StdIo.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>

namespace tarnwick::casefilter {

void UseBinaryStdio() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
}

bool IsDiskFile(std::FILE* stream) {
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  return handle != INVALID_HANDLE_VALUE && GetFileType(handle) == FILE_TYPE_DISK;
}

}  // namespace tarnwick::casefilter
