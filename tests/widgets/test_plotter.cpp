#include "qt_app_env.h"
