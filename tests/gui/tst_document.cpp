// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MarrowDoc.h"
#include "app/MarrowView.h"
#include "model/Messages.h"
#include "support/ScriptedFileChooser.h"
#include "support/TempDir.h"
#include "widgets/FileChooser.h"

#include <QDir>
#include <QFile>
#include <QScrollBar>
#include <QtTest>

namespace {

QString pathIn(const TempDir& dir, const char* name) {
    return QString::fromStdString((dir / name).string());
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// A file of `bytes` opened as the document.
struct OpenedFile {
    explicit OpenedFile(const QByteArray& bytes) {
        writeBytes(path(), bytes);
        opened = document.onOpenDocument(path(), messages);
    }
    QString path() const { return pathIn(dir, "in.txt"); }

    TempDir dir;
    CMarrowView view;
    CMarrowDoc document{view};
    RecordingMessages messages;
    bool opened = false;
};

} // namespace

class DocumentTest : public QObject {
    Q_OBJECT
private slots:
    void startPageHasItsTwentyThreeLines();
    void savingTheStartPageWritesItExactly();
    void newDocumentBringsTheStartPageBack();
    void filesComeBackByteForByte_data();
    void filesComeBackByteForByte();
    void editedFilesKeepTheirLineEndsAndEncoding_data();
    void editedFilesKeepTheirLineEndsAndEncoding();
    void unreadableOrHugeFilesLeaveTheDocumentAsItWas_data();
    void unreadableOrHugeFilesLeaveTheDocumentAsItWas();
    void aFailedSaveKeepsTheOldFileAndTheModifiedFlag();
    void viewWrapsInsteadOfScrollingSideways();
    void titleIsTheNameWithoutFolderAndLastExtension_data();
    void titleIsTheNameWithoutFolderAndLastExtension();
    void choosingAFileMakesItsFolderCurrent();
    void cancellingTheChooserChangesNothing();
};

void DocumentTest::startPageHasItsTwentyThreeLines() {
    const QByteArray rule(70, '=');
    const QByteArray expected =
        "    \r\n"
        "    \r\n"
        "    " +
        rule +
        " \r\n"
        "                  Corvane: Bayesian analysis of QTL in interconnected populations \r\n"
        "    " +
        rule +
        " \r\n"
        "    Marrow: a front end for Bayesian QTL mapping \r\n"
        "    \r\n"
        "    \r\n"
        "        Before begining the analysis, you must be sure that the following files are "
        "readily and \r\n"
        "        they in correct formats. In a simulation analysis, however, you only need to "
        "prepare the \r\n"
        "        first file (pedigree.txt) manually while files 2 through 5 are automatically "
        "generated. \r\n"
        "        \r\n"
        "        1) pedigree.txt   containing pedigree information \r\n"
        "        2) genome.txt    containing genome information \r\n"
        "        3) f1.txt              containing marker genotypes of F1 parents \r\n"
        "        4) markers.txt    containing marker genoypes of progeny \r\n"
        "        5) pheno.txt       containing trait values of progeny \r\n"
        "        \r\n"
        "        Any questions, please feel free to contact us: \r\n"
        "        \r\n"
        "        Questions and reports go to the Marrow project's issue tracker. \r\n"
        "        Please name the version you use: Corvane V1.10. \r\n"
        "        \r\n";
    QCOMPARE(startPageText(), expected);
    QCOMPARE(startPageText().count("\r\n"), 23);
}

void DocumentTest::savingTheStartPageWritesItExactly() {
    TempDir dir;
    CMarrowView view;
    CMarrowDoc document(view);
    RecordingMessages messages;
    QVERIFY(document.onNewDocument());
    QCOMPARE(view.textCursor().position(), 0);
    QVERIFY(document.onSaveDocument(pathIn(dir, "start.txt"), messages));
    QCOMPARE(readBytes(pathIn(dir, "start.txt")), startPageText());

    // The same page written from the view's text rather than the kept bytes.
    view.document()->setModified(true);
    QVERIFY(document.onSaveDocument(pathIn(dir, "again.txt"), messages));
    QCOMPARE(readBytes(pathIn(dir, "again.txt")), startPageText());
    QVERIFY(messages.messages().empty());
}

void DocumentTest::newDocumentBringsTheStartPageBack() {
    TempDir dir;
    writeBytes(pathIn(dir, "data.txt"), "other text\n");
    CMarrowView view;
    CMarrowDoc document(view);
    RecordingMessages messages;
    QVERIFY(document.onOpenDocument(pathIn(dir, "data.txt"), messages));
    QCOMPARE(view.toPlainText(), QStringLiteral("other text\n"));
    QCOMPARE(document.title(), QStringLiteral("data.txt"));
    view.appendPlainText(QStringLiteral("typed"));
    QVERIFY(document.onNewDocument());
    QCOMPARE(document.contentBytes(), startPageText());
    QVERIFY(!document.isModified());
    QCOMPARE(document.title(), QStringLiteral("Untitled"));
    QVERIFY(document.path().isEmpty());
}

void DocumentTest::filesComeBackByteForByte_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addRow("CR LF") << QByteArray("a line\r\nanother\r\n");
    QTest::addRow("LF") << QByteArray("a line\nanother\n");
    QTest::addRow("mixed line ends") << QByteArray("one\r\ntwo\nthree\rfour");
    QTest::addRow("Latin-1") << QByteArray("Mend\xe9l\xa0x\r\n");
    QTest::addRow("UTF-8 with mark") << QByteArray("\xef\xbb\xbf"
                                                   "caf\xc3\xa9\n");
    QTest::addRow("no last line end") << QByteArray("last");
    QTest::addRow("empty") << QByteArray();
    QTest::addRow("NUL and tabs") << QByteArray("a\0b\tc\n", 7);
    QTest::addRow("trailing blanks") << QByteArray("x   \r\n   \r\n");
}

