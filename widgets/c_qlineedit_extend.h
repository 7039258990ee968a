// The numeric field of every form: a line edit that holds its number as a scaled 32-bit
// integer (value x 10^decimals), as the device records store it.
#pragma once
#include <QLineEdit>
#include <cstdint>

class QDoubleValidator;
class QIntValidator;

class c_qlineedit_extend : public QLineEdit {
    Q_OBJECT
public:
    explicit c_qlineedit_extend(QWidget* parent = nullptr);

    // Bounds in field units; (0, 0) means the whole 32-bit range. Decimals 0 to 4.
    void setRange(double min, double max, int decimals);
    // Shows a scaled value; neither clamps nor changes the stored value.
    void setValue(int scaled);
    // Run the check first, so reading a field may show the format box and rewrite its text.
    int value();
    double valueDouble();

public slots:
    void checkFormatDoubleRange();

private:
    int decimals_ = 0;
    std::int32_t max_ = INT32_MAX;
    std::int32_t min_ = INT32_MIN;
    std::int32_t value_ = 0;
    QChar decimalPoint_;
    QDoubleValidator* doubleValidator_ = nullptr;
    QIntValidator* intValidator_ = nullptr;
    bool checking_ = false;
};
