// Case-insensitive path lookup for files named by Windows-style settings.
#include "paths.h"

#include <dirent.h>
#include <sys/stat.h>

#include <vector>

namespace platform {
namespace {

bool exists(const std::string& p)
{
    struct stat st;
    return lstat(p.c_str(), &st) == 0;
}

char ascii_lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool equal_ignoring_case(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (ascii_lower(a[i]) != ascii_lower(b[i]))
            return false;
    return true;
}

// The entry of dir that equals name ignoring case, or name itself when none does.
std::string match_in_directory(const std::string& dir, const std::string& name)
{
    DIR* d = opendir(dir.empty() ? "." : dir.c_str());
    if (!d)
        return name;
    std::string best;
    bool found = false;
    while (struct dirent* e = readdir(d)) {
        std::string entry = e->d_name;
        if (equal_ignoring_case(entry, name) && (!found || entry < best)) {
            best = entry;
            found = true;
        }
    }
    closedir(d);
    return found ? best : name;
}

}  // namespace

std::string resolve_path(const std::string& path)
{
    std::string p = path;
    for (char& c : p)
        if (c == '\\')
            c = '/';
    if (p.empty() || exists(p))
        return p;

    std::string result;
    size_t pos = 0;
    if (p[0] == '/') {
        result = "/";
        pos = 1;
    }
    while (pos <= p.size()) {
        size_t end = p.find('/', pos);
        if (end == std::string::npos)
            end = p.size();
        std::string comp = p.substr(pos, end - pos);
        if (!comp.empty()) {
            std::string candidate = result + comp;
            if (comp != "." && comp != ".." && !exists(candidate))
                comp = match_in_directory(result, comp);
            result += comp;
        }
        if (end < p.size() && (result.empty() || result.back() != '/'))
            result += '/';
        pos = end + 1;
    }
    return result;
}

}  // namespace platform
