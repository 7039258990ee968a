// The progress and message dialogs, and the real Qt services driven by timers that play the
// user.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QScreen>
#include <QTest>
#include <QTreeView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

#include "core/device/device_commands.h"
#include "support/test_support.h"
#include "widgets/c_dlg_message.h"
#include "widgets/c_dlg_progressbar.h"
#include "widgets/fit_texts.h"
#include "widgets/qt_services.h"
#include "widgets/testing/test_app.h"

namespace {

class Dialogs : public ::testing::Test {
protected:
    void SetUp() override { ui_testing::test_app(); }

    // Runs `user` on the modal widget as soon as one is shown (polled, never a fixed sleep).
    // A modal that never comes fails the test and closes the windows, rather than leaving it
    // waiting until the harness kills it; a poll never outlives its test.
    void when_modal(std::function<void(QWidget*)> user)
    {
        auto* poll = new QTimer(&polls_);
        poll->setInterval(10);
        QElapsedTimer waited;
        waited.start();
        QObject::connect(poll, &QTimer::timeout, [poll, user, waited] {
            if (QWidget* w = QApplication::activeModalWidget()) {
                poll->stop();
                poll->deleteLater();
                user(w);
                // A failed check inside `user` must not leave the test waiting forever.
                if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible()) {
                    ADD_FAILURE() << "the modal " << w->metaObject()->className() << " stayed open";
                    d->reject();
                }
                return;
            }
            if (waited.elapsed() < 60000)
                return;
            poll->stop();
            poll->deleteLater();
            ADD_FAILURE() << "no modal window was shown";
            for (QWidget* top : QApplication::topLevelWidgets()) {
                if (!top->isVisible())
                    continue;
                if (auto* d = qobject_cast<QDialog*>(top))
                    d->reject();
                else
                    top->close();
            }
        });
        poll->start();
    }

    QObject polls_;
};

TEST_F(Dialogs, ProgressDialogForm)
{
    c_dlg_progressbar d;
    EXPECT_EQ(d.objectName(), "c_dlg_progressbar");
    EXPECT_EQ(d.progressBar()->minimum(), 0);
    EXPECT_EQ(d.progressBar()->maximum(), 100);
    EXPECT_EQ(d.l_FileInfo()->text(), "TextLabel");
    EXPECT_FALSE(d.windowIcon().isNull());
    const Qt::WindowFlags f = d.windowFlags();
    EXPECT_TRUE(f & Qt::CustomizeWindowHint);
    EXPECT_TRUE(f & Qt::WindowTitleHint);
    EXPECT_TRUE(f & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(f & Qt::WindowContextHelpButtonHint);
    d.setValue(40);
    d.setValue(150);  // ignored by the bar
    EXPECT_EQ(d.value(), 40);
}

TEST_F(Dialogs, MessageDialogForm)
{
    c_dlg_message d;
    EXPECT_EQ(d.objectName(), "c_dlg_message");
    EXPECT_EQ(d.l_Message()->text(), "TextLabel");
    EXPECT_EQ(d.l_Message()->font().pointSize(), 9);
    EXPECT_EQ(d.minimumSize(), QSize(500, 110));
    EXPECT_EQ(d.maximumSize(), QSize(500, 110));
    EXPECT_FALSE(d.windowFlags() & Qt::WindowContextHelpButtonHint);
}

// Escape and the close button close the window as any dialog's do, during work too; the next
// run shows it again.
TEST_F(Dialogs, ProgressRunsShareOneWindowThatClosesAsAnyDialog)
{
    ui::qt_services s;
    c_dlg_progressbar shared;
    s.set_progress_dialog(&shared);

    s.progress_begin("Reading");
    EXPECT_TRUE(shared.isVisible());
    EXPECT_EQ(shared.windowTitle(), "Reading");
    EXPECT_EQ(s.progress_value(), 1);
    s.progress_set(37);
    EXPECT_EQ(shared.value(), 37);

    struct row {
        const char* name;
        std::function<void()> user;
    };
    const row rows[] = {
        {"close button", [&] { shared.close(); }},
        {"Escape", [&] {
             QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
             QApplication::sendEvent(&shared, &esc);
         }},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        s.progress_begin("Sending");  // the next run: same window, new title
        EXPECT_EQ(s.progress_dialog(), &shared);
        EXPECT_EQ(shared.windowTitle(), "Sending");
        EXPECT_EQ(shared.value(), 1);
        ASSERT_TRUE(shared.isVisible());
        r.user();
        EXPECT_FALSE(shared.isVisible());
        s.progress_set(60);  // the work goes on
        EXPECT_EQ(shared.value(), 60);
        s.progress_end();
        EXPECT_FALSE(shared.isVisible());
    }
}

// A box in the middle of a transfer keeps the link timer off the link, as the transfer's own
// event passes do; any other box leaves the timer running (the progress dialog hidden after
// an earlier transfer is still there, and must not freeze the timer behind every later box).
TEST_F(Dialogs, OnlyABoxShownDuringATransferHoldsTheLinkTimerOff)
{
    ui::qt_services s;
    c_dlg_progressbar shared;
    s.set_progress_dialog(&shared);
    struct row {
        const char* when;
        std::function<void()> before, after;
        bool busy;
    };
    const row rows[] = {
        {"before any transfer", [] {}, [] {}, false},
        {"during a transfer", [&] { s.progress_begin("Sending"); }, [&] { s.progress_end(); }, true},
        {"after a transfer", [] {}, [] {}, false},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.when);
        r.before();
        int busy_in_box = -1;
        when_modal([&](QWidget* w) {
            busy_in_box = g_dev_commands().exchange_busy;
            static_cast<QMessageBox*>(w)->button(QMessageBox::Ok)->click();
        });
        s.message(ui::box_kind::warning, "Title", "Text", ui::ok, ui::ok);
        EXPECT_EQ(busy_in_box, r.busy ? 1 : 0);
        EXPECT_EQ(g_dev_commands().exchange_busy, 0);  // given back when the box closes
        r.after();
    }
}

