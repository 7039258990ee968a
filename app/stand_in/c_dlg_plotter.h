// The plotter now lives with the process monitor; pages that still include this name get it.
#pragma once
#include "procmon/windows/c_dlg_plotter.h"
