// Every form of the program at the main window's default size, with the font the system gives:
// each text a user reads (label, button, check box, radio button, group title, tab title,
// combo box entry, column header) is shown whole, no control lies outside its parent and no
// two sibling controls lie over each other.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionComboBox>
#include <QStyleOptionGroupBox>
#include <QTabBar>
#include <QTimer>
#include <QTableView>
#include <QTreeView>
#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "app/c_dlg_createclone.h"
#include "app/c_dlg_language.h"
#include "app/c_dlg_password.h"
#include "app/c_dlg_systeminfo.h"
#include "app/c_frm_main.h"
#include "core/text/global_tables.h"
#include "manual/c_dlgw_manualx.h"
#include "page_common/c_dlg_filter.h"
#include "page_common/c_dlg_plotter.h"
#include "page_common/c_dlg_scannerfinder.h"
#include "page_common/c_dlg_srcauswahl.h"
#include "procmon/windows/c_dlg_pm_data.h"
#include "program/c_dlgw_program.h"
#include "program_dialogs/c_dlg_advancedoptions.h"
#include "program_dialogs/c_dlg_area.h"
#include "program_dialogs/c_dlg_prgcluster.h"
#include "program_dialogs/c_dlg_prgfunction.h"
#include "program_dialogs/c_dlg_prgtool.h"
#include "program_dialogs/c_dlg_prgtooltype.h"
#include "program_dialogs/c_dlg_setup_wizard.h"
#include "scanner/c_dlg_scanparausw.h"
#include "state/shell_state.h"
#include "ui_c_dlgw_program.h"
#include "widgets/c_dlg_message.h"
#include "widgets/c_dlg_progressbar.h"
#include "widgets/c_qtabwidget_ext.h"

namespace {

constexpr int default_width = 1176;
constexpr int default_height = 744;

// Findings that are meant so, with the reason.
struct allowed {
    const char* form;     // nullptr: any form
    const char* object;   // the object the finding names
    const char* finding;  // the start of the finding
    const char* reason;
};
const allowed allow_list[] = {
    {"manual_page", "tbvx_Group_PM_Tools", "column past the view's edge",
     "the group row has no scroll bar of its own: it scrolls with the tool view below it"},
    {"manual_page", "tbvx_Group_PM_Records", "column past the view's edge",
     "the group row has no scroll bar of its own: it scrolls with the record view below it"},
};

bool is_allowed(const QString& form, const QString& object, const QString& finding)
{
    for (const allowed& a : allow_list) {
        if ((!a.form || form == QLatin1String(a.form)) && object == QLatin1String(a.object) &&
            finding.startsWith(QLatin1String(a.finding)))
            return true;
    }
    return false;
}

QString plain(QString text)
{
    // A mnemonic's "&" is not shown; "&&" shows one.
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text;
}

QString name_of(const QWidget* w)
{
    if (!w->objectName().isEmpty())
        return w->objectName();
    const QWidget* p = w->parentWidget();
    return (p ? name_of(p) + QLatin1Char('/') : QString()) + QLatin1Char('<') +
           QLatin1String(w->metaObject()->className()) + QLatin1Char('>');
}

bool qt_internal(const QWidget* w) { return w->objectName().startsWith(QLatin1String("qt_")); }

QString geometry_text(const QRect& r)
{
    return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
}

QString needs(const QString& what, int need, int has)
{
    return QStringLiteral("%1 (needs %2, has %3)").arg(what).arg(need).arg(has);
}

void settle()
{
    for (int i = 0; i < 3; ++i)
        QApplication::processEvents();
}

class fit_walker {
public:
    explicit fit_walker(QString form) : form_(std::move(form)) {}

    // Stacks shown on their current page only (the main window's pages, entered one by one).
    std::vector<QWidget*> current_only;
    // Tabs that the program never shows: their pages are walked, the tab bar is judged without them.
    std::vector<std::pair<QString, int>> never_shown;
    std::vector<QString> findings;

