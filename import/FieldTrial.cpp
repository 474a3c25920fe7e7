// SPDX-License-Identifier: GPL-3.0-or-later
#include "import/FieldTrial.h"

#include "import/TrialModel.h"
#include "model/FileError.h"
#include "model/NumberFormat.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <set>
#include <unordered_map>

namespace {

constexpr double none = std::numeric_limits<double>::quiet_NaN();
constexpr std::size_t namedUnmatched = 10;
/// Random probes of the one trace that needs the inverse of the normal
/// equations (below); a fixed seed, so an import is repeatable.
constexpr int traceProbes = 64;
constexpr std::uint64_t traceSeed = 20260512;

/// One plot of the trait, in the numbering of the whole trial.
struct Observation {
    int line = 0; ///< a genotyped line, or a check after them
    int environment = 0;
    int block = 0;
    double y = 0;
    bool check = false;
};

/// The trial's plots of one trait, numbered across plots and checks.
struct TraitPlots {
    std::vector<std::string> environments;
    int blocks = 0;
    int lines = 0; ///< genotyped lines, then checks
    std::vector<Observation> observations;
};

int numberOf(std::map<std::string, int>& numbers, const std::string& name) {
    return numbers.emplace(name, static_cast<int>(numbers.size())).first->second;
}

std::size_t traitColumnOf(const PlotTable& table, const std::string& trait) {
    const auto found = std::find(table.traits.begin(), table.traits.end(), trait);
    return found == table.traits.end() ? table.traits.size()
                                       : static_cast<std::size_t>(found - table.traits.begin());
}

class TrialNumbers {
public:
    explicit TrialNumbers(const TrialData& data) : m_data(data) {
        for (std::size_t k = 0; k < data.ids.size(); ++k)
            m_lineOfId.emplace(data.ids[k], static_cast<int>(k));
    }

    /// The plots of `trait` in `table`, added to `plots`.
    void add(const PlotTable& table, const std::string& trait, bool checks, TraitPlots& plots) {
        const std::size_t column = traitColumnOf(table, trait);
        if (column == table.traits.size())
            return;
        std::vector<int> lineOf(table.lines.size());
        for (std::size_t k = 0; k < table.lines.size(); ++k) {
            const auto found = m_lineOfId.find(table.lines[k]);
            if (found != m_lineOfId.end())
                lineOf[k] = found->second;
            else if (checks)
                lineOf[k] =
                    static_cast<int>(m_data.ids.size()) + numberOf(m_checkLines, table.lines[k]);
            else
                lineOf[k] = -1;
        }
        for (std::size_t p = 0; p < table.plots.size(); ++p) {
            const PlotTable::Plot& plot = table.plots[p];
            const double y = table.value(column, p);
            if (std::isnan(y) || lineOf[static_cast<std::size_t>(plot.line)] < 0)
                continue;
            const std::string& environment =
                table.environments[static_cast<std::size_t>(plot.environment)];
            const PlotTable::Block& block = table.blocks[static_cast<std::size_t>(plot.block)];
            Observation observation;
            observation.line = lineOf[static_cast<std::size_t>(plot.line)];
            observation.environment = numberOf(m_environments, environment);
            observation.block = numberOf(m_blocks, environment + '\n' + block.name);
            observation.y = y;
            observation.check = observation.line >= static_cast<int>(m_data.ids.size());
            plots.observations.push_back(observation);
        }
    }

