// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/TrialModel.h"

#include "model/FileError.h"

#include <Eigen/SparseCholesky>
#include <Eigen/SparseCore>

#include <cmath>
#include <limits>
#include <numeric>

struct TwoFactorModel::Solver {
    Eigen::SimplicialLDLT<Eigen::SparseMatrix<double>> ldlt;
    int unknowns = 0;
};

LinkedGroups::LinkedGroups(int count) : m_parent(static_cast<std::size_t>(count)) {
    std::iota(m_parent.begin(), m_parent.end(), 0);
}

int LinkedGroups::find(int node) {
    int root = node;
    while (m_parent[static_cast<std::size_t>(root)] != root)
        root = m_parent[static_cast<std::size_t>(root)];
    // Every node on the way now points at the root.
    while (m_parent[static_cast<std::size_t>(node)] != root) {
        const int next = m_parent[static_cast<std::size_t>(node)];
        m_parent[static_cast<std::size_t>(node)] = root;
        node = next;
    }
    return root;
}

void LinkedGroups::join(int x, int y) {
    const int rx = find(x), ry = find(y);
    if (rx != ry)
        m_parent[static_cast<std::size_t>(std::max(rx, ry))] = std::min(rx, ry);
}

TwoFactorModel::TwoFactorModel(const std::vector<int>& a, int aCount, const std::vector<int>& b,
                               int bCount)
    : m_a(a), m_b(b), m_aCount(aCount), m_bCount(bCount), m_solver(std::make_unique<Solver>()) {
    LinkedGroups linked(aCount + bCount);
    std::vector<char> seenA(static_cast<std::size_t>(aCount), 0);
    std::vector<char> seenB(static_cast<std::size_t>(bCount), 0);
    for (std::size_t p = 0; p < a.size(); ++p) {
        linked.join(a[p], aCount + b[p]);
        seenA[static_cast<std::size_t>(a[p])] = 1;
        seenB[static_cast<std::size_t>(b[p])] = 1;
    }
    // Groups numbered in order of their first a level, so that the
    // numbering does not hang on union-find's roots.
    std::vector<int> groupOfRoot(static_cast<std::size_t>(aCount + bCount), -1);
    auto groupOf = [&](int node) {
        int& group = groupOfRoot[static_cast<std::size_t>(linked.find(node))];
        if (group < 0)
            group = m_groups++;
        return group;
    };
    m_groupOfA.assign(static_cast<std::size_t>(aCount), -1);
    m_groupOfB.assign(static_cast<std::size_t>(bCount), -1);
    m_unknownOfA.assign(static_cast<std::size_t>(aCount), -1);
    m_unknownOfB.assign(static_cast<std::size_t>(bCount), -1);
    int unknowns = 0;
    long long seen = 0;
    for (int i = 0; i < aCount; ++i)
        if (seenA[static_cast<std::size_t>(i)]) {
            m_groupOfA[static_cast<std::size_t>(i)] = groupOf(i);
            m_unknownOfA[static_cast<std::size_t>(i)] = unknowns++;
            ++seen;
        }
    std::vector<char> referenced(static_cast<std::size_t>(aCount + bCount), 0);
    for (int j = 0; j < bCount; ++j)
        if (seenB[static_cast<std::size_t>(j)]) {
            const int group = groupOf(aCount + j);
            m_groupOfB[static_cast<std::size_t>(j)] = group;
            ++seen;
            // The first b level of each group stays at 0: the normal
            // equations are then of full rank.
            if (!referenced[static_cast<std::size_t>(group)])
                referenced[static_cast<std::size_t>(group)] = 1;
            else
                m_unknownOfB[static_cast<std::size_t>(j)] = unknowns++;
        }
    m_rank = seen - m_groups;
    m_solver->unknowns = unknowns;

    std::vector<Eigen::Triplet<double>> entries;
    entries.reserve(3 * a.size());
    for (std::size_t p = 0; p < a.size(); ++p) {
        const int i = m_unknownOfA[static_cast<std::size_t>(a[p])];
        const int j = m_unknownOfB[static_cast<std::size_t>(b[p])];
        entries.emplace_back(i, i, 1.0);
        if (j >= 0) {
            entries.emplace_back(j, j, 1.0);
            // The lower triangle is all SimplicialLDLT reads.
            entries.emplace_back(std::max(i, j), std::min(i, j), 1.0);
        }
    }
    Eigen::SparseMatrix<double> normal(unknowns, unknowns);
    normal.setFromTriplets(entries.begin(), entries.end());
    m_solver->ldlt.compute(normal);
    if (m_solver->ldlt.info() != Eigen::Success)
        throw FileError({}, "the trial's least-squares equations cannot be solved");
}

