#include "widgets/c_qtabwidget_ext.h"

c_qtabwidget_ext::c_qtabwidget_ext(QWidget* parent) : QTabWidget(parent) {}

void c_qtabwidget_ext::remember_tabs()
{
    tabList_.clear();
    for (int i = 0; i < count(); ++i)
        tabList_.append({widget(i), tabText(i), true});
    remembered_ = true;
}

int c_qtabwidget_ext::current_logical_index() const
{
    if (!remembered_)
        return 0;
    const QWidget* page = currentWidget();
    for (int n = 0; n < tabList_.size(); ++n)
        if (page && tabList_[n].page == page)
            return n;
    return -1;
}

int c_qtabwidget_ext::visible_before(int n) const
{
    if (!remembered_)
        return n;
    int visible = 0;
    for (int i = 0; i < n && i < tabList_.size(); ++i)
        visible += tabList_[i].visible ? 1 : 0;
    return visible;
}

void c_qtabwidget_ext::set_current_logical(int n)
{
    if (!remembered_ || n < 0 || n >= tabList_.size() || !tabList_[n].visible)
        return;
    setCurrentIndex(visible_before(n));
}

void c_qtabwidget_ext::set_tab_visible(int n, bool show)
{
    if (!remembered_ || n < 0 || n >= tabList_.size())
        return;
    tab_entry& e = tabList_[n];
    if (show && !e.visible) {
        if (!e.page)
            return;
        insertTab(visible_before(n), e.page, e.title);
        e.visible = true;
    } else if (!show && e.visible) {
        // removeTab leaves the page alive and hidden, still a child of this widget.
        removeTab(visible_before(n));
        e.visible = false;
    }
}
