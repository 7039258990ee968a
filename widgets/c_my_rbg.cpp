#include "widgets/c_my_rbg.h"

#include <QBoxLayout>
#include <QRadioButton>

c_my_rbg::c_my_rbg(QWidget* parent) : QGroupBox(parent) {}

void c_my_rbg::create_buttons(QStringList* texts, Qt::Orientation orientation)
{
    create_buttons(texts ? *texts : QStringList(), orientation);
}

void c_my_rbg::create_buttons(const QStringList& texts, Qt::Orientation orientation)
{
    // A second call replaces the first set, since a widget holds only one layout.
    delete layout();
    release_buttons();

    QBoxLayout* box;
    if (orientation == Qt::Vertical) {
        box = new QVBoxLayout;
        box->setContentsMargins(8, 8, 8, 8);
    } else {
        box = new QHBoxLayout;
        box->setContentsMargins(16, 8, 16, 8);
    }
    box->setSpacing(6);
    for (const QString& text : texts) {
        auto* rb = new QRadioButton(text, this);
        buttons_.append(rb);
        box->addWidget(rb);
        connect(rb, &QRadioButton::clicked, this, &c_my_rbg::on_rb_clicked);
    }
    buttonCount_ = buttons_.size();
    ownsButtons_ = true;
    setLayout(box);
}

void c_my_rbg::release_buttons()
{
    // Buttons of an earlier set that stay alive (a form's) must no longer report to the group.
    for (QRadioButton* rb : buttons_)
        disconnect(rb, nullptr, this, nullptr);
    if (ownsButtons_)
        qDeleteAll(buttons_);
    buttons_.clear();
}

void c_my_rbg::set_buttons(const QVector<QRadioButton*>& buttons)
{
    release_buttons();
    buttons_ = buttons;
    for (QRadioButton* rb : buttons_)
        connect(rb, &QRadioButton::clicked, this, &c_my_rbg::on_rb_clicked, Qt::UniqueConnection);
    buttonCount_ = buttons_.size();
    ownsButtons_ = false;
}

void c_my_rbg::on_rb_clicked(bool)
{
    int i = 0;
    while (i < buttons_.size() && !buttons_[i]->isChecked())
        ++i;
    checkedIndex_ = i;
    emit sig_rb_clicked(checkedIndex_);
    emit sig_rb_changed(checkedIndex_);
}

void c_my_rbg::setIndex(int index)
{
    if (index >= 0 && index < buttons_.size())
        buttons_[index]->setChecked(true);
    checkedIndex_ = index;
    emit sig_rb_changed(index);
}

QRadioButton* c_my_rbg::button(int index) const
{
    return index >= 0 && index < buttons_.size() ? buttons_[index] : nullptr;
}

void c_my_rbg::set_button_enabled(int index, bool on)
{
    if (QRadioButton* rb = button(index))
        rb->setEnabled(on);
}

QString c_my_rbg::button_text(int index) const
{
    QRadioButton* rb = button(index);
    return rb ? rb->text() : QString();
}

QString c_my_rbg::checked_text() const { return button_text(checkedIndex_); }
