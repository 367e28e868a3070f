#include "StdIo.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace tarnwick::casefilter {

#ifndef _WIN32
void UseBinaryStdio() {}

bool IsDiskFile(std::FILE* stream) {
  struct stat facts;
  return fstat(fileno(stream), &facts) == 0 && S_ISREG(facts.st_mode);
}
#endif

}  // namespace tarnwick::casefilter
