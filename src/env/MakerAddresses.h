// The maker's support mail address and web site address: the one home of
// both. They are assembled from character codes each time they are asked for,
// so the plain addresses never stand in the executable as one string.
#pragma once

#include "common/Text.h"

namespace tarnwick {

// "support@tarnwick.example"
Text SupportAddress();
// "https://www.tarnwick.example/"
Text WebsiteAddress();

}  // namespace tarnwick