    void walk(QWidget* w)
    {
        check_text(w);
        if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
            walk_tabs(tabs);
            return;
        }
        if (auto* stack = qobject_cast<QStackedWidget*>(w)) {
            walk_stack(stack);
            return;
        }
        if (auto* view = qobject_cast<QAbstractItemView*>(w)) {
            check_header(view);
            return;  // the cells and the scroll bars are the view's own
        }
        if (auto* area = qobject_cast<QScrollArea*>(w)) {
            if (area->widget() && !area->widget()->isHidden())
                walk(area->widget());
            return;
        }
        if (qobject_cast<QAbstractScrollArea*>(w) || qobject_cast<QComboBox*>(w))
            return;
        check_children(w);
        for (QWidget* c : shown_children(w))
            walk(c);
    }

private:
    void report(const QWidget* w, const QString& what, const QString& text)
    {
        const QString object = name_of(w);
        if (is_allowed(form_, object, what))
            return;
        findings.push_back(QStringLiteral("%1: %2: %3 \"%4\"").arg(form_, object, what, text));
    }

    static std::vector<QWidget*> shown_children(QWidget* w)
    {
        std::vector<QWidget*> out;
        for (QObject* o : w->children()) {
            auto* c = qobject_cast<QWidget*>(o);
            if (c && !c->isWindow() && !c->isHidden())
                out.push_back(c);
        }
        return out;
    }

