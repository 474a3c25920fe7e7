// SPDX-License-Identifier: GPL-3.0-or-later
#include "pellarin/Convergence.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <limits>
#include <numbers>
#include <utility>

namespace pellarin {

namespace {

constexpr double notAvailable = std::numeric_limits<double>::quiet_NaN();

// Draws of equal-length chains laid end to end: chain k holds
// values[k * length .. (k + 1) * length).
struct Draws {
    std::vector<double> values;
    std::size_t chains = 0;
    std::size_t length = 0;

    const double* chain(std::size_t k) const { return values.data() + k * length; }
};

// Fewer draws than this per chain leave nothing to split and compare.
constexpr std::size_t fewestDraws = 4;

// Each chain cut to the shortest and split into a first and a last half; an
// odd middle draw is dropped, so both halves have the same length. Empty when
// a chain has fewer than `fewestDraws` draws.
Draws splitChains(const std::vector<std::vector<double>>& chains) {
    Draws split;
    if (chains.empty())
        return split;
    std::size_t shortest = chains.front().size();
    for (const std::vector<double>& chain : chains)
        shortest = std::min(shortest, chain.size());
    if (shortest < fewestDraws)
        return split;
    const std::size_t half = shortest / 2;
    split.chains = 2 * chains.size();
    split.length = half;
    split.values.reserve(split.chains * half);
    for (const std::vector<double>& chain : chains) {
        split.values.insert(split.values.end(), chain.begin(), chain.begin() + half);
        split.values.insert(split.values.end(), chain.begin() + (shortest - half),
                            chain.begin() + shortest);
    }
    return split;
}

bool allIdentical(const std::vector<double>& values) {
    return std::all_of(values.begin(), values.end(), [&](double v) { return v == values.front(); });
}

// Draws that give no figures: none, all the same, or one not finite (a NaN
// has no rank, and sorting with it is undefined).
bool withoutFigures(const std::vector<double>& values) {
    return values.empty() || allIdentical(values) ||
           !std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

// The pooled draws replaced by normal scores of their ranks, ties taking the
// average of their ranks: z = Phi^-1((r - 3/8) / (S + 1/4)), Blom's offsets.
Draws rankNormalised(const Draws& draws) {
    const std::size_t count = draws.values.size();
    std::vector<std::pair<double, std::size_t>> order(count);
    for (std::size_t i = 0; i < count; ++i)
        order[i] = {draws.values[i], i};
    std::sort(order.begin(), order.end());
    Draws normal = draws;
    const double denominator = static_cast<double>(count) + 0.25;
    for (std::size_t first = 0; first < count;) {
        std::size_t last = first + 1;
        while (last < count && order[last].first == order[first].first)
            ++last;
        // Ranks first+1 .. last share their mean.
        const double rank = 0.5 * static_cast<double>(first + 1 + last);
        const double z = inverseNormal((rank - 0.375) / denominator);
        for (std::size_t i = first; i < last; ++i)
            normal.values[order[i].second] = z;
        first = last;
    }
    return normal;
}

double median(std::vector<double> values) {
    const std::size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + middle, values.end());
    const double upper = values[middle];
    if (values.size() % 2 == 1)
        return upper;
    const double lower = *std::max_element(values.begin(), values.begin() + middle);
    return 0.5 * (lower + upper);
}

// |x - median|: chains that agree on the location but not on the spread
// differ in the location of their folded draws.
Draws folded(const Draws& draws) {
    Draws fold = draws;
    const double centre = median(draws.values);
    for (double& v : fold.values)
        v = std::abs(v - centre);
    return fold;
}

double chainMean(const Draws& draws, std::size_t k) {
    const double* x = draws.chain(k);
    double sum = 0.0;
    for (std::size_t i = 0; i < draws.length; ++i)
        sum += x[i];
    return sum / static_cast<double>(draws.length);
}

// Sample variance (denominator count - 1) of the values.
double sampleVariance(const std::vector<double>& values) {
    double mean = 0.0;
    for (double v : values)
        mean += v;
    mean /= static_cast<double>(values.size());
    double squares = 0.0;
    for (double v : values)
        squares += (v - mean) * (v - mean);
    return squares / static_cast<double>(values.size() - 1);
}

// R-hat of already split chains: sqrt(((n - 1) W + B) / (n W)), B = n times
// the variance of the chain means, W = the mean within-chain variance.
double splitRhat(const Draws& draws) {
    const double n = static_cast<double>(draws.length);
    std::vector<double> means(draws.chains);
    double within = 0.0;
    for (std::size_t k = 0; k < draws.chains; ++k) {
        means[k] = chainMean(draws, k);
        const double* x = draws.chain(k);
        // A chain stuck on one value has no spread at all, whatever rounding
        // its mean carries; that is what makes R-hat infinite below.
        if (std::all_of(x, x + draws.length, [&](double v) { return v == x[0]; }))
            continue;
        double squares = 0.0;
        for (std::size_t i = 0; i < draws.length; ++i)
            squares += (x[i] - means[k]) * (x[i] - means[k]);
        within += squares / (n - 1.0);
    }
    within /= static_cast<double>(draws.chains);
    const double between = n * sampleVariance(means);
    if (within <= 0.0) {
        // Every chain stuck on its own value: the chains cannot agree less.
        return between > 0.0 ? std::numeric_limits<double>::infinity() : notAvailable;
    }
    return std::sqrt(((n - 1.0) * within + between) / (n * within));
}

// In-place radix-2 FFT (size a power of two) with a twiddle table worked out
// once, so large transforms keep full precision.
class Fourier {
public:
    explicit Fourier(std::size_t size) : m_size(size), m_twiddles(size / 2) {
        for (std::size_t k = 0; k < size / 2; ++k) {
            const double angle =
                -2.0 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(size);
            m_twiddles[k] = {std::cos(angle), std::sin(angle)};
        }
    }

