#include "StdIo.h"

namespace tarnwick::casefilter {

#ifndef _WIN32
void UseBinaryStdio() {}
#endif

}  // namespace tarnwick::casefilter
