#include "arguments.h"

#include "cli_settings.h"
#include "parse_parameter.h"

namespace flashcli {
namespace {

bool apply_switch(char c)
{
    cli_settings& s = settings();
    switch (c) {
    case '!': s.fast_protocol = 1; return true;
    case '#': s.transport = transport_serial; return true;
    case '$': s.transport = transport_can_dongle; return true;
    case '%': s.short_output = 1; return true;
    case '&':
    case '@': s.transport = transport_ethernet; return true;
    case '(': s.transport = transport_peak_can; return true;
    case ')': s.no_key_wait = 1; return true;
    case '+': s.no_timeout = 1; return true;
    case '=': s.transport = transport_usb; return true;
    default: return false;
    }
}

}  // namespace

void apply_early_language(const argument_list& args)
{
    if (args.empty())
        return;
    const std::string& a = args[0];
    if (a.size() >= 3 && ascii_upper(a[0]) == 'H' && a[1] == ':' && static_cast<unsigned char>(a[2]) >= 'A')
        parse_parameter(a.c_str());
}

bool is_help_request(const argument_list& args)
{
    return args.size() == 1 && !args[0].empty() && args[0][0] == '?';
}

void apply_argument(const std::string& arg)
{
    if (arg.empty())
        return;
    const char c0 = ascii_upper(arg[0]);
    if (c0 >= 'A' && c0 <= 'Z' && arg.size() >= 3 && arg[1] == ':' && arg[2] != '\\') {
        parse_parameter(arg.c_str());
        return;
    }
    if (arg.size() == 1 && apply_switch(arg[0]))
        return;
    // A drive path (C:\dir\name) and, on this system, an absolute path name a settings file too.
    if ((c0 >= 'A' && c0 <= 'Z') || (c0 >= '0' && c0 <= '9') || c0 == '.' || c0 == '/')
        settings().settings_name = arg;
}

void apply_arguments(const argument_list& args)
{
    for (const std::string& a : args)
        apply_argument(a);
}

}  // namespace flashcli
