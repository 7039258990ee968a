// A group box of radio buttons in a row or a column that reports the checked button as an
// index (every "rbg_" object of the forms).
#pragma once
#include <QGroupBox>
#include <QStringList>
#include <QVector>

class QRadioButton;

class c_my_rbg : public QGroupBox {
    Q_OBJECT
    Q_PROPERTY(int index READ index WRITE setIndex DESIGNABLE true SCRIPTABLE true STORED true)
public:
    explicit c_my_rbg(QWidget* parent = nullptr);

    // One new button per text; Qt::Vertical stacks them, any other orientation lines them up.
    void create_buttons(QStringList* texts, Qt::Orientation orientation);
    void create_buttons(const QStringList& texts, Qt::Orientation orientation);
    // Takes buttons that a form made.
    void set_buttons(const QVector<QRadioButton*>& buttons);

    int index() const { return checkedIndex_; }
    // Checks the button `index` when there is one; stores the index in any case.
    void setIndex(int index);

    // An index that names no button is ignored (empty text).
    void set_button_enabled(int index, bool on);
    QString button_text(int index) const;
    QString checked_text() const;
    int button_count() const { return buttonCount_; }
    QRadioButton* button(int index) const;

signals:
    // A user's click gives both, clicked first; setIndex gives only sig_rb_changed.
    void sig_rb_clicked(int indexP);
    void sig_rb_changed(int indexP);

public slots:
    void on_rb_clicked(bool checkedP);

private:
    void release_buttons();

    QVector<QRadioButton*> buttons_;
    int checkedIndex_ = 0;
    int buttonCount_ = 0;
    bool ownsButtons_ = false;
};