void DocumentTest::filesComeBackByteForByte() {
    QFETCH(QByteArray, bytes);
    OpenedFile opened(bytes);
    QVERIFY(opened.opened);
    QVERIFY(opened.document.onSaveDocument(pathIn(opened.dir, "out.txt"), opened.messages));
    QCOMPARE(readBytes(pathIn(opened.dir, "out.txt")), bytes);
    QCOMPARE(opened.document.path(), QDir(pathIn(opened.dir, "out.txt")).absolutePath());
}

void DocumentTest::editedFilesKeepTheirLineEndsAndEncoding_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("expected");
    QTest::addRow("CR LF") << QByteArray("a\r\nb\r\n") << QStringLiteral("c\n")
                           << QByteArray("a\r\nb\r\nc\r\n");
    QTest::addRow("LF") << QByteArray("a\nb\n") << QStringLiteral("c") << QByteArray("a\nb\nc");
    QTest::addRow("Latin-1 with no-break space")
        << QByteArray("\xe9\xa0z\n") << QStringLiteral("y") << QByteArray("\xe9\xa0z\ny");
    QTest::addRow("Latin-1 gaining a character it cannot hold")
        << QByteArray("\xe9\n") << QStringLiteral("\u03bb") << QByteArray("\xc3\xa9\n\xce\xbb");
    QTest::addRow("UTF-8 with mark") << QByteArray("\xef\xbb\xbf\xc3\xa9\n") << QStringLiteral("e")
                                     << QByteArray("\xef\xbb\xbf\xc3\xa9\ne");
}

void DocumentTest::editedFilesKeepTheirLineEndsAndEncoding() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, typed);
    QFETCH(QByteArray, expected);
    OpenedFile opened(bytes);
    QVERIFY(opened.opened);
    opened.view.moveCursor(QTextCursor::End);
    opened.view.insertPlainText(typed);
    QVERIFY(opened.document.isModified());
    QVERIFY(opened.document.onSaveDocument(opened.path(), opened.messages));
    QCOMPARE(readBytes(opened.path()), expected);
    QVERIFY(!opened.document.isModified());
}

