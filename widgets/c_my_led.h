// A lamp drawn entirely by a style sheet with one of the LED pictures: off, or lit in one
// of two colours.
#pragma once
#include <QGraphicsView>
#include <QString>

class c_my_led : public QGraphicsView {
    Q_OBJECT
public:
    explicit c_my_led(QWidget* parent = nullptr);

    // Lights the LED in colour 0 or 1 (any other value counts as 1).
    void set_state(quint8 colour);
    // Changes the colour without switching the LED on or off.
    void set_colour_index(quint8 colour);
    void set_on(bool on);
    // Replaces the picture of colour 1 by entry `listIndex` of led_style_sheets().
    void set_colour_entry(int listIndex);

protected:
    bool event(QEvent* e) override;

private:
    void show_style(int styleIndex);

    QString ledStyles_[3];  // off, colour 0, colour 1
    quint8 colourIndex_ = 0;
    quint8 lit_ = 0;
};
