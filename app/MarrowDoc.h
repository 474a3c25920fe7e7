// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class CMarrowView;
class MessageSink;

/// The start page: 23 lines of instructions naming the five input files of an
/// analysis, each line ending in CR LF.
QByteArray startPageText();

/// The document: the text of the one view, kept as the bytes of its file.
///
/// Users open their own data files here, so a file comes back from Save byte
/// for byte as it was read: line ends and bytes that are not UTF-8 are kept.
/// While the text is unchanged the very bytes read are written back; after an
/// edit the text is written in the file's own line ends and encoding.
class CMarrowDoc : public QObject {
    Q_OBJECT
public:
    /// Larger files are refused: the text view grows slow far below the point
    /// where a file stops being something a person reads.
    static constexpr qint64 largestFile = 16 * 1024 * 1024;

    explicit CMarrowDoc(CMarrowView& view, QObject* parent = nullptr);

    /// An untitled, unmodified document showing the start page.
    bool onNewDocument();

    /// Replaces the view's text by the file's. On failure a message goes to
    /// `messages` and the document stays as it was.
    bool onOpenDocument(const QString& path, MessageSink& messages);

    /// Writes the text to `path` as a complete new file, which then becomes the
    /// document's file. On failure a message goes to `messages` and the file
    /// on disk is untouched.
    bool onSaveDocument(const QString& path, MessageSink& messages);

    /// The file's full path; empty while untitled.
    const QString& path() const { return m_path; }
    /// The file name shown in the window title, or "Untitled".
    QString title() const;
    bool isModified() const;

    /// The bytes Save would write now.
    QByteArray contentBytes() const;

signals:
    void pathChanged(const QString& path);

private:
    void showBytes(const QByteArray& bytes);
    void setPath(const QString& path);

    CMarrowView& m_view;
    QString m_path;
    QByteArray m_bytes;
    bool m_latin1 = false;
    bool m_crlf = false;
};