TEST_F(Dialogs, ServicesMakeTheirOwnProgressDialogWhenGivenNone)
{
    ui::qt_services s;
    s.progress_begin("Work");
    ASSERT_NE(s.progress_dialog(), nullptr);
    EXPECT_TRUE(s.progress_dialog()->isVisible());
    s.progress_end();
    EXPECT_FALSE(s.progress_dialog()->isVisible());
}

TEST_F(Dialogs, MessageBoxesCarryKindTitleTextAndButtons)
{
    struct row {
        ui::box_kind kind;
        QMessageBox::Icon icon;
        int buttons, def, press;
    };
    const row rows[] = {
        {ui::box_kind::critical, QMessageBox::Critical, ui::ok, ui::no_button, ui::ok},
        {ui::box_kind::warning, QMessageBox::Warning, ui::ok | ui::cancel, ui::cancel, ui::cancel},
        {ui::box_kind::information, QMessageBox::Information, ui::ok, ui::no_button, ui::ok},
        {ui::box_kind::question, QMessageBox::Question, ui::yes | ui::no | ui::cancel, ui::no, ui::yes},
    };
    ui::qt_services s;
    for (const row& r : rows) {
        QString seenTitle, seenText;
        int seenButtons = 0, seenDefault = 0;
        QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
        when_modal([&](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            ASSERT_NE(box, nullptr);
            seenTitle = box->windowTitle();
            seenText = box->text();
            seenIcon = box->icon();
            seenButtons = int(box->standardButtons());
            seenDefault = box->defaultButton() ? int(box->standardButton(box->defaultButton())) : 0;
            box->button(QMessageBox::StandardButton(r.press))->click();
        });
        EXPECT_EQ(s.message(r.kind, "Title", "Some text", r.buttons, r.def), r.press);
        EXPECT_EQ(seenTitle, "Title");
        EXPECT_EQ(seenText, "Some text");
        EXPECT_EQ(seenIcon, r.icon);
        EXPECT_EQ(seenButtons, r.buttons);
        if (r.def != ui::no_button) {
            EXPECT_EQ(seenDefault, r.def);
        }
    }
}

// A question with named buttons is a box of the parent it is given, and answers the index of
// the button pressed.
TEST_F(Dialogs, ChoiceBoxHasItsParentAndAnswersTheButtonIndex)
{
    ui::qt_services s;
    QWidget window;
    const QWidget* parent = nullptr;
    QString text;
    when_modal([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        parent = box->parentWidget();
        text = box->text();
        EXPECT_EQ(box->buttons().size(), 3);
        for (QAbstractButton* b : box->buttons())
            if (b->text() == QLatin1String("Basic"))
                b->click();
    });
    EXPECT_EQ(s.choose(&window, "Confirm", "Which type?", {"Premium", "Basic", "&Cancel"}, 2), 1);
    EXPECT_EQ(parent, &window);
    EXPECT_EQ(text, "Which type?");
}