    void walk_tabs(QTabWidget* tabs)
    {
        if (auto* ext = qobject_cast<c_qtabwidget_ext*>(tabs)) {
            for (int n = 0; n < 32; ++n)
                ext->set_tab_visible(n, true);
        }
        const int keep = tabs->currentIndex();
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            settle();
            if (i == 0)
                check_children(tabs);
            walk(tabs->widget(i));
        }
        tabs->setCurrentIndex(keep);
        if (auto* ext = qobject_cast<c_qtabwidget_ext*>(tabs)) {
            for (const auto& n : never_shown) {
                if (n.first == tabs->objectName())
                    ext->set_tab_visible(n.second, false);
            }
        }
        settle();
        check_tab_bar(tabs->tabBar());
    }

    void walk_stack(QStackedWidget* stack)
    {
        if (std::find(current_only.begin(), current_only.end(), stack) != current_only.end()) {
            if (QWidget* page = stack->currentWidget()) {
                    walk(page);
            }
            return;
        }
        const int keep = stack->currentIndex();
        for (int i = 0; i < stack->count(); ++i) {
            stack->setCurrentIndex(i);
            settle();
            QWidget* page = stack->widget(i);
            walk(page);
        }
        stack->setCurrentIndex(keep);
        settle();
    }

    void check_text(QWidget* w)
    {
        QStyle* style = w->style();
        if (auto* label = qobject_cast<QLabel*>(w)) {
            if (label->text().isEmpty() || !label->pixmap(Qt::ReturnByValue).isNull())
                return;
            const QString text = label->text();
            if (label->wordWrap()) {
                if (label->heightForWidth(label->width()) > label->height())
                    report(w, QStringLiteral("text cut"), text);
            } else if (label->sizeHint().width() > label->width()) {
                report(w, needs(QStringLiteral("text cut"), label->sizeHint().width(), label->width()), text);
            }
            return;
        }
        if (auto* button = qobject_cast<QPushButton*>(w)) {
            if (button->text().isEmpty())
                return;
            // The button's size hint without the smallest width the style gives every text
            // button: the text, the style's button margin and the frame on both sides.
            const QFontMetrics fm(button->font());
            int need = fm.size(Qt::TextShowMnemonic, button->text()).width() +
                       style->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button) +
                       2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
            if (!button->icon().isNull())
                need += button->iconSize().width() + 4;
            if (need > button->width())
                report(w, needs(QStringLiteral("text cut"), need, button->width()),
                       plain(button->text()));
            return;
        }
        if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            if (button->text().isEmpty() || !(qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)))
                return;
            if (button->sizeHint().width() > button->width())
                report(w, needs(QStringLiteral("text cut"), button->sizeHint().width(), button->width()),
                       plain(button->text()));
            return;
        }
        if (auto* box = qobject_cast<QGroupBox*>(w)) {
            if (box->title().isEmpty())
                return;
            const QFontMetrics fm(box->font());
            // The title starts and ends one frame margin in from the box's sides.
            int need = fm.size(Qt::TextShowMnemonic, box->title()).width() + 2 * 8;
            if (box->isCheckable())
                need += style->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, box) +
                        style->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, box);
            if (need > box->width())
                report(w, needs(QStringLiteral("title cut"), need, box->width()),
                       plain(box->title()));
            return;
        }
        if (auto* combo = qobject_cast<QComboBox*>(w)) {
            if (combo->isEditable())
                return;
            QStyleOptionComboBox opt;
            opt.initFrom(combo);
            opt.editable = false;
            opt.frame = combo->hasFrame();
            const int room =
                style->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, combo).width();
            const QFontMetrics fm(combo->font());
            for (int i = 0; i < combo->count(); ++i) {
                const QString text = combo->itemText(i);
                // The style draws the entry one pixel in from each side of its field.
                const int need = fm.horizontalAdvance(text) + 2;
                if (need > room)
                    report(w, needs(QStringLiteral("entry cut"), need, room), text);
            }
        }
    }

    void check_tab_bar(QTabBar* bar)
    {
        const QFontMetrics fm(bar->font());
        const int space = bar->style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, bar);
        for (QObject* o : bar->children()) {
            auto* b = qobject_cast<QAbstractButton*>(o);
            if (b && b->isVisible()) {
                report(bar, QStringLiteral("tabs wider than the bar (it scrolls)"), QString());
                break;
            }
        }
        for (int i = 0; i < bar->count(); ++i) {
            if (!bar->isTabVisible(i))
                continue;
            const QRect r = bar->tabRect(i);
            const int need = fm.size(Qt::TextShowMnemonic, bar->tabText(i)).width() + space;
            if (need > r.width() || r.right() >= bar->width() || r.left() < 0)
                report(bar, QStringLiteral("tab title cut (needs %1, has %2 at %3 of %4)")
                                .arg(need)
                                .arg(r.width())
                                .arg(r.x())
                                .arg(bar->width()),
                       plain(bar->tabText(i)));
        }
    }

    void check_header(QAbstractItemView* view)
    {
        QHeaderView* header = nullptr;
        if (auto* table = qobject_cast<QTableView*>(view))
            header = table->horizontalHeader();
        else if (auto* tree = qobject_cast<QTreeView*>(view))
            header = tree->header();
        if (!header || header->isHidden() || !view->model())
            return;
        QAbstractItemModel* model = view->model();
        // A header whose style sheet takes the padding away draws its texts without the margin.
        const int margin = header->styleSheet().contains(QLatin1String("padding: 0px"))
                               ? 0
                               : header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
        for (int i = 0; i < header->count(); ++i) {
            if (header->isSectionHidden(i) || header->sectionSize(i) == 0)
                continue;
            const QString text = model->headerData(i, Qt::Horizontal, Qt::DisplayRole).toString();
            if (text.isEmpty())
                continue;
            QFont font = header->font();
            const QVariant f = model->headerData(i, Qt::Horizontal, Qt::FontRole);
            if (f.isValid())
                font = f.value<QFont>();
            int need = QFontMetrics(font).size(0, text).width() + 2 * margin;
            if (header->isSortIndicatorShown() && header->sortIndicatorSection() == i)
                need += header->style()->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, header);
            if (need > header->sectionSize(i))
                report(view, needs(QStringLiteral("column header cut"), need, header->sectionSize(i)), text);
            // Without a horizontal scroll bar a column past the view's right edge is never seen whole.
            const int end = header->sectionViewportPosition(i) + header->sectionSize(i);
            if (view->horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOff && end > view->viewport()->width())
                report(view, QStringLiteral("column past the view's edge (ends at %1 of %2)")
                                 .arg(end)
                                 .arg(view->viewport()->width()),
                       text);
        }
    }

    void check_children(QWidget* w)
    {
        struct placed {
            QWidget* w;
            QRect r;
        };
        std::vector<placed> kids;
        for (QWidget* c : shown_children(w)) {
            if (qt_internal(c))
                continue;
            const QRect r = c->geometry();
            if (!w->rect().contains(r))
                report(c, QStringLiteral("lies outside %1 (%2 in %3x%4)")
                              .arg(name_of(w), geometry_text(r))
                              .arg(w->width())
                              .arg(w->height()),
                       text_of(c));
            kids.push_back({c, r});
        }
        // Sweep from left to right: only widgets whose spans meet are compared.
        std::sort(kids.begin(), kids.end(), [](const placed& a, const placed& b) { return a.r.left() < b.r.left(); });
        for (size_t i = 0; i < kids.size(); ++i) {
            for (size_t j = i + 1; j < kids.size() && kids[j].r.left() <= kids[i].r.right(); ++j) {
                const QRect both = kids[i].r.intersected(kids[j].r);
                if (both.isEmpty() || contains_by_geometry(kids[i], kids[j]) || contains_by_geometry(kids[j], kids[i]))
                    continue;
                report(kids[i].w,
                       QStringLiteral("overlaps %1 (%2 and %3)")
                           .arg(name_of(kids[j].w), geometry_text(kids[i].r), geometry_text(kids[j].r)),
                       text_of(kids[i].w));
            }
        }
    }

    // A frame or a group box drawn around other controls of its parent holds them by place.
    template <class P>
    static bool contains_by_geometry(const P& outer, const P& inner)
    {
        const bool frame = outer.w->metaObject() == &QFrame::staticMetaObject || qobject_cast<QGroupBox*>(outer.w);
        return frame && outer.r.contains(inner.r);
    }

    static QString text_of(const QWidget* w)
    {
        if (auto* l = qobject_cast<const QLabel*>(w))
            return l->text();
        if (auto* b = qobject_cast<const QAbstractButton*>(w))
            return plain(b->text());
        if (auto* g = qobject_cast<const QGroupBox*>(w))
            return plain(g->title());
        return QString();
    }

    QString form_;
};

