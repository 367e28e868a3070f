// Binary mode for the C runtime's stdin and stdout: without it CR LF would
// become LF on input and a NUL-free text mode would alter the bytes.
#include "../StdIo.h"

#include <fcntl.h>
#include <io.h>

namespace tarnwick::casefilter {

void UseBinaryStdio() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
}

}  // namespace tarnwick::casefilter
