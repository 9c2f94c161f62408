#include "matched_filter.h"

#include <cmath>

namespace common {

double integrator_at(const Integrator& f, double t) {
    const double whole = std::floor(t);
    const int64_t i = static_cast<int64_t>(whole);
    const double a = integrator_sum_to(f, i);
    const double b = integrator_sum_to(f, i + 1);
    return a + (t - whole) * (b - a);
}

}  // namespace common