// --- the forms -------------------------------------------------------------------------------

// The one main window of the run, at its default size, with the pages and dialogs it makes.
c_frm_main& main_window()
{
    static c_frm_main* w = [] {
        // As the program starts: the application, the window with its pages and long-lived
        // dialogs, then the style.
        static int argc = 1;
        static char name[] = "TarvixStudio";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance())
            new QApplication(argc, argv);
        shell_reset_for_tests();
        build_global_tables();
        auto* m = new c_frm_main(QStringList{QStringLiteral("TarvixStudio")});
        m->link_timer()->stop();
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("fusion")));
        m->show();
        settle();
        return m;
    }();
    return *w;
}

struct form_case {
    const char* name;
    // Shows the form and returns the widget to walk; `current_only` takes the stacks whose
    // other pages are other forms.
    std::function<QWidget*(std::vector<QWidget*>& current_only)> open;
    // Tabs (tab widget, logical index) that the program hides for good, with the reason.
    std::vector<std::pair<QString, int>> never_shown = {};
};

QWidget* page(int index, std::vector<QWidget*>& current_only, const std::function<void(c_frm_main&)>& prepare = {})
{
    c_frm_main& w = main_window();
    if (index == c_frm_main::page_start)
        w.return_to_start();
    else
        w.enter_page(index, QStringLiteral("Tarvix"));
    if (prepare)
        prepare(w);
    settle();
    current_only.push_back(w.findChild<QStackedWidget*>(QStringLiteral("stackedWidget")));
    return &w;
}

QWidget* dialog(QWidget* d)
{
    d->show();
    settle();
    return d;
}

template <class D>
QWidget* own_dialog()
{
    static D* d = new D(nullptr);
    return dialog(d);
}

QWidget* program_dialog(const std::function<QWidget*(c_dlgw_program&)>& pick)
{
    return dialog(pick(*main_window().program_page()));
}

