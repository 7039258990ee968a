// Which line of the Windows family the programs behave as (the NT flag and the driver
// choices that hang off it). NT unless TARVIX_WINFAMILY=9x asks for the other branch.
#pragma once

namespace platform {

bool is_nt_family();

}  // namespace platform
