#include "app/konfig_access.h"

// Until konfig.cfg is read and written by the configuration-file layer the index lives here.
namespace {
int g_language = 0;
}

int konfig_language() { return g_language; }

bool konfig_set_language(int language)
{
    g_language = language;
    return true;
}
