// tvxcard: writes a memory-card image of the controller.
//   tvxcard OUT [--seed N] [--ring not-wrapped|wrapped|eager] [--tools N] [--types N]
//               [--recordings N] [--samples N]
//   tvxcard OUT --scenario S1|S2|S3|S4|S4b|S5|S6
//   tvxcard OUT --stamp
// The image is sparse: 27,221,673,472 bytes apparent, a few MB on disk.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "sim/card_image.h"

namespace {

int usage()
{
    std::fprintf(stderr,
                 "usage: tvxcard OUT [--seed N] [--ring not-wrapped|wrapped|eager] [--tools N] [--types N]\n"
                 "                   [--recordings N] [--samples N]\n"
                 "       tvxcard OUT --scenario NAME   (S1 S2 S3 S4 S4b S5 S6)\n"
                 "       tvxcard OUT --stamp\n");
    return 2;
}

bool number(const char* s, int& out)
{
    char* end = nullptr;
    const long v = std::strtol(s, &end, 10);
    if (!*s || *end || v < 0 || v > 1000000)
        return false;
    out = int(v);
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argv[1][0] == '-')
        return usage();
    const std::string out = argv[1];
    card_image::realistic_options o;
    std::string scenario;
    bool stamp = false;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        const bool has_value = i + 1 < argc;
        int v = 0;
        if (a == "--stamp") {
            stamp = true;
        } else if (a == "--scenario" && has_value) {
            scenario = argv[++i];
        } else if (a == "--ring" && has_value) {
            const std::string r = argv[++i];
            if (r == "not-wrapped")
                o.ring = card_image::ring_state::not_wrapped;
            else if (r == "wrapped")
                o.ring = card_image::ring_state::wrapped;
            else if (r == "eager")
                o.ring = card_image::ring_state::eager_wrap;
            else
                return usage();
        } else if (has_value && number(argv[i + 1], v) &&
                   (a == "--seed" || a == "--tools" || a == "--types" || a == "--recordings" || a == "--samples")) {
            ++i;
            if (a == "--seed")
                o.seed = uint32_t(v);
            else if (a == "--tools")
                o.tools = v;
            else if (a == "--types")
                o.tool_types = v;
            else if (a == "--recordings")
                o.recordings = v;
            else
                o.max_samples = v < 1 ? 1 : v;
        } else {
            return usage();
        }
    }
    bool ok;
    if (stamp) {
        ok = card_image::write_stamp_image(out);
    } else if (!scenario.empty()) {
        bool known = false;
        for (const auto& n : card_image::scenario_names())
            known |= n == scenario;
        if (!known)
            return usage();
        ok = card_image::write_scenario(card_image::make_scenario(scenario), out);
    } else {
        ok = card_image::write_scenario(card_image::realistic(o), out);
    }
    if (!ok) {
        std::fprintf(stderr, "tvxcard: cannot write %s: %s\n", out.c_str(), std::strerror(errno));
        return 1;
    }
    return 0;
}
