#include "os_family.h"

#include <cstdlib>
#include <cstring>

namespace platform {

bool is_nt_family()
{
    const char* v = std::getenv("TARVIX_WINFAMILY");
    return !(v && std::strcmp(v, "9x") == 0);
}

}  // namespace platform
