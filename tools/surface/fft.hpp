// Thin RAII layer over FFTW3 for double precision: aligned buffers and plans.
// FFTW's planner is not thread-safe, its execution is: plans are made and
// destroyed under one lock, and executed on any thread with the new-array
// functions.
#pragma once

#include <fftw3.h>

#include <complex>
#include <cstddef>
#include <memory>
#include <span>

namespace surface {

// The smallest n' >= n whose only prime factors are 2, 3, 5 and 7: FFTW is
// fast on such sizes.
int taille_rapide(int n);

template <class T>
struct FftwDeleter {
    void operator()(T* p) const { fftw_free(p); }
};

// An FFTW-aligned array of n values, zero-filled.
template <class T>
class Buffer {
public:
    Buffer() = default;
    explicit Buffer(std::size_t n)
        : data_(static_cast<T*>(fftw_malloc(sizeof(T) * (n ? n : 1)))), size_(n)
    {
        if (!data_)
            throw std::bad_alloc();
        for (std::size_t i = 0; i < n; ++i)
            data_.get()[i] = T{};
    }
    T* data() { return data_.get(); }
    const T* data() const { return data_.get(); }
    std::size_t size() const { return size_; }
    T& operator[](std::size_t i) { return data_.get()[i]; }
    const T& operator[](std::size_t i) const { return data_.get()[i]; }
    std::span<T> span() { return {data_.get(), size_}; }

private:
    std::unique_ptr<T, FftwDeleter<T>> data_;
    std::size_t size_ = 0;
};

using Complexe = std::complex<double>;

inline fftw_complex* as_fftw(Complexe* p) { return reinterpret_cast<fftw_complex*>(p); }

// One FFTW plan, destroyed under the planner lock.
class Plan {
public:
    Plan() = default;
    explicit Plan(fftw_plan p) : plan_(p) {}
    Plan(Plan&& o) noexcept : plan_(o.plan_) { o.plan_ = nullptr; }
    Plan& operator=(Plan&& o) noexcept;
    Plan(const Plan&) = delete;
    Plan& operator=(const Plan&) = delete;
    ~Plan();
    fftw_plan get() const { return plan_; }

    // Plans, under the lock (FFTW_ESTIMATE: no timing runs, the same plan every time).
    // howmany real sequences of length n, stored n_reel apart, to spectra n/2+1 apart.
    static Plan reel_vers_complexe(int n, int howmany, double* in, Complexe* out);
    static Plan complexe_vers_reel(int n, int howmany, Complexe* in, double* out);
    // A 2-D complex transform of rows x cols, in place, forward (-1) or backward (+1).
    static Plan complexe_2d(int rows, int cols, Complexe* data, int sign);

private:
    fftw_plan plan_ = nullptr;
};

} // namespace surface