TEST_F(Dialogs, FileDialogsAreQtsOwn)
{
    testing_support::temp_dir dir;
    const QString file = QString::fromStdString(dir.file("program.cdx"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    ui::qt_services s;
    // The append chooser (a trace file to continue) is the save dialog without its "replace?".
    enum which { open, save, append, directory };
    for (which w : {open, save, append, directory}) {
        QString caption;
        bool nonNative = false, asks_replace = false;
        when_modal([&](QWidget* m) {
            auto* fd = qobject_cast<QFileDialog*>(m);
            ASSERT_NE(fd, nullptr);
            caption = fd->windowTitle();
            nonNative = fd->testOption(QFileDialog::DontUseNativeDialog);
            asks_replace = !fd->testOption(QFileDialog::DontConfirmOverwrite);
            // Typed as a user would: the dialog's model loads the folder only later.
            fd->setDirectory(QString::fromStdString(dir.path()));
            if (w != directory)
                fd->findChild<QLineEdit*>("fileNameEdit")->setText("program.cdx");
            // Past QFileDialog's own checks, which wait for its directory model to load.
            fd->QDialog::done(QDialog::Accepted);
        });
        const QString start = QString::fromStdString(dir.path());
        QString got;
        if (w == open)
            got = s.open_file_name(nullptr, "Open program", start, "Programs (*.cdx)");
        else if (w == save)
            got = s.save_file_name(nullptr, "Save program", start, "Programs (*.cdx)");
        else if (w == append)
            got = s.append_file_name(nullptr, "Continue program", start, "Programs (*.cdx)");
        else
            got = s.existing_directory(nullptr, "Choose folder", start);
        EXPECT_TRUE(nonNative);
        if (w == save || w == append) {
            EXPECT_EQ(asks_replace, w == save);
        }
        EXPECT_EQ(caption, w == open     ? "Open program"
                           : w == save   ? "Save program"
                           : w == append ? "Continue program"
                                         : "Choose folder");
        EXPECT_EQ(got, w == directory ? QString::fromStdString(dir.path()) : file);
    }
}

TEST_F(Dialogs, ModalRunReturnsTheDialogsResult)
{
    ui::qt_services s;
    QDialog d;
    when_modal([](QWidget* w) { static_cast<QDialog*>(w)->done(7); });
    EXPECT_EQ(s.run_modal(&d), 7);
    QWidget notADialog;
    EXPECT_EQ(s.run_modal(&notADialog), 0);
}

// A dialog the program keeps and runs again stands where it stood at its first run (or where
// the user left it): the window system's placement of the dialog shown anew (by its frame, a
// title bar lower under a window manager) is undone.
TEST_F(Dialogs, ADialogRunAgainStandsWhereItStood)
{
    ui::qt_services s;
    QWidget main;
    main.setGeometry(100, 100, 800, 600);
    main.show();
    QDialog d(&main);
    d.resize(300, 100);
    QPoint first;
    when_modal([&](QWidget* w) {
        first = w->pos();
        static_cast<QDialog*>(w)->reject();
    });
    s.run_modal(&d);
    QPoint second;
    when_modal([&](QWidget* w) {
        w->move(w->pos() + QPoint(1, 20));  // as the window system shows it again
        QTest::qWaitFor([&] { return w->pos() == first; }, 2000);
        second = w->pos();
        static_cast<QDialog*>(w)->reject();
    });
    s.run_modal(&d);
    EXPECT_EQ(second, first);

    // Moved by the user, it comes back there.
    when_modal([&](QWidget* w) {
        w->move(20, 30);
        static_cast<QDialog*>(w)->reject();
    });
    s.run_modal(&d);
    when_modal([&](QWidget* w) {
        second = w->pos();
        static_cast<QDialog*>(w)->reject();
    });
    s.run_modal(&d);
    EXPECT_EQ(second, QPoint(20, 30));
}

// The file dialogs open wide enough for the names of their side bar and every column of the
// file list (Name, Size, Type, Date Modified), and within a 1280 x 800 screen.
TEST_F(Dialogs, FileDialogsShowTheirSideBarAndEveryColumnWhole)
{
    ui::qt_services s;
    testing_support::temp_dir dir;
    QFile(QString::fromStdString(dir.file("a program with a long name.cdx"))).open(QIODevice::WriteOnly);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    auto check = [&](QWidget* w) {
        auto* side = w->findChild<QAbstractItemView*>(QStringLiteral("sidebar"));
        auto* files = w->findChild<QTreeView*>(QStringLiteral("treeView"));
        ASSERT_TRUE(side && files);
        EXPECT_LE(w->width(), screen.width());
        EXPECT_LE(w->height(), screen.height());
        EXPECT_GE(side->viewport()->width(), side->sizeHintForColumn(0));
        const QHeaderView* header = files->header();
        ASSERT_EQ(header->count(), 4);
        for (int c = 0; c < header->count(); ++c) {
            EXPECT_GE(header->sectionSize(c), header->sectionSizeHint(c)) << c;
            EXPECT_GE(header->sectionViewportPosition(c), 0) << c;
            EXPECT_LE(header->sectionViewportPosition(c) + header->sectionSize(c), files->viewport()->width()) << c;
        }
    };
    // A dialog the program keeps, and one of the services' own.
    QFileDialog kept(nullptr, QStringLiteral("Load"), QString::fromStdString(dir.path()));
    kept.setOption(QFileDialog::DontUseNativeDialog);
    kept.setViewMode(QFileDialog::Detail);
    when_modal([&](QWidget* w) {
        check(w);
        static_cast<QDialog*>(w)->reject();
    });
    s.run_modal(&kept);
    when_modal([&](QWidget* w) {
        check(w);
        static_cast<QDialog*>(w)->reject();
    });
    s.open_file_name(nullptr, QStringLiteral("Open"), QString::fromStdString(dir.path()), QStringLiteral("*.cdx"));
}

// The one-line text box is wide enough for a window manager to show its title whole (it would
// be only as wide as its field), and answers what was typed, or nothing when cancelled.
TEST_F(Dialogs, TextLineBoxHoldsItsTitle)
{
    ui::qt_services s;
    const QString title = QStringLiteral("Optional info text ...");
    for (bool accept : {true, false}) {
        when_modal([&](QWidget* w) {
            EXPECT_EQ(w->windowTitle(), title);
            QFont bold = QApplication::font("QMdiSubWindowTitleBar");
            bold.setBold(true);
            EXPECT_GT(w->width(), QFontMetrics(bold).horizontalAdvance(title));
            EXPECT_GE(w->width(), window_title_width(w));
            w->findChild<QLineEdit*>()->setText(QStringLiteral("line 3 stopped"));
            if (accept)
                static_cast<QDialog*>(w)->accept();
            else
                static_cast<QDialog*>(w)->reject();
        });
        EXPECT_EQ(s.text_line(nullptr, title, QString()), accept ? QStringLiteral("line 3 stopped") : QString());
    }
}

// A dialog that lives on takes the list of its name completion with it when it closes (a
// name taken with Enter while the list was up left it on the screen, catching the next click).
TEST_F(Dialogs, ALiveFileDialogClosesWithoutLeavingItsCompletionList)
{
    ui::qt_services s;
    testing_support::temp_dir dir;
    for (const char* name : {"mine.cdx", "mine2.cdx"})
        QFile(QString::fromStdString(dir.file(name))).open(QIODevice::WriteOnly);
    QFileDialog d(nullptr, QStringLiteral("Load"));
    d.setOption(QFileDialog::DontUseNativeDialog);
    d.setDirectory(QString::fromStdString(dir.path()));
    QAbstractItemView* list = nullptr;
    when_modal([&](QWidget* w) {
        auto* edit = w->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(edit, nullptr);
        QCompleter* c = edit->completer();
        ASSERT_NE(c, nullptr);
        list = c->popup();
        edit->setText(QStringLiteral("mine.cdx"));
        c->setCompletionPrefix(QStringLiteral("mine"));
        c->complete();
        static_cast<QDialog*>(w)->accept();
    });
    EXPECT_EQ(s.run_modal(&d), QDialog::Accepted);
    ASSERT_NE(list, nullptr);
    EXPECT_FALSE(list->isVisible());
}

}  // namespace