    void finish(TraitPlots& plots) const {
        plots.environments.assign(m_environments.size(), {});
        for (const auto& [name, number] : m_environments)
            plots.environments[static_cast<std::size_t>(number)] = name;
        plots.blocks = static_cast<int>(m_blocks.size());
        plots.lines = static_cast<int>(m_data.ids.size() + m_checkLines.size());
    }

private:
    const TrialData& m_data;
    std::unordered_map<std::string, int> m_lineOfId;
    std::map<std::string, int> m_checkLines, m_environments, m_blocks;
};

// Environments where fewer than two genotyped lines were measured tell
// nothing of lines; they go, checks and all.
std::vector<std::string> leaveOutThinEnvironments(TraitPlots& plots) {
    std::vector<std::set<int>> lines(plots.environments.size());
    for (const Observation& observation : plots.observations)
        if (!observation.check)
            lines[static_cast<std::size_t>(observation.environment)].insert(observation.line);
    std::vector<std::string> leftOut;
    std::vector<char> thin(plots.environments.size(), 0);
    for (std::size_t e = 0; e < lines.size(); ++e)
        if (lines[e].size() < 2) {
            thin[e] = 1;
            leftOut.push_back(plots.environments[e]);
        }
    std::erase_if(plots.observations, [&](const Observation& observation) {
        return thin[static_cast<std::size_t>(observation.environment)] != 0;
    });
    std::sort(leftOut.begin(), leftOut.end());
    return leftOut;
}

// Refuses blocks that split a family's lines into groups no plot links.
void checkFamiliesLinked(const TrialData& data, const TwoFactorModel& model,
                         const std::string& trait, const std::string& where) {
    std::map<int, std::set<int>> groupsOfFamily;
    for (std::size_t k = 0; k < data.ids.size(); ++k) {
        const int group = model.groupOfA()[k];
        if (group >= 0)
            groupsOfFamily[data.family[k]].insert(group);
    }
    for (const auto& [family, groups] : groupsOfFamily) {
        if (groups.size() < 2)
            continue;
        const std::string remedy =
            data.checks ? "the checks do not join them either; give checks grown in every block, "
                          "or leave out --block-column"
                        : "give the checks grown in every block with --checks, or leave out "
                          "--block-column";
        throw FileError(data.plotsName,
                        "trait " + inQuotes(trait) + where + ": the blocks split family " +
                            inQuotes(data.familyNames[static_cast<std::size_t>(family)]) +
                            " into " + std::to_string(groups.size()) +
                            " groups of lines that no plot links, so their values cannot be "
                            "compared; " +
                            remedy);
    }
}

bool familiesApart(const TrialData& data, const TwoFactorModel& model) {
    std::set<int> groups;
    for (std::size_t k = 0; k < data.ids.size(); ++k)
        if (model.groupOfA()[k] >= 0)
            groups.insert(model.groupOfA()[k]);
    return groups.size() > 1;
}

// The sum over blocks of the squared counts of each level within the
// block, each over the block's plots: tr(Z' P0 Z) for the indicator Z of
// the levels and P0 the projection onto block means.
double withinBlockShare(const std::vector<int>& level, const std::vector<int>& block,
                        const std::vector<long long>& blockPlots) {
    std::map<std::pair<int, int>, long long> counts;
    for (std::size_t p = 0; p < level.size(); ++p)
        ++counts[{block[p], level[p]}];
    double sum = 0;
    for (const auto& [key, count] : counts)
        sum += static_cast<double>(count * count) /
               static_cast<double>(blockPlots[static_cast<std::size_t>(key.first)]);
    return sum;
}

double harmonicMean(const std::vector<long long>& counts) {
    double inverse = 0;
    long long n = 0;
    for (const long long count : counts)
        if (count > 0) {
            inverse += 1.0 / static_cast<double>(count);
            ++n;
        }
    return n == 0 ? none : static_cast<double>(n) / inverse;
}

// Henderson's third method: the reductions in the residual sum of squares
// as line (R(line | blocks)) and then line by environment (R(cells |
// blocks, line)) join the blocks, and the residual of the cells' model,
// each set to its expectation. With y = Xb + Z_L u_L + Z_G u_G + e and
// M the residual projection of a model, E[y'My] = (n - rank) s2e +
// tr(Z_L' M Z_L) s2L + tr(Z_G' M Z_G) s2G. Every coefficient is a count
// but tr(Z_G' P1 Z_G), P1 the projection of blocks + line, which needs the
// inverse of the normal equations; it is estimated as the mean of v'P1v
// over random signs per cell (v = Z_G u, u of +-1), each one solve with the
// factorisation at hand.
VarianceComponents varianceComponents(const std::vector<Observation>& all, int lines, int blocks) {
    std::vector<int> line, block, cell;
    std::vector<double> y;
    std::map<std::pair<int, int>, int> cellOf;
    std::set<int> environments;
    for (const Observation& observation : all) {
        if (observation.check)
            continue;
        line.push_back(observation.line);
        block.push_back(observation.block);
        cell.push_back(cellOf
                           .emplace(std::pair{observation.line, observation.environment},
                                    static_cast<int>(cellOf.size()))
                           .first->second);
        environments.insert(observation.environment);
        y.push_back(observation.y);
    }
    const auto n = static_cast<double>(y.size());
    const int cells = static_cast<int>(cellOf.size());
    VarianceComponents components;

    // The model of blocks alone: block means.
    std::vector<double> blockSum(static_cast<std::size_t>(blocks), 0.0);
    std::vector<long long> blockPlots(static_cast<std::size_t>(blocks), 0);
    for (std::size_t p = 0; p < y.size(); ++p) {
        blockSum[static_cast<std::size_t>(block[p])] += y[p];
        ++blockPlots[static_cast<std::size_t>(block[p])];
    }
    double sse0 = 0;
    long long rank0 = 0;
    for (std::size_t p = 0; p < y.size(); ++p) {
        const auto b = static_cast<std::size_t>(block[p]);
        const double residual = y[p] - blockSum[b] / static_cast<double>(blockPlots[b]);
        sse0 += residual * residual;
    }
    for (const long long count : blockPlots)
        rank0 += count > 0 ? 1 : 0;

    const TwoFactorModel lineModel(line, lines, block, blocks);
    const double sse1 = lineModel.fit(y).sse;
    const auto rank1 = static_cast<double>(lineModel.rank());
    const TwoFactorModel cellModel(cell, cells, block, blocks);
    const double sseF = cellModel.fit(y).sse;
    const auto rankF = static_cast<double>(cellModel.rank());

    const double kL = n - withinBlockShare(line, block, blockPlots);
    const double gWithinBlocks = n - withinBlockShare(cell, block, blockPlots);
    const double dfF = n - rankF;
    const bool interaction = environments.size() > 1 && dfF > 0 && rankF > rank1;
    double lineSum = sse0 - sse1;
    if (interaction) {
        components.residual = sseF / dfF;
        std::mt19937_64 random(traceSeed);
        std::vector<double> sign(static_cast<std::size_t>(cells)), v(y.size());
        double projected = 0;
        for (int probe = 0; probe < traceProbes; ++probe) {
            for (double& s : sign)
                s = (random() & 1) != 0 ? 1.0 : -1.0;
            for (std::size_t p = 0; p < y.size(); ++p)
                v[p] = sign[static_cast<std::size_t>(cell[p])];
            projected += lineModel.projectedSquare(v);
        }
        const double kG = n - projected / traceProbes;
        components.lineByEnvironment =
            kG > 0 ? (sse1 - sseF - (rankF - rank1) * components.residual) / kG : none;
        lineSum -= (gWithinBlocks - kG) * std::max(components.lineByEnvironment, 0.0);
    } else {
        components.lineByEnvironment = none;
        components.residual = n - rank1 > 0 ? sse1 / (n - rank1) : none;
    }
    const double residual = std::isnan(components.residual) ? 0.0 : components.residual;
    components.line =
        kL > 0 ? (lineSum - (rank1 - static_cast<double>(rank0)) * residual) / kL : none;
    for (double* component : {&components.line, &components.lineByEnvironment}) {
        if (*component < 0) {
            *component = 0;
            components.truncated = true;
        }
    }

    std::vector<long long> environmentsOfLine(static_cast<std::size_t>(lines), 0);
    std::vector<long long> plotsOfCell(static_cast<std::size_t>(cells), 0);
    for (const auto& [key, number] : cellOf)
        ++environmentsOfLine[static_cast<std::size_t>(key.first)];
    for (const int c : cell)
        ++plotsOfCell[static_cast<std::size_t>(c)];
    components.environments = harmonicMean(environmentsOfLine);
    components.plotsPerEnvironment = harmonicMean(plotsOfCell);
    const double e = components.environments, r = components.plotsPerEnvironment;
    const double interactionPart =
        std::isnan(components.lineByEnvironment) ? 0.0 : components.lineByEnvironment;
    const double phenotypic = components.line + interactionPart / e + residual / (e * r);
    components.heritability = phenotypic > 0 ? components.line / phenotypic : none;
    return components;
}

// The line values of the observations: the genotyped lines' effects.
std::vector<double> lineEffects(const TrialData& data, const TwoFactorModel& model,
                                const std::vector<double>& y) {
    const TwoFactorFit fit = model.fit(y);
    return {fit.a.begin(), fit.a.begin() + static_cast<std::ptrdiff_t>(data.ids.size())};
}

TwoFactorModel modelOf(const std::vector<Observation>& observations, int lines, int blocks,
                       std::vector<double>& y) {
    std::vector<int> line, block;
    y.clear();
    for (const Observation& observation : observations) {
        line.push_back(observation.line);
        block.push_back(observation.block);
        y.push_back(observation.y);
    }
    return TwoFactorModel(line, lines, block, blocks);
}

std::string number(double value) {
    if (std::isnan(value))
        return "NA";
    return fmt::generalNumber(value);
}

} // namespace

