#include "widgets/sample_min_max.h"

void sample_min_max(const QVector<qint16>* samples, int* min, int* max)
{
    int lo = 32767;
    int hi = -32768;
    if (samples)
        for (qint16 v : *samples) {
            if (v < lo)
                lo = v;
            if (v > hi)
                hi = v;
        }
    *min = lo;
    *max = hi;
}
