#include "sim/controller.h"

#include <algorithm>
#include <cstring>

#include "sim/request_table.h"

namespace sim {

namespace dp = device_protocol;

std::vector<uint8_t> controller::input_report(const device_frame& f, uint16_t input_length)
{
    std::vector<uint8_t> r(std::max<size_t>(input_length, 1), 0);
    if (r.size() > 1)
        r[dp::report_length_offset] = uint8_t(dp::frame_size);
    size_t n = std::min(dp::frame_size, r.size() > 2 ? r.size() - 2 : 0);
    std::memcpy(r.data() + std::min<size_t>(2, r.size()), f.data(), n);
    return r;
}

std::vector<device_frame> controller::handle_frame(const device_frame& request, std::string* violation)
{
    return handle_frame(request, violation, {});
}

std::vector<device_frame> controller::handle_frame(const device_frame& request, std::string* violation,
                                                   const std::function<bool()>& admit)
{
    reply_sink out(request);
    auto refuse = [&](uint8_t code, const std::string& why) {
        ++w_.violations;
        if (violation)
            *violation = why;
        out.error(code);
    };
    const request_handler* h = find_request_handler(request.type());
    if (request[dp::start_offset] != dp::start_byte) {
        refuse(dp::device_error_start_byte, "no start byte");
    } else if (!h) {
        refuse(dp::device_error_frame_type, "unknown frame type");
    } else if ((h->rule == count_rule::exact && request.data_count() != h->count) ||
               (h->rule == count_rule::range &&
                (request.data_count() < h->count || request.data_count() > h->count_max))) {
        refuse(dp::device_error_data_count, "data count " + std::to_string(request.data_count()));
    } else if (w_.loader_only && !h->in_loader) {
        if (admit)
            admit();
        out.error(dp::device_error_loader_only);
    } else if (!admit || admit()) {
        ++w_.requests_handled;
        h->fn(w_, request, out);
        if (h->writes_program)
            w_.program_changed = true;
    }
    return out.replies();
}

controller_result controller::handle_report(const uint8_t* report, size_t n, uint16_t output_length,
                                            uint16_t input_length, uint8_t iface)
{
    controller_result res;
    // The report layer: whole declared length, ID 0, a length byte of at most 63.
    std::string bad;
    if (n != output_length)
        bad = "report length " + std::to_string(n) + ", declared " + std::to_string(output_length);
    else if (n < dp::report_frame_offset || report[dp::report_id_offset] != 0)
        bad = "report ID";
    else if (report[dp::report_length_offset] == 0 || report[dp::report_length_offset] > dp::max_frame_length ||
             report[dp::report_length_offset] + dp::report_frame_offset > n)
        bad = "length byte " + std::to_string(report[dp::report_length_offset]);
    if (!bad.empty()) {
        ++w_.violations;
        log_.add(wire_direction::refused, iface, report, n, bad);
        return res;
    }
    device_frame request;
    std::memcpy(request.data(), report + dp::report_frame_offset, report[dp::report_length_offset]);

    std::string violation;
    fault f;
    bool faulted = false;
    // A fault is taken by a well-formed request only; an error reply stands for a refusal, so
    // the world does not handle that request.
    std::vector<device_frame> replies = handle_frame(request, &violation, [&] {
        faulted = faults_.take(request.type(), request[dp::command_offset], f);
        return !faulted || f.kind != fault_kind::error_reply;
    });
    if (!violation.empty()) {
        log_.add(wire_direction::refused, iface, report, n, violation);
        for (const auto& r : replies)
            res.reports.push_back({input_report(r, input_length), 0, {}});
        return res;
    }

    std::string note;
    if (faulted) {
        note = "fault " + fault_kind_name(f.kind);
        switch (f.kind) {
        case fault_kind::drop:
            replies.clear();
            break;
        case fault_kind::unplug:
            replies.clear();
            res.unplug = true;
            res.replug_ms = f.replug_ms;
            break;
        case fault_kind::wrong_kind:
            for (auto& r : replies) {
                uint8_t k = f.reply_kind ? f.reply_kind : uint8_t(request.kind() == dp::kind_parameter ? 1 : 3);
                r[dp::type_offset] = uint8_t((r.type() & ~dp::type_kind_mask) | (k & dp::type_kind_mask));
            }
            break;
        case fault_kind::error_reply: {
            reply_sink s(request);
            s.error(f.code, f.text_type, f.argument, f.count);
            replies = s.replies();
            break;
        }
        case fault_kind::short_reply:
            for (auto& r : replies) {
                const size_t keep = std::min<size_t>(f.count, dp::frame_size - dp::data_offset);
                r[dp::count_offset] = f.count;
                std::memset(r.data() + dp::data_offset + keep, 0, dp::frame_size - dp::data_offset - keep);
            }
            break;
        case fault_kind::echo:
            for (auto& r : replies)
                r[dp::info_index_offset] = f.argument;
            break;
        default:
            break;
        }
    }
    log_.add(wire_direction::in, iface, report, n, note);
    if (w_.reboot_pending) {
        // The reset is acknowledged, then the controller restarts.
        w_.reboot_pending = false;
        res.unplug = true;
        res.replug_ms = w_.reboot_ms;
        res.reboot = true;
    }
    for (const auto& r : replies) {
        outgoing_report o{input_report(r, input_length), 0, note};
        if (f.kind == fault_kind::delay && !note.empty())
            o.delay_ms = f.ms;
        if (!note.empty() && f.kind == fault_kind::short_report && !o.report.empty())
            o.report.pop_back();
        if (!note.empty() && f.kind == fault_kind::bad_length && o.report.size() > 1)
            o.report[dp::report_length_offset] = 64;
        res.reports.push_back(o);
        if (!note.empty() && f.kind == fault_kind::duplicate)
            res.reports.push_back(o);
    }
    return res;
}

}  // namespace sim