UnmatchedPlots unmatchedPlots(const TrialData& data) {
    std::set<std::string> ids(data.ids.begin(), data.ids.end());
    UnmatchedPlots unmatched;
    std::set<std::string> named;
    for (const PlotTable::Plot& plot : data.plots->plots) {
        const std::string& line = data.plots->lines[static_cast<std::size_t>(plot.line)];
        if (ids.count(line) != 0)
            continue;
        ++unmatched.plots;
        if (unmatched.firstLines.size() < namedUnmatched && named.insert(line).second)
            unmatched.firstLines.push_back(line);
    }
    return unmatched;
}

TraitLineValues traitLineValues(const TrialData& data, const std::string& trait,
                                bool byEnvironment) {
    TraitPlots plots;
    TrialNumbers numbers(data);
    numbers.add(*data.plots, trait, false, plots);
    const bool anyPlot = !plots.observations.empty();
    if (data.checks)
        numbers.add(*data.checks, trait, true, plots);
    numbers.finish(plots);
    TraitLineValues values;
    values.trait = trait;
    values.environmentsLeftOut = leaveOutThinEnvironments(plots);
    const bool anyLine = std::any_of(plots.observations.begin(), plots.observations.end(),
                                     [](const Observation& o) { return !o.check; });
    if (!anyPlot || !anyLine)
        throw FileError(data.plotsName,
                        "trait " + inQuotes(trait) +
                            (anyPlot ? " has no environment where two genotyped lines were "
                                       "measured"
                                     : " has no plot of a genotyped line with a value"));

    std::vector<double> y;
    const TwoFactorModel model = modelOf(plots.observations, plots.lines, plots.blocks, y);
    checkFamiliesLinked(data, model, trait, {});
    values.familiesApart = familiesApart(data, model);
    values.values = lineEffects(data, model, y);

    std::set<int> environments;
    std::map<int, std::set<int>> environmentsOfLine;
    for (const Observation& observation : plots.observations) {
        if (observation.check) {
            ++values.checkPlots;
            continue;
        }
        ++values.plots;
        environments.insert(observation.environment);
        environmentsOfLine[observation.line].insert(observation.environment);
    }
    values.environments = static_cast<int>(environments.size());
    values.lines = static_cast<int>(environmentsOfLine.size());
    for (const auto& [line, seen] : environmentsOfLine)
        values.linesInOneEnvironment += seen.size() == 1 ? 1 : 0;
    values.components = varianceComponents(plots.observations, plots.lines, plots.blocks);

    if (byEnvironment) {
        // In the environments' order by name, as their folders are listed.
        std::vector<int> order(environments.begin(), environments.end());
        std::sort(order.begin(), order.end(), [&](int x, int z) {
            return plots.environments[static_cast<std::size_t>(x)] <
                   plots.environments[static_cast<std::size_t>(z)];
        });
        for (const int environment : order) {
            std::vector<Observation> own;
            for (const Observation& observation : plots.observations)
                if (observation.environment == environment)
                    own.push_back(observation);
            const TwoFactorModel local = modelOf(own, plots.lines, plots.blocks, y);
            const std::string& name = plots.environments[static_cast<std::size_t>(environment)];
            checkFamiliesLinked(data, local, trait, " in " + inQuotes(name));
            values.byEnvironment.push_back({name, lineEffects(data, local, y)});
        }
    }
    return values;
}