void DocumentTest::unreadableOrHugeFilesLeaveTheDocumentAsItWas_data() {
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("messagePart");
    QTest::addRow("missing") << qint64(-1) << QStringLiteral("Cannot open missing.txt");
    QTest::addRow("one byte over 16 MiB")
        << CMarrowDoc::largestFile + 1 << QStringLiteral("larger than 16 MiB");
}

void DocumentTest::unreadableOrHugeFilesLeaveTheDocumentAsItWas() {
    QFETCH(qint64, size);
    QFETCH(QString, messagePart);
    TempDir dir;
    const QString path = pathIn(dir, "missing.txt");
    if (size >= 0)
        writeBytes(path, QByteArray(size, 'x'));
    CMarrowView view;
    CMarrowDoc document(view);
    RecordingMessages messages;
    document.onNewDocument();
    QVERIFY(!document.onOpenDocument(path, messages));
    QCOMPARE(messages.messages().size(), std::size_t(1));
    QCOMPARE(messages.messages()[0].caption, std::string("Marrow"));
    QVERIFY2(QString::fromStdString(messages.messages()[0].text).contains(messagePart),
             messages.messages()[0].text.c_str());
    QCOMPARE(document.contentBytes(), startPageText());
    QVERIFY(document.path().isEmpty());
}

void DocumentTest::aFailedSaveKeepsTheOldFileAndTheModifiedFlag() {
    TempDir dir;
    CMarrowView view;
    CMarrowDoc document(view);
    RecordingMessages messages;
    document.onNewDocument();
    view.insertPlainText(QStringLiteral("typed"));
    QVERIFY(!document.onSaveDocument(pathIn(dir, "no-such-folder/out.txt"), messages));
    QCOMPARE(messages.messages().size(), std::size_t(1));
    QVERIFY(document.isModified());
    QVERIFY(document.path().isEmpty());
}

void DocumentTest::viewWrapsInsteadOfScrollingSideways() {
    CMarrowView view;
    CMarrowDoc document(view);
    document.onNewDocument();
    view.resize(200, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QCOMPARE(view.lineWrapMode(), QPlainTextEdit::WidgetWidth);
    QCOMPARE(view.horizontalScrollBar()->maximum(), 0);
    QVERIFY(!view.horizontalScrollBar()->isVisible());
}

void DocumentTest::titleIsTheNameWithoutFolderAndLastExtension_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("title");
    QTest::addRow("data.dat") << QStringLiteral("/tmp/x/data.dat") << QStringLiteral("data");
    QTest::addRow("a.b.txt") << QStringLiteral("/tmp/a.b.txt") << QStringLiteral("a.b");
    QTest::addRow("no extension") << QStringLiteral("/tmp/pedigree") << QStringLiteral("pedigree");
    QTest::addRow("leading dot only")
        << QStringLiteral("/tmp/.hidden") << QStringLiteral(".hidden");
    QTest::addRow("dot in folder")
        << QStringLiteral("/tmp/run.1/genome") << QStringLiteral("genome");
}

void DocumentTest::titleIsTheNameWithoutFolderAndLastExtension() {
    QFETCH(QString, path);
    QFETCH(QString, title);
    QCOMPARE(fileTitle(path), title);
}

void DocumentTest::choosingAFileMakesItsFolderCurrent() {
    TempDir start(true);
    TempDir other;
    ScriptedFileChooser chooser;
    chooser.choose(pathIn(other, "data.dat"));
    QCOMPARE(chooseFileTitle(), std::optional<QString>(QStringLiteral("data")));
    QCOMPARE(QDir::current().canonicalPath(),
             QDir(QString::fromStdString(other.path().string())).canonicalPath());
    QDir::setCurrent(QString::fromStdString(start.path().string()));
}

void DocumentTest::cancellingTheChooserChangesNothing() {
    TempDir start(true);
    const QString before = QDir::currentPath();
    ScriptedFileChooser chooser;
    chooser.cancel();
    QCOMPARE(chooseFileTitle(), std::optional<QString>());
    QCOMPARE(chooser.shown(), 1);
    QCOMPARE(QDir::currentPath(), before);
}

QTEST_MAIN(DocumentTest)
#include "tst_document.moc"
