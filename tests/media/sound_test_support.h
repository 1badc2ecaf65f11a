// Helpers shared by the sound tests.
#pragma once

#include <cmath>
#include <cstddef>

// Normalised correlation of two runs of samples: 1 when one is the other scaled.
inline double correlation(const float* a, const float* b, size_t count)
{
    double ab = 0.0, aa = 0.0, bb = 0.0;
    for (size_t i = 0; i < count; i++) {
        ab += (double)a[i] * b[i];
        aa += (double)a[i] * a[i];
        bb += (double)b[i] * b[i];
    }
    return ab / sqrt(aa * bb);
}