TwoFactorModel::~TwoFactorModel() = default;

std::vector<double> TwoFactorModel::solve(const std::vector<double>& y) const {
    Eigen::VectorXd right = Eigen::VectorXd::Zero(m_solver->unknowns);
    for (std::size_t p = 0; p < m_a.size(); ++p) {
        right[m_unknownOfA[static_cast<std::size_t>(m_a[p])]] += y[p];
        const int j = m_unknownOfB[static_cast<std::size_t>(m_b[p])];
        if (j >= 0)
            right[j] += y[p];
    }
    const Eigen::VectorXd solution = m_solver->ldlt.solve(right);
    return {solution.data(), solution.data() + solution.size()};
}

TwoFactorFit TwoFactorModel::fit(const std::vector<double>& y) const {
    const std::vector<double> solution = solve(y);
    constexpr double none = std::numeric_limits<double>::quiet_NaN();
    TwoFactorFit fit;
    fit.a.assign(static_cast<std::size_t>(m_aCount), none);
    fit.b.assign(static_cast<std::size_t>(m_bCount), none);
    std::vector<double> sum(static_cast<std::size_t>(m_groups), 0.0);
    std::vector<int> count(static_cast<std::size_t>(m_groups), 0);
    for (int j = 0; j < m_bCount; ++j) {
        const int group = m_groupOfB[static_cast<std::size_t>(j)];
        if (group < 0)
            continue;
        const int unknown = m_unknownOfB[static_cast<std::size_t>(j)];
        const double effect = unknown < 0 ? 0.0 : solution[static_cast<std::size_t>(unknown)];
        fit.b[static_cast<std::size_t>(j)] = effect;
        sum[static_cast<std::size_t>(group)] += effect;
        ++count[static_cast<std::size_t>(group)];
    }
    // Each group's b effects centred; its a effects take up the shift.
    for (int j = 0; j < m_bCount; ++j) {
        const int group = m_groupOfB[static_cast<std::size_t>(j)];
        if (group >= 0)
            fit.b[static_cast<std::size_t>(j)] -=
                sum[static_cast<std::size_t>(group)] / count[static_cast<std::size_t>(group)];
    }
    for (int i = 0; i < m_aCount; ++i) {
        const int group = m_groupOfA[static_cast<std::size_t>(i)];
        if (group >= 0)
            fit.a[static_cast<std::size_t>(i)] =
                solution[static_cast<std::size_t>(m_unknownOfA[static_cast<std::size_t>(i)])] +
                sum[static_cast<std::size_t>(group)] / count[static_cast<std::size_t>(group)];
    }
    for (std::size_t p = 0; p < m_a.size(); ++p) {
        const double residual = y[p] - fit.a[static_cast<std::size_t>(m_a[p])] -
                                fit.b[static_cast<std::size_t>(m_b[p])];
        fit.sse += residual * residual;
    }
    return fit;
}

double TwoFactorModel::projectedSquare(const std::vector<double>& v) const {
    Eigen::VectorXd right = Eigen::VectorXd::Zero(m_solver->unknowns);
    for (std::size_t p = 0; p < m_a.size(); ++p) {
        right[m_unknownOfA[static_cast<std::size_t>(m_a[p])]] += v[p];
        const int j = m_unknownOfB[static_cast<std::size_t>(m_b[p])];
        if (j >= 0)
            right[j] += v[p];
    }
    return right.dot(m_solver->ldlt.solve(right));
}
