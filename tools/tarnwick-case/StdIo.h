// Standard input and output as the filter needs them: raw bytes.
#pragma once

#include <cstdio>
#include <string>

namespace tarnwick::casefilter {

// Puts stdin and stdout into binary mode where the platform translates line
// ends (Windows); elsewhere there is nothing to do.
void UseBinaryStdio();

// Reads the whole stream; false on a read error.
bool ReadAll(std::FILE* in, std::string& data);

}  // namespace tarnwick::casefilter
