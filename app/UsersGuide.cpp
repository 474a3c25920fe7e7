// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/UsersGuide.h"

#include <QDialogButtonBox>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

// Kept in step with the README's "A first run" and examples/demo/README.
constexpr const char* page = R"(
<h2>Users' Guide</h2>
<p>Marrow works in one folder at a time, the working folder shown in the title
bar. Every parameter file, data file and result file is read and written there
by its bare name, and the engines run there. <b>File &gt; Set working
folder...</b> chooses it; a file you choose with a "..." or "Browse" button
makes its folder the working folder too.</p>

<h3>The road of one simulation and one analysis</h3>
<p>Start in a folder that holds a pedigree file (<tt>pedigree.txt</tt>). The
demo folder <tt>examples/demo</tt> also holds the two defaults files
<tt>simuAl_in.def</tt> and <tt>multAl_in.def</tt>; <tt>scripts/run.sh</tt>
starts Marrow in a fresh copy of it.</p>
<ol>
<li><b>Simulation &gt; Set parameters</b>: press <b>Use default</b>, look over
the chromosomes and QTL, press <b>OK</b>. Marrow writes <tt>simuAl_in.txt</tt>
and rewrites the pedigree file.</li>
<li><b>Simulation &gt; Go Simulation</b> starts <tt>Tamsin.exe</tt>. It writes
the genome file (<tt>genome.txt</tt>), the founders' and the progeny's markers
(<tt>f1.txt</tt>, <tt>markers.txt</tt>), the trait (<tt>pheno.txt</tt>) and,
with log files on, <tt>simuAl_log.txt</tt>: where the simulated QTL really
are.</li>
<li><b>QTL analysis &gt; Set parameters</b>: press <b>Use default</b> (it reads
the genome file the simulation wrote), then <b>Ok</b>. Marrow writes
<tt>multAl_in.txt</tt>.</li>
<li><b>QTL analysis &gt; MCMC analysis</b> starts <tt>Pellarin.exe</tt>. It runs
in a terminal window, or writes its progress to <tt>Pellarin.console.txt</tt>
when there is none. The status bar says "Pellarin.exe is running", then
"Pellarin.exe finished: N regions", or "Pellarin.exe stopped:" and the
reason. Wait until it has finished: it writes one intensity file
(<tt>qtI100_CC.txt</tt>) and one variance file (<tt>qtlVar_CC.txt</tt>) per
chromosome, the chains (<tt>mix_01M1.txt</tt>, ...), the QTL table
(<tt>qtl_summary.txt</tt> to read, <tt>qtl_summary.csv</tt> for R or a
spreadsheet: each QTL region with its probability, position, interval,
variance share and founder effects) and its report <tt>Pellarin.log</tt>,
which ends with the same table.</li>
<li><b>QTL analysis &gt; Posterior graphs</b> draws the posterior QTL intensity
or variance along a chromosome: one replication, all of them ("Show all
graphs") or their average ("Show average graph"). A peak says where a QTL is
likely; compare it with <tt>simuAl_log.txt</tt>. Each region of the QTL table
is marked on its chromosome: a shaded band over its 95% interval and a dashed
line at its mode.</li>
<li><b>QTL analysis &gt; Markov chains</b> draws the trace of one model
parameter from a chain file: pick the parameter below the plot and the chain
at the top right. "QTL variance" is the variance of a QTL's allele effects in
the random model; "Variance share" is the part of the trait's variance
within families the QTL explains.</li>
</ol>
<p>In both graph windows, a right click on the plot offers <b>Save picture...</b>
(the graph as drawn, with its axis numbers: a PNG image, or an SVG drawing for
a paper when the name ends in <tt>.svg</tt>, its numbers and labels kept as
text) and <b>Save values...</b> (a CSV file: the position in cM, or the sample
number, and one column per curve). The posterior graphs also offer <b>Save
genome picture...</b>: every chromosome side by side on one axis, numbered in
cM and intensity, with the average intensity and each region of the QTL table
shaded.</p>

<h3>Keeping your settings</h3>
<p><b>Set as default</b> in either parameter dialog stores the settings in the
folder's defaults file; <b>Use default</b> brings them back in a later session.
Copy the two <tt>.def</tt> files to start another folder with the same
settings.</p>

<h3>Your own data</h3>
<p>Convert your families (<tt>founders.csv</tt>, <tt>families.csv</tt>,
<tt>progeny.csv</tt>) or a cross kept in R/qtl's comma-separated layouts with
<tt>marrow-import</tt>: it writes the five data files and
<tt>multAl_in.def</tt>, an analysis set up for your data. Start Marrow in that
folder and begin at step 3: <b>Use default</b> and <b>Ok</b> need nothing
typed. Data files you prepared yourself work the same way, with your own
settings in the dialog.</p>
<p><b>QTL analysis &gt; Import data...</b> does the same in the window, for
families, a cross or families genotyped in a VCF, and works in the imported
folder at once. With <b>Traits:</b> all it writes a folder for each trait ticked
and works in the first; <b>QTL analysis &gt; All traits</b> then shows every
trait of the folder above, runs those without results one after the other,
and compares their QTL in one picture and one table. A double click on a trait
opens its posterior graphs.</p>

<h3>Without a window</h3>
<p><tt>marrow-demo FOLDER</tt> takes the same road in a copy of the demo folder:
it writes both parameter files from the defaults, runs both engines and draws
the average intensity of every chromosome to <tt>intensity_CC.png</tt> and
<tt>intensity_CC.svg</tt>, with the values in <tt>intensity_CC.csv</tt>, and
the whole genome to <tt>genome.png</tt> and <tt>genome.svg</tt>.</p>
)";

} // namespace

UsersGuideDialog::UsersGuideDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Users' Guide"));
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("guideBrowser"));
    m_browser->setReadOnly(true);
    m_browser->setOpenLinks(false);
    m_browser->setHtml(pageHtml());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_browser);
    layout->addWidget(buttons);
    resize(640, 560);
}

QString UsersGuideDialog::pageHtml() {
    return QString::fromUtf8(page);
}
