#include "tools/surface/fft.hpp"

#include <mutex>
#include <stdexcept>

namespace surface {

namespace {
std::mutex& planner_lock()
{
    static std::mutex lock;
    return lock;
}

fftw_plan checked(fftw_plan p)
{
    if (!p)
        throw std::runtime_error("FFTW : plan impossible");
    return p;
}
} // namespace

int taille_rapide(int n)
{
    if (n <= 1)
        return 1;
    for (int m = n;; ++m) {
        int r = m;
        for (int f : {2, 3, 5, 7})
            while (r % f == 0)
                r /= f;
        if (r == 1)
            return m;
    }
}

Plan& Plan::operator=(Plan&& o) noexcept
{
    if (this != &o) {
        Plan old(plan_);
        plan_ = o.plan_;
        o.plan_ = nullptr;
    }
    return *this;
}

Plan::~Plan()
{
    if (plan_) {
        std::lock_guard guard(planner_lock());
        fftw_destroy_plan(plan_);
    }
}

Plan Plan::reel_vers_complexe(int n, int howmany, double* in, Complexe* out)
{
    std::lock_guard guard(planner_lock());
    const int spectre = n / 2 + 1;
    return Plan(checked(fftw_plan_many_dft_r2c(1, &n, howmany, in, nullptr, 1, n, as_fftw(out), nullptr, 1, spectre,
                                               FFTW_ESTIMATE)));
}

Plan Plan::complexe_vers_reel(int n, int howmany, Complexe* in, double* out)
{
    std::lock_guard guard(planner_lock());
    const int spectre = n / 2 + 1;
    return Plan(checked(fftw_plan_many_dft_c2r(1, &n, howmany, as_fftw(in), nullptr, 1, spectre, out, nullptr, 1, n,
                                               FFTW_ESTIMATE)));
}

Plan Plan::complexe_2d(int rows, int cols, Complexe* data, int sign)
{
    std::lock_guard guard(planner_lock());
    return Plan(checked(fftw_plan_dft_2d(rows, cols, as_fftw(data), as_fftw(data), sign, FFTW_ESTIMATE)));
}

} // namespace surface