const form_case forms[] = {
    {"main_window", [](auto& c) { return page(c_frm_main::page_start, c); }},
    {"program_page",
     [](auto& c) {
         return page(c_frm_main::page_program, c, [](c_frm_main& w) {
             // The Basic page with its R/L widgets, all of them shown.
             w.program_page()->form()->chb_TS_RL_Mode->setChecked(true);
         });
     },
     // "Full Extensions": showing a program hides it, and nothing shows it again.
     {{QStringLiteral("tab_Settings"), 10}}},
    {"manual_page", [](auto& c) { return page(c_frm_main::page_manual, c); }},
    {"scanner_page", [](auto& c) { return page(c_frm_main::page_scanner, c); }},
    {"procmon_page", [](auto& c) { return page(c_frm_main::page_procmon, c); }},
    {"source_dialog", [](auto&) { return dialog(g_objects().source_dialog); }},
    {"scanner_set_dialog", [](auto&) { return dialog(g_objects().scanner_selection); }},
    {"progress_dialog", [](auto&) { return dialog(g_objects().progress_dialog); }},
    {"message_dialog", [](auto&) { return dialog(g_objects().message_dialog); }},
    {"plotter", [](auto&) { return dialog(g_objects().plotter); }},
    {"create_clone_dialog", [](auto&) { return own_dialog<c_dlg_createclone>(); }},
    {"language_dialog", [](auto&) { return own_dialog<c_dlg_language>(); }},
    {"password_dialog", [](auto&) { return own_dialog<c_dlg_password>(); }},
    {"system_info_dialog", [](auto&) { return own_dialog<c_dlg_systeminfo>(); }},
    {"filter_dialog", [](auto&) { return own_dialog<c_dlg_filter>(); }},
    {"pm_data_dialog", [](auto&) { return own_dialog<c_dlg_pm_data>(); }},
    {"function_dialog", [](auto&) { return program_dialog([](c_dlgw_program&) { return function_dialog(); }); }},
    {"area_dialog",
     [](auto&) {
         // As the function dialog opens it: one of its two pictures shown.
         area_dialog()->init_dialog(4);
         return program_dialog([](c_dlgw_program&) { return area_dialog(); });
     }},
    {"cluster_dialog", [](auto&) { return program_dialog([](c_dlgw_program&) { return cluster_dialog(); }); }},
    {"tool_type_dialog", [](auto&) { return program_dialog([](c_dlgw_program&) { return tool_type_dialog(); }); }},
    {"tool_dialog", [](auto&) { return program_dialog([](c_dlgw_program&) { return tool_dialog(); }); }},
    {"advanced_settings_dialog",
     [](auto&) { return program_dialog([](c_dlgw_program& p) { return p.advanced_options(); }); }},
    {"scanner_finder", [](auto&) { return program_dialog([](c_dlgw_program& p) { return p.scanner_finder(); }); }},
    {"setup_1tool_m1", [](auto&) { return program_dialog([](c_dlgw_program& p) { return p.setup_wizard(0); }); }},
    {"setup_1tool_m2", [](auto&) { return program_dialog([](c_dlgw_program& p) { return p.setup_wizard(1); }); }},
    {"setup_3tool", [](auto&) { return program_dialog([](c_dlgw_program& p) { return p.setup_wizard(2); }); }},
};

class form_fit : public ::testing::TestWithParam<form_case> {};

TEST(main_window_size, opens_at_its_default_size)
{
    c_frm_main& w = main_window();
    w.return_to_start();
    settle();
    // The pages' widths make the window's; its height grows with the system font's bars
    // (the 9-point font of a plain X server gives the 744 a user sees).
    EXPECT_EQ(w.width(), default_width);
    if (QFontInfo(QApplication::font()).pointSize() <= 9) {
        EXPECT_EQ(w.height(), default_height);
    }
}

TEST_P(form_fit, every_text_whole_and_every_control_in_its_place)
{
    main_window();  // the application, the window and the dialogs it makes, whichever form runs first
    const form_case& f = GetParam();
    std::vector<QWidget*> current_only;
    QWidget* root = f.open(current_only);
    ASSERT_NE(root, nullptr);
    fit_walker walker(QString::fromLatin1(f.name));
    walker.current_only = current_only;
    walker.never_shown = f.never_shown;
    walker.walk(root);
    QString all;
    for (const QString& s : walker.findings)
        all += s + QLatin1Char('\n');
    EXPECT_TRUE(walker.findings.empty()) << walker.findings.size() << " findings:\n" << all.toStdString();
    if (root != &main_window())
        root->hide();
}

INSTANTIATE_TEST_SUITE_P(forms, form_fit, ::testing::ValuesIn(forms),
                         [](const ::testing::TestParamInfo<form_case>& i) { return std::string(i.param.name); });

}  // namespace