    void transform(std::vector<std::complex<double>>& a) const {
        for (std::size_t i = 1, j = 0; i < m_size; ++i) {
            std::size_t bit = m_size >> 1;
            for (; j & bit; bit >>= 1)
                j ^= bit;
            j ^= bit;
            if (i < j)
                std::swap(a[i], a[j]);
        }
        for (std::size_t length = 2; length <= m_size; length <<= 1) {
            const std::size_t stride = m_size / length;
            const std::size_t half = length / 2;
            for (std::size_t start = 0; start < m_size; start += length) {
                for (std::size_t k = 0; k < half; ++k) {
                    const std::complex<double> t =
                        times(m_twiddles[k * stride], a[start + k + half]);
                    a[start + k + half] = a[start + k] - t;
                    a[start + k] += t;
                }
            }
        }
    }

private:
    // The plain product: std::complex's operator* checks for infinities and
    // NaN on every call, which triples the cost of a transform.
    static std::complex<double> times(std::complex<double> a, std::complex<double> b) {
        return {a.real() * b.real() - a.imag() * b.imag(),
                a.real() * b.imag() + a.imag() * b.real()};
    }

    std::size_t m_size;
    std::vector<std::complex<double>> m_twiddles;
};

// The autocovariances of every lag 0..n-1 averaged over the chains, each the
// biased estimate (1/n) sum_i (x_i - mean)(x_{i+t} - mean) that Geyer
// recommends. By the FFT of the centred draws padded with zeros to at least
// twice their length, so the circular products do not wrap around.
//
// Only the sum over chains is needed, so the power spectra are summed and
// transformed back once. Two real chains x and y share one complex transform
// Z of x + iy: |X_k|^2 + |Y_k|^2 = (|Z_k|^2 + |Z_{N-k}|^2) / 2.
std::vector<double> meanAutocovariance(const Draws& draws) {
    const std::size_t n = draws.length;
    std::size_t size = 1;
    while (size < 2 * n)
        size <<= 1;
    const Fourier fourier(size);
    std::vector<double> power(size, 0.0);
    std::vector<std::complex<double>> a(size);
    for (std::size_t k = 0; k < draws.chains; k += 2) {
        std::fill(a.begin(), a.end(), std::complex<double>());
        const double xMean = chainMean(draws, k);
        const double* x = draws.chain(k);
        for (std::size_t i = 0; i < n; ++i)
            a[i].real(x[i] - xMean);
        if (k + 1 < draws.chains) {
            const double yMean = chainMean(draws, k + 1);
            const double* y = draws.chain(k + 1);
            for (std::size_t i = 0; i < n; ++i)
                a[i].imag(y[i] - yMean);
        }
        fourier.transform(a);
        for (std::size_t f = 0; f < size; ++f)
            power[f] += 0.5 * (std::norm(a[f]) + std::norm(a[(size - f) % size]));
    }
    // The power spectrum is real and even, so the forward transform gives
    // the inverse up to the factor 1/size.
    for (std::size_t f = 0; f < size; ++f)
        a[f] = power[f];
    fourier.transform(a);
    std::vector<double> acov(n);
    const double scale =
        static_cast<double>(size) * static_cast<double>(n) * static_cast<double>(draws.chains);
    for (std::size_t t = 0; t < n; ++t)
        acov[t] = a[t].real() / scale;
    return acov;
}

// Multi-chain effective sample size (Stan's estimator): the autocorrelation
// at lag t combines the within-chain autocovariances with the variance
// between chains, rho_t = 1 - (W - mean acov_t) / var+, and is summed by
// Geyer's initial positive sequence made monotone.
double multiChainEss(const Draws& draws) {
    const std::size_t n = draws.length;
    const double chains = static_cast<double>(draws.chains);
    const std::vector<double> acov = meanAutocovariance(draws);
    const double nd = static_cast<double>(n);
    const double within = acov[0] * nd / (nd - 1.0);
    double varPlus = within * (nd - 1.0) / nd;
    if (draws.chains > 1) {
        std::vector<double> means(draws.chains);
        for (std::size_t k = 0; k < draws.chains; ++k)
            means[k] = chainMean(draws, k);
        varPlus += sampleVariance(means);
    }
    if (!(varPlus > 0.0))
        return notAvailable;
    const auto rhoAt = [&](std::size_t t) { return 1.0 - (within - acov[t]) / varPlus; };

    // Sums of adjacent pairs (lags t, t+1 with t even) while they stay positive.
    std::vector<double> rho(n, 0.0);
    rho[0] = 1.0;
    double even = 1.0;
    double odd = rhoAt(1);
    rho[1] = odd;
    std::size_t t = 0;
    while (t + 5 < n && !std::isnan(even + odd) && even + odd > 0.0) {
        t += 2;
        even = rhoAt(t);
        odd = rhoAt(t + 1);
        if (even + odd >= 0.0) {
            rho[t] = even;
            rho[t + 1] = odd;
        }
    }
    const std::size_t last = t;
    // The last even lag alone, which lowers the variance of the estimate
    // for antithetic chains.
    if (even > 0.0)
        rho[last] = even;
    for (t = 2; t + 2 <= last; t += 2) {
        const double previous = rho[t - 2] + rho[t - 1];
        if (rho[t] + rho[t + 1] > previous) {
            rho[t] = previous / 2.0;
            rho[t + 1] = rho[t];
        }
    }
    double tau = -1.0 + rho[last];
    for (std::size_t s = 0; s < last; ++s)
        tau += 2.0 * rho[s];
    const double total = chains * nd;
    // Antithetic chains can give a tiny tau; the bound keeps the figure
    // below total * log10(total).
    tau = std::max(tau, 1.0 / std::log10(total));
    return total / tau;
}

// Horner's rule over eight coefficients given from the constant term up.
double polynomial(const double (&c)[8], double x) {
    double sum = c[7];
    for (int k = 6; k >= 0; --k)
        sum = sum * x + c[k];
    return sum;
}

} // namespace

ConvergenceFigures convergenceFigures(const std::vector<std::vector<double>>& chains) {
    ConvergenceFigures figures{notAvailable, notAvailable, notAvailable, notAvailable};
    const Draws draws = splitChains(chains);
    if (withoutFigures(draws.values))
        return figures;
    const Draws normal = rankNormalised(draws);
    figures.bulkRhat = splitRhat(normal);
    figures.bulkEss = multiChainEss(normal);
    const Draws fold = folded(draws);
    if (!allIdentical(fold.values))
        figures.foldedRhat = splitRhat(rankNormalised(fold));
    figures.rhat = std::isnan(figures.foldedRhat) ? figures.bulkRhat
                                                  : std::max(figures.bulkRhat, figures.foldedRhat);
    return figures;
}

double effectiveSampleSize(const std::vector<std::vector<double>>& chains) {
    const Draws draws = splitChains(chains);
    if (withoutFigures(draws.values))
        return notAvailable;
    return multiChainEss(draws);
}

double inverseNormal(double p) {
    if (std::isnan(p) || p < 0.0 || p > 1.0)
        return notAvailable;
    if (p == 0.0)
        return -std::numeric_limits<double>::infinity();
    if (p == 1.0)
        return std::numeric_limits<double>::infinity();
    // Wichura (1988), algorithm AS241, PPND16: rational approximations on the
    // centre |p - 0.5| <= 0.425, on the near tail and on the far tail.
    // Coefficients from the constant term up.
    static constexpr double centreTop[] = {
        3.387132872796366608,  133.14166789178437745, 1971.5909503065514427, 13731.693765509461125,
        45921.953931549871457, 67265.770927008700853, 33430.575583588128105, 2509.0809287301226727};
    static constexpr double centreBottom[] = {1.0,
                                              42.313330701600911252,
                                              687.1870074920579083,
                                              5394.1960214247511077,
                                              21213.794301586595867,
                                              39307.89580009271061,
                                              28729.085735721942674,
                                              5226.495278852854561};
    static constexpr double nearTop[] = {1.42343711074968357734,   4.6303378461565452959,
                                         5.7694972214606914055,    3.64784832476320460504,
                                         1.27045825245236838258,   0.24178072517745061177,
                                         0.0227238449892691845833, 7.7454501427834140764e-4};
    static constexpr double nearBottom[] = {1.0,
                                            2.05319162663775882187,
                                            1.6763848301838038494,
                                            0.68976733498510000455,
                                            0.14810397642748007459,
                                            0.0151986665636164571966,
                                            5.475938084995344946e-4,
                                            1.05075007164441684324e-9};
    static constexpr double farTop[] = {6.6579046435011037772,     5.4637849111641143699,
                                        1.7848265399172913358,     0.29656057182850489123,
                                        0.026532189526576123093,   0.0012426609473880784386,
                                        2.71155556874348757815e-5, 2.01033439929228813265e-7};
    static constexpr double farBottom[] = {1.0,
                                           0.59983220655588793769,
                                           0.13692988092273580531,
                                           0.0148753612908506148525,
                                           7.868691311456132591e-4,
                                           1.8463183175100546818e-5,
                                           1.4215117583164458887e-7,
                                           2.04426310338993978564e-15};
    const double q = p - 0.5;
    if (std::abs(q) <= 0.425) {
        const double r = 0.180625 - q * q;
        return q * polynomial(centreTop, r) / polynomial(centreBottom, r);
    }
    const double r = std::sqrt(-std::log(q < 0.0 ? p : 1.0 - p));
    const double value = r <= 5.0 ? polynomial(nearTop, r - 1.6) / polynomial(nearBottom, r - 1.6)
                                  : polynomial(farTop, r - 5.0) / polynomial(farBottom, r - 5.0);
    return q < 0.0 ? -value : value;
}

} // namespace pellarin
