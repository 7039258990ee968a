// File › Open › Tarvix as a user runs it: the menu entry, the data source dialog's Tarvix button,
// the progress dialog through the whole read, the program page after it. The link timer runs
// all along on the paced link; no status request of its own may enter the transfer.
#include <QPushButton>
#include <QElapsedTimer>

#include "app/c_dlg_srcauswahl.h"
#include "core/image/working_image.h"
#include "program/c_dlgw_program.h"
#include "tests/roads/road_fixture.h"
#include "ui_c_dlgw_program.h"

namespace roads {
namespace {

class open_road : public road_test {
protected:
    // Open › Tarvix to the program page; the wire's requests of the flow.
    std::vector<uint8_t> open_from_controller()
    {
        const uint64_t seq = sim_->control().log_next_seq();
        driver_.press(QStringLiteral("c_dlg_srcauswahl"), QStringLiteral("Tarvix"));
        click(form()->ac_Open);
        return requests(seq);
    }
    // Back to the start page with the program page's Close.
    void close_program_page()
    {
        // The program is the controller's, unchanged: Close asks nothing.
        window_->program_page()->form()->bn_Close->click();
        EXPECT_TRUE(driver_.boxes().empty()) << driver_.summary().toStdString();
        EXPECT_EQ(page(), int(c_frm_main::page_start));
    }
};

TEST_F(open_road, open_tarvix_twenty_times_in_a_row_with_no_status_request_inside_the_transfer)
{
    QElapsedTimer each;
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        each.start();
        const std::vector<uint8_t> types = open_from_controller();
        ASSERT_EQ(driver_.pending(), 0);
        ASSERT_TRUE(driver_.boxes().empty()) << driver_.summary().toStdString();
        ASSERT_EQ(page(), int(c_frm_main::page_program));
        EXPECT_EQ(g_program_document().source, 1);
        EXPECT_TRUE(g_link().program_from_device);
        EXPECT_GT(types.size(), 100u);
        EXPECT_EQ(status_requests_inside(types), 0);
        std::printf("open %d: %lld ms, %zu requests\n", round, each.elapsed(), types.size());
        close_program_page();
        driver_.clear();
    }
}

}  // namespace
}  // namespace roads
