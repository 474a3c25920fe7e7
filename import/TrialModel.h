// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Least squares of an additive model of two factors, y = a(i) + b(j) + e:
// a field trial's line and block, or its line by environment cell and
// block. The normal equations are sparse (a plot touches one level of each
// factor) and are solved by Eigen's sparse Cholesky factorisation
// (SimplicialLDLT, with its fill-reducing ordering).
//
// The levels that plots link, directly or through other levels, form
// groups (found by union-find over the plots). Within a group only
// differences are determined: a + c, b - c fit as well. Each group's b
// effects are therefore centred, their mean over the group's levels 0, so
// an a effect is its level's mean in the group's average b level.

#include <memory>
#include <vector>

/// The groups of levels that plots link: union-find over a's levels and
/// b's levels (b's numbered after a's).
class LinkedGroups {
public:
    explicit LinkedGroups(int count);
    int find(int node);
    void join(int x, int y);

private:
    std::vector<int> m_parent;
};

struct TwoFactorFit {
    std::vector<double> a; ///< per level of a; NaN for a level no plot has
    std::vector<double> b; ///< per level of b; NaN likewise
    double sse = 0;        ///< the residual sum of squares
};

class TwoFactorModel {
public:
    /// `a[p]`, `b[p]`: the levels of plot p, from 0 below `aCount` and
    /// `bCount`.
    TwoFactorModel(const std::vector<int>& a, int aCount, const std::vector<int>& b, int bCount);
    ~TwoFactorModel();
    TwoFactorModel(const TwoFactorModel&) = delete;
    TwoFactorModel& operator=(const TwoFactorModel&) = delete;

    /// The group of each level, numbered from 0 in order of the a levels;
    /// -1 for a level no plot has.
    const std::vector<int>& groupOfA() const { return m_groupOfA; }
    const std::vector<int>& groupOfB() const { return m_groupOfB; }
    int groups() const { return m_groups; }
    /// The rank of the design: levels seen less groups.
    long long rank() const { return m_rank; }
    std::size_t plots() const { return m_a.size(); }

    /// The least-squares fit to `y`, one value per plot.
    TwoFactorFit fit(const std::vector<double>& y) const;
    /// v'Pv, P the projection onto the model's fitted values.
    double projectedSquare(const std::vector<double>& v) const;

private:
    struct Solver;
    std::vector<double> solve(const std::vector<double>& y) const;

    std::vector<int> m_a, m_b;
    int m_aCount = 0, m_bCount = 0;
    std::vector<int> m_groupOfA, m_groupOfB;
    int m_groups = 0;
    long long m_rank = 0;
    /// The unknown of each level, -1 for none (unseen, or the reference b
    /// level of its group, fixed at 0).
    std::vector<int> m_unknownOfA, m_unknownOfB;
    std::unique_ptr<Solver> m_solver;
};
