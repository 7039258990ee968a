#include "page_common/c_dlg_filter.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "core/text/user_seam.h"
#include "widgets/c_my_rbg.h"
#include "widgets/c_qlineedit_extend.h"

c_dlg_filter::filter_page c_dlg_filter::page_for_kind(int kind, int* decimals)
{
    if (decimals)
        *decimals = kind == 1 ? 2 : 0;
    switch (kind) {
    case 0:
    case 1:
        return page_number;
    case 2:
        return page_bits;
    case 3:
        return page_string;
    default:
        return page_none;
    }
}

c_dlg_filter::c_dlg_filter(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("c_dlg_filter"));
    setWindowTitle(tr("Dialog"));
    resize(400, 268);
    auto* verticalLayout = new QVBoxLayout(this);
    verticalLayout->setObjectName(QStringLiteral("verticalLayout"));
    rbg_ColumnFilter = new c_my_rbg(this);
    rbg_ColumnFilter->setObjectName(QStringLiteral("rbg_ColumnFilter"));
    rbg_ColumnFilter->setTitle(tr("Column Filter"));
    rbg_ColumnFilter->setFixedSize(150, 80);
    rbg_ColumnFilter->create_buttons(QStringList{tr("Disable"), tr("Enable")}, Qt::Vertical);
    verticalLayout->addWidget(rbg_ColumnFilter);

    stw_Filter = new QStackedWidget(this);
    stw_Filter->setObjectName(QStringLiteral("stw_Filter"));
    auto* none = new QWidget(stw_Filter);
    none->setObjectName(QStringLiteral("stwp_NoFilter"));
    auto* number = new QWidget(stw_Filter);
    number->setObjectName(QStringLiteral("stwp_CondNumber"));
    auto* numberRow = new QHBoxLayout(number);
    cb_Operator = new QComboBox(number);
    cb_Operator->setObjectName(QStringLiteral("cb_Operator"));
    cb_Operator->addItems({QStringLiteral("LE   <="), QStringLiteral("GE  >="), QStringLiteral("EQ  ="),
                           QStringLiteral("RANGE")});
    // The operators stay whole beside the two value fields.
    cb_Operator->setMinimumContentsLength(8);
    cb_Operator->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    ebx_ValueLow = new c_qlineedit_extend(number);
    ebx_ValueLow->setObjectName(QStringLiteral("ebx_ValueLow"));
    ebx_ValueHigh = new c_qlineedit_extend(number);
    ebx_ValueHigh->setObjectName(QStringLiteral("ebx_ValueHigh"));
    numberRow->addWidget(cb_Operator);
    numberRow->addWidget(ebx_ValueLow);
    numberRow->addWidget(ebx_ValueHigh);
    auto* text = new QWidget(stw_Filter);
    text->setObjectName(QStringLiteral("stwp_CondStr"));
    auto* textRow = new QHBoxLayout(text);
    chb_String = new QComboBox(text);
    chb_String->setObjectName(QStringLiteral("chb_String"));
    chb_String->setEditable(true);
    textRow->addWidget(chb_String);
    auto* bits = new QWidget(stw_Filter);
    bits->setObjectName(QStringLiteral("stwp_CondBits"));
    auto* bitsLayout = new QVBoxLayout(bits);
    auto* gb_FilterBits = new QGroupBox(tr("Filter Condition"), bits);
    gb_FilterBits->setObjectName(QStringLiteral("gb_FilterBits"));
    auto* gridLayout = new QGridLayout(gb_FilterBits);
    gridLayout->setObjectName(QStringLiteral("gridLayout"));
    for (int i = 0; i < 8; ++i) {
        bits_[i] = new QCheckBox(QStringLiteral("Bit %1").arg(i), gb_FilterBits);
        bits_[i]->setObjectName(QStringLiteral("chb_Flt%1").arg(i));
        gridLayout->addWidget(bits_[i], i % 4, i / 4);
    }
    bitsLayout->addWidget(gb_FilterBits);
    for (QWidget* p : {none, number, text, bits})
        stw_Filter->addWidget(p);
    stw_Filter->setCurrentIndex(page_bits);
    verticalLayout->addWidget(stw_Filter);

    auto* horizontalLayout = new QHBoxLayout;
    horizontalLayout->setObjectName(QStringLiteral("horizontalLayout"));
    auto* bn_Close = new QPushButton(tr("&Ok"), this);
    bn_Close->setObjectName(QStringLiteral("bn_Close"));
    bn_Close->setDefault(true);
    auto* bn_Cancel = new QPushButton(tr("&Cancel"), this);
    bn_Cancel->setObjectName(QStringLiteral("bn_Cancel"));
    for (QPushButton* b : {bn_Close, bn_Cancel}) {
        b->setStyleSheet(QStringLiteral("background-color: rgb(205, 205, 205);"));
        horizontalLayout->addWidget(b);
    }
    verticalLayout->addLayout(horizontalLayout);

    connect(rbg_ColumnFilter, &c_my_rbg::sig_rb_clicked, this, &c_dlg_filter::on_rbg_ColumnFilter_clicked);
    connect(bn_Close, &QPushButton::clicked, this, &c_dlg_filter::on_bn_Close_clicked);
    connect(bn_Cancel, &QPushButton::clicked, this, &c_dlg_filter::on_bn_Cancel_clicked);
    connect(cb_Operator, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &c_dlg_filter::on_cb_Operator_currentIndexChanged);
}