std::string traitLineValuesSummary(const TraitLineValues& values) {
    const VarianceComponents& c = values.components;
    std::string text = fmt::counted(values.plots, "plot") + " of " +
                       fmt::counted(values.lines, "line") + " in " +
                       fmt::counted(values.environments, "environment");
    if (values.checkPlots > 0)
        text += ", and " + fmt::counted(values.checkPlots, "plot") + " of checks";
    text += ".\n";
    if (values.linesInOneEnvironment > 0)
        text += fmt::counted(values.linesInOneEnvironment, "line") +
                " measured in one environment only (each still has its value).\n";
    if (!values.environmentsLeftOut.empty()) {
        std::string names;
        for (const std::string& name : values.environmentsLeftOut)
            names += (names.empty() ? "" : ", ") + escapedControls(name);
        text += "Left out, with fewer than two lines measured: " + names + ".\n";
    }
    if (values.familiesApart)
        text += "No plot links the families to each other: the values compare within "
                "families, as the analysis needs (its model holds the family means).\n";
    text += "Variance components (method of moments): line " + number(c.line) +
            ", environment by line " +
            (std::isnan(c.lineByEnvironment) ? std::string("not separable from the residual")
                                             : number(c.lineByEnvironment)) +
            ", residual " + number(c.residual) +
            (c.truncated ? " (a negative estimate set to 0)" : "") + "; line-mean heritability " +
            number(c.heritability) + " (harmonic means: " + number(c.environments) +
            " environments a line, " + number(c.plotsPerEnvironment) +
            " plots a line in an environment).\n";
    return text;
}
