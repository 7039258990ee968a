// A tab widget whose tabs can be hidden and shown again in their place and with their title;
// callers address tabs by logical index, the position a tab had when the full set was taken.
#pragma once
#include <QPointer>
#include <QString>
#include <QTabWidget>
#include <QVector>

class c_qtabwidget_ext : public QTabWidget {
    Q_OBJECT
public:
    explicit c_qtabwidget_ext(QWidget* parent = nullptr);

    // Takes the tabs now in the widget as the full set; until then every other operation is
    // inert.
    void remember_tabs();
    // The logical index of the current page; 0 before remember_tabs, -1 when no remembered
    // page is current.
    int current_logical_index() const;
    // The tab position that logical tab n has or would get.
    int visible_before(int n) const;
    // A hidden tab is not made current.
    void set_current_logical(int n);
    void set_tab_visible(int n, bool show);

private:
    struct tab_entry {
        QPointer<QWidget> page;  // not owned; hidden pages stay children of this widget
        QString title;
        bool visible;
    };
    bool remembered_ = false;
    QVector<tab_entry> tabList_;
};