c_dlg_filter::~c_dlg_filter() = default;

void c_dlg_filter::setFilter(column_filter_record& record, filter_page page, int decimals, const QStringList* texts)
{
    record_ = &record;
    page_ = page;
    rbg_ColumnFilter->setIndex(record.active ? 1 : 0);
    stw_Filter->setCurrentIndex(record.active ? page : page_none);
    if (page == page_number) {
        cb_Operator->setFocus();
        ebx_ValueLow->setRange(0, 0, decimals);
        ebx_ValueHigh->setRange(0, 0, decimals);
        ebx_ValueLow->setValue(record.min);
        ebx_ValueHigh->setValue(record.max);
        cb_Operator->setCurrentIndex(record.type >= 0 && record.type <= 3 ? record.type : -1);
        on_cb_Operator_currentIndexChanged(cb_Operator->currentIndex());
    } else if (page == page_string) {
        chb_String->setFocus();
        chb_String->clear();
        if (texts)
            chb_String->addItems(*texts);
        chb_String->setCurrentText(record.pattern);
    } else if (page == page_bits) {
        bits_[7]->setFocus();
        for (int i = 0; i < 8; ++i) {
            bits_[i]->setChecked((record.min >> i) & 1);
            if (texts && i < texts->size())
                bits_[i]->setText(texts->at(i));
        }
    }
    closeCode_ = close_none;
}

void c_dlg_filter::on_bn_Close_clicked()
{
    closeCode_ = close_ok;
    close();
}

void c_dlg_filter::on_bn_Cancel_clicked()
{
    closeCode_ = close_cancel;
    close();
}

void c_dlg_filter::on_rbg_ColumnFilter_clicked()
{
    stw_Filter->setCurrentIndex(rbg_ColumnFilter->index() == 1 ? page_ : page_none);
}

void c_dlg_filter::on_cb_Operator_currentIndexChanged(int index)
{
    ebx_ValueLow->setVisible(index >= 1 && index <= 3);
    ebx_ValueHigh->setVisible(index == 0 || index == 3);
}

void c_dlg_filter::closeEvent(QCloseEvent* event)
{
    if (closeCode_ == close_cancel || !record_) {
        closeCode_ = close_none;
        event->accept();
        return;
    }
    // Everything is checked before anything is written, so a refused close leaves the record
    // as it was.
    column_filter_record next = *record_;
    next.active = rbg_ColumnFilter->index() == 1 ? 1 : 0;
    if (next.active) {
        if (page_ == page_number) {
            next.min = ebx_ValueLow->value();
            next.max = ebx_ValueHigh->value();
            if (cb_Operator->currentIndex() >= 0)  // an operator the list does not know stays
                next.type = cb_Operator->currentIndex();
        } else if (page_ == page_string) {
            if (chb_String->currentText().isEmpty()) {
                ui::current().message(ui::box_kind::critical, tr("Error"),
                                      tr("Please edit / select a valid filter string!"));
                closeCode_ = close_none;
                event->ignore();
                return;
            }
            next.pattern = chb_String->currentText();
        } else if (page_ == page_bits) {
            qint32 mask = 0;
            for (int i = 0; i < 8; ++i)
                if (bits_[i]->isChecked())
                    mask |= 1 << i;
            next.min = mask;
        }
    }
    *record_ = next;
    closeCode_ = close_none;
    event->accept();
}
