// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MarrowDoc.h"

#include "app/MarrowView.h"
#include "model/Messages.h"
#include "model/TextFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <array>

namespace {

struct StartLine {
    int indent;
    const char* text;
};

// The gaps in lines 13 to 17 line the descriptions up in the proportional
// font the page was laid out in; they are kept as they are.
constexpr std::array<StartLine, 23> startLines{{
    {4, ""},
    {4, ""},
    {4, "======================================================================"},
    {18, "Corvane: Bayesian analysis of QTL in interconnected populations"},
    {4, "======================================================================"},
    {4, "Marrow: a front end for Bayesian QTL mapping"},
    {4, ""},
    {4, ""},
    {8, "Before begining the analysis, you must be sure that the following files are readily and"},
    {8, "they in correct formats. In a simulation analysis, however, you only need to prepare the"},
    {8, "first file (pedigree.txt) manually while files 2 through 5 are automatically generated."},
    {8, ""},
    {8, "1) pedigree.txt   containing pedigree information"},
    {8, "2) genome.txt    containing genome information"},
    {8, "3) f1.txt              containing marker genotypes of F1 parents"},
    {8, "4) markers.txt    containing marker genoypes of progeny"},
    {8, "5) pheno.txt       containing trait values of progeny"},
    {8, ""},
    {8, "Any questions, please feel free to contact us:"},
    {8, ""},
    {8, "Questions and reports go to the Marrow project's issue tracker."},
    {8, "Please name the version you use: Corvane V1.10."},
    {8, ""},
}};

bool isUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    const QString ignored = decoder(bytes);
    return !decoder.hasError();
}

} // namespace

QByteArray startPageText() {
    QByteArray page;
    for (const StartLine& line : startLines) {
        page.append(QByteArray(line.indent, ' '));
        if (*line.text != '\0')
            page.append(line.text).append(' ');
        page.append("\r\n");
    }
    return page;
}

CMarrowDoc::CMarrowDoc(CMarrowView& view, QObject* parent) : QObject(parent), m_view(view) {}

QString CMarrowDoc::title() const {
    return m_path.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(m_path).fileName();
}

bool CMarrowDoc::isModified() const {
    return m_view.document()->isModified();
}

bool CMarrowDoc::onNewDocument() {
    setPath({});
    showBytes(startPageText());
    return true;
}

bool CMarrowDoc::onOpenDocument(const QString& path, MessageSink& messages) {
    const std::string name = QFileInfo(path).fileName().toStdString();
    QFile file(path);
    if (file.size() > largestFile) {
        messages.showMessage("Marrow", name + " is larger than 16 MiB, too large to show as text. "
                                              "It was not opened.");
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        messages.showMessage("Marrow",
                             "Cannot open " + name + ": " + file.errorString().toStdString() + ".");
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        messages.showMessage("Marrow",
                             "Cannot read " + name + ": " + file.errorString().toStdString() + ".");
        return false;
    }
    showBytes(bytes);
    setPath(QFileInfo(path).absoluteFilePath());
    return true;
}

bool CMarrowDoc::onSaveDocument(const QString& path, MessageSink& messages) {
    const QByteArray bytes = contentBytes();
    if (!writeFileAtomically(path.toStdString(),
                             std::string_view(bytes.constData(), bytes.size()))) {
        messages.showMessage("Marrow", "Cannot save " + path.toStdString() +
                                           ". The file on disk was not changed.");
        return false;
    }
    m_bytes = bytes;
    m_view.document()->setModified(false);
    setPath(QFileInfo(path).absoluteFilePath());
    return true;
}

QByteArray CMarrowDoc::contentBytes() const {
    if (!isModified())
        return m_bytes;
    // Raw text, because the plain-text export turns no-break spaces into
    // blanks, and a Latin-1 file's 0xA0 bytes would silently change.
    QString text = m_view.document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    if (m_crlf)
        text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    // A Latin-1 file that gained characters Latin-1 cannot hold is written as
    // UTF-8 rather than losing them.
    const bool fitsLatin1 =
        std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 256; });
    return m_latin1 && fitsLatin1 ? text.toLatin1() : text.toUtf8();
}

void CMarrowDoc::showBytes(const QByteArray& bytes) {
    m_bytes = bytes;
    m_latin1 = !isUtf8(bytes);
    m_crlf = bytes.contains("\r\n");
    QString text;
    if (m_latin1) {
        text = QString::fromLatin1(bytes);
    } else {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
        text = decoder(bytes);
    }
    if (m_crlf)
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    m_view.setPlainText(text);
    m_view.moveCursor(QTextCursor::Start);
    m_view.document()->setModified(false);
}

void CMarrowDoc::setPath(const QString& path) {
    m_path = path;
    emit pathChanged(m_path);
}
