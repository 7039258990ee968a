// The command-set tests' controller: the simulated controller in the test process behind the
// scripted HID backend, the link open with its receive thread, a UI that records progress and
// whether each event pass ran with exchange_busy set, and every request with its time-out.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core/device/device_calls.h"
#include "core/device/device_commands.h"
#include "core/device/device_exchange.h"
#include "core/image/core_state.h"
#include "core/link/hid_link.h"
#include "core/link/hid_receive_thread.h"
#include "core/text/user_seam.h"
#include "platform/hid_fake.h"
#include "sim/inprocess_device.h"
#include "sim/profiles.h"
#include "tests/core/core_fixture.h"

class probe_ui final : public ui::services {
public:
    probe_ui() { ui::install(this); }
    ~probe_ui() override { ui::install(nullptr); }
    int message(ui::box_kind, const QString& title, const QString& text, int, int) override
    {
        boxes.push_back(title + ": " + text);
        return ui::ok;
    }
    void progress_begin(const QString& title) override
    {
        titles.push_back(title);
        value = 1;
        shown = true;
    }
    void progress_set(int percent) override
    {
        value = percent;
        values.push_back(percent);
    }
    int progress_value() const override { return value; }
    void progress_end() override { shown = false; }
    void process_events() override
    {
        ++passes;
        if (!g_dev_commands().exchange_busy)
            ++passes_unguarded;
    }
    QString open_file_name(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString save_file_name(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString existing_directory(QWidget*, const QString&, const QString&) override { return {}; }
    int run_modal(QWidget*) override { return 0; }

    std::vector<QString> boxes;
    std::vector<QString> titles;
    std::vector<int> values;
    int value = 0;
    bool shown = false;
    int passes = 0;
    int passes_unguarded = 0;
};

class device_sim_test : public core_test {
protected:
    void SetUp() override
    {
        core_test::SetUp();
        platform::hid_install_backend(&fake_);
        dev_ = std::make_unique<sim::inprocess_device>(fake_, "premium");
        error_record e;
        ASSERT_TRUE(hid_open(e)) << e.code;
        thread_.start();
        dev_exchange().send_observer = [this](const device_frame& f, uint16_t t) {
            sent.push_back(f);
            timeouts.push_back(t);
        };
    }
    void TearDown() override
    {
        thread_.stop_and_wait();
        core_test::TearDown();
        dev_.reset();
        platform::hid_install_backend(nullptr);
    }
    void profile(const std::string& name) { ASSERT_TRUE(sim::load_profile(world(), name)); }
    sim::world& world() { return dev_->state(); }
    void arm(const std::string& text)
    {
        sim::fault f;
        std::string why;
        ASSERT_TRUE(sim::parse_fault(text, f, why)) << why;
        dev_->faults().arm(f);
    }
    void forget()
    {
        sent.clear();
        timeouts.clear();
    }

    probe_ui ui_;
    platform::hid_fake_backend fake_;
    std::unique_ptr<sim::inprocess_device> dev_;
    hid_receive_thread thread_;
    std::vector<device_frame> sent;  // every request, in order
    std::vector<uint16_t> timeouts;  // and the time-out each waited
};
