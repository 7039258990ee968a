// The smallest and greatest value of a sample curve.
#pragma once
#include <QVector>

// min starts at 32767 and max at -32768, so an empty curve leaves them crossed.
void sample_min_max(const QVector<qint16>* samples, int* min, int* max);
